#pragma once
// The game's main form without its window: start-up, the handlers and what they own. The
// window layer feeds it events and presents its BackBuffer; a test or a benchmark can drive it
// with no window at all.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "audio/media_player.hpp"
#include "game/platform.hpp"
#include "game/random.hpp"
#include "game/state.hpp"
#include "gfx/ttf_text.hpp"

namespace app {

// Milliseconds of the monotonic clock, low 32 bits. A monotonic count keeps a clock change or a
// daylight-saving shift out of the finishing times.
class MonotonicClock final : public game::Clock {
 public:
  std::int32_t NowMs() override;
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
// state is usable whether or not the load throws its store::IoError.
void ReadRecordInto(game::GameState& g, const std::string& path);

class TForm1;

// Start-up as every platform runs it, reporting a failure through `report` (the error box's
// text). A failed record file is reported and the game runs on with the fresh table; an earlier
// step's failure returns false, since the frame step would draw with images that were never
// made: the program ends after the report.
bool StartUp(TForm1& form, std::uint32_t msSinceUtcMidnight, const std::string& cwd,
             const std::function<void(const std::string&)>& report);

class TForm1 {
 public:
  // `clock` replaces the monotonic clock (tests and benchmarks); it must outlive the form.
  explicit TForm1(std::string fontPath, game::Clock* clock = nullptr);

  // Start-up, in order: seed, DataDir (where the temporary files of saves cut short are
  // removed), sprite sheet and tiles, cues 1 to 3, BackBuffer, record file. Throws the first
  // failure; a store::IoError comes only from the record file, after everything the frame step
  // needs exists.
  void FormCreate(std::uint32_t msSinceUtcMidnight, const std::string& cwd);

  void Timer1Timer();
  void FormMouseMove(std::int32_t x, std::int32_t y);
  void FormMouseDown(std::int32_t x, std::int32_t y);
  // Escape: back to the title from another scene; on the title, save and ask to end. Returns
  // true when the program should end. Throws when the save fails (the program goes on).
  bool FormKeyDownEscape();
  // A close request: saves. Throws when the save fails, and the close is then abandoned.
  void FormClose();

  // The record file lives in `RecordDir` when a platform keeps it apart from the packed data
  // (the browser's persistent storage); empty means DataDir, beside the other files.
  std::string RecordPath() const {
    return (RecordDir.empty() ? G.DataDir : RecordDir) + "b_data.dat";
  }

  std::string RecordDir;
  // While set, cues are dropped instead of played (a browser before its first user gesture).
  bool CuesMuted = false;

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

  void SaveRecordFile();

  std::string fontPath_;
  std::unique_ptr<gfx::TtfText> text_;
  MonotonicClock monotonic_;
  game::Clock& clock_;
  FormCues cues_{*this};
};

}  // namespace app
