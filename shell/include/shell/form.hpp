#pragma once
// The game's main form without its window: start-up, the handlers and what they own. The shell
// (shell.hpp) feeds it a platform's events and presents its BackBuffer; a test or a benchmark
// can drive it with no platform at all.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "audio/media_player.hpp"
#include "game/platform.hpp"
#include "game/random.hpp"
#include "game/state.hpp"
#include "gfx/ttf_text.hpp"
#include "shell/platform.hpp"
#include "store/record.hpp"

namespace shell {

// Milliseconds of the monotonic clock, low 32 bits. A monotonic count keeps a clock change or a
// daylight-saving shift out of the finishing times.
class MonotonicClock final : public game::Clock {
 public:
  std::int32_t NowMs() override;
};

// The same from a platform's clock.
class PlatformClock final : public game::Clock {
 public:
  explicit PlatformClock(Platform& platform) : platform_(platform) {}
  std::int32_t NowMs() override;

 private:
  Platform& platform_;
};

// `DataDir` for a working directory: the path with a '/' added unless it ends with one.
std::string DataDirFor(const std::string& cwd);

// The application's title: the program file's name without folder and without everything from
// its first full stop, first letter upper case, the rest lower case ("frothy" gives "Frothy").
std::string ApplicationTitle(const std::string& programPath);

// The text of an error box: a full stop is added when the message's last character comes after
// the full stop in code order (so the Japanese texts get one, "I/O エラー (5)" does not).
std::string ErrorBoxText(const std::string& message);

// Milliseconds since midnight, UTC: the seed of the game's random generator.
std::uint32_t UtcMsSinceMidnight();

// Runs a handler as the window layer does: an error it raises ends it and is reported, by
// `report`, with the error box's text; the program goes on.
template <typename F, typename Report>
void Guarded(F&& handler, Report&& report) {
  try {
    handler();
  } catch (const std::exception& e) {
    report(ErrorBoxText(e.what()));
  }
}

// Reads the record file into the game's table and level. The table starts fresh (every place
// empty, level 1) and a short file overlays what it has; a level outside 1 to 5 is clamped. The
// state is usable whether or not the load throws its store::IoError. Returns the record as
// read, which is what the file holds when the load succeeded.
store::Record ReadRecordInto(game::GameState& g, FileLayer& files);

// Whether a failed load leaves the record safe to replace: a missing record, or a short one,
// holds nothing more than the game read. Any other failure (no access, too many open files, a
// read error) may hide times the game could not see, and a save would overwrite them.
bool SavingReplacesNothingUnread(int loadErrorCode);

// The text of a save refused because the record could not be read at start-up.
inline constexpr const char* kRecordKeptText =
    "b_data.dat could not be read when the game started, so it is left as it is: the times of "
    "this game are not saved";

class TForm1 {
 public:
  // `clock` replaces the monotonic clock (tests and benchmarks); it must outlive the form.
  explicit TForm1(std::string fontPath, game::Clock* clock = nullptr);

  // Start-up, in order: seed, DataDir (where the temporary files of saves cut short are
  // removed), sprite sheet and tiles, cues 1 to 3, BackBuffer, record file, each file through
  // `files`, which must outlive the form. Throws the first failure; a store::IoError comes only
  // from the record file, after everything the frame step needs exists.
  void FormCreate(std::uint32_t msSinceUtcMidnight, const std::string& cwd, FileLayer& files);
  // The same start-up a step at a time, for a platform that gives its thread back between
  // steps (a page, whose browser paints and takes input in between): FormCreateBegin seeds and
  // sets DataDir; each FormCreateStep then does the next of the face, the sprite sheet, cue 1,
  // cue 2, cue 3, and BackBuffer with the record file, and returns true after the last. Each
  // throws what FormCreate would at that point.
  void FormCreateBegin(std::uint32_t msSinceUtcMidnight, const std::string& cwd, FileLayer& files);
  bool FormCreateStep();

  void Timer1Timer();
  void FormMouseMove(std::int32_t x, std::int32_t y);
  void FormMouseDown(std::int32_t x, std::int32_t y);
  // Escape: back to the title from another scene; on the title, save and ask to end. Returns
  // true when the program should end. Throws when the save fails (the program goes on).
  bool FormKeyDownEscape();
  // A close request: saves. Throws when the save fails, and the close is then abandoned.
  void FormClose();

  // Where the record is on a platform with paths: beside the data.
  std::string RecordPath() const { return G.DataDir + "b_data.dat"; }

  // Whether the table or the level differ from what the record last got (or held at start-up).
  bool RecordOutOfDate() const;
  // The save of the game's own accord (a time ranked, the level changed), tried once for each
  // new state so that a failing disk is not asked again every tick: the record to write when
  // one is due (counted as tried), and the news that one reached the file.
  std::optional<store::Record> OwnSaveDue();
  void RecordSaved(const store::Record& record) { saved_ = record; }

  game::GameState G;
  game::Random Rng;
  audio::MediaPlayer MediaPlayer1{0};  // "snd1.wav", merge
  audio::MediaPlayer MediaPlayer2{1};  // "snd2.wav", menu
  audio::MediaPlayer MediaPlayer3{2};  // "snd3.wav", pop

 private:
  class FormCues final : public game::Cues {
   public:
    explicit FormCues(TForm1& form) : form_(form) {}
    void Play(game::Cue cue) override;

   private:
    TForm1& form_;
  };

  // Throws when the save fails, or is refused because the record could not be read: that is
  // said once, and the next Escape or close ends the game without a save.
  void SaveRecordFile();
  store::Record Current() const { return store::Record{G.RankTable, G.Level}; }

  FileLayer* files_ = nullptr;
  int createStep_ = 0;       // the FormCreateStep that comes next
  store::Record saved_;      // what the record holds, as far as the game knows
  store::Record lastTried_;  // the state the last save of the game's own accord tried
  bool recordKept_ = false;  // unreadable at start-up: never replaced
  bool toldKept_ = false;
  std::string fontPath_;
  std::unique_ptr<gfx::TtfText> text_;
  MonotonicClock monotonic_;
  game::Clock& clock_;
  FormCues cues_{*this};
};

}  // namespace shell
