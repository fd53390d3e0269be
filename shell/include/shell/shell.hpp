#pragma once
// The portable shell: start-up, the handlers, the 25 ms frame steps, the present and when the
// record is saved, the same on every platform (platform.hpp says what a platform gives it).
// A platform makes one Shell, feeds it its events, calls Tick when TickDue, and stops when
// Ended.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/form.hpp"
#include "shell/platform.hpp"
#include "shell/record_saver.hpp"
#include "shell/tick_schedule.hpp"

namespace shell {

class Shell {
 public:
  // `clock` replaces the platform's clock for the game (tests); it must outlive the shell.
  Shell(Platform& platform, std::string title, game::Clock* clock = nullptr);
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  enum class Start {
    Running,         // the game plays (a failed record file has been reported)
    AlreadyRunning,  // another game holds the play folder: reported, nothing touched
    Failed,          // an earlier step failed: reported, and the game cannot run
  };
  // The play folder's lock, taken before anything else; a busy folder is reported with
  // `alreadyRunningText` (the platform's own words for where the other game is).
  Start LockFolder(const std::string& alreadyRunningText);
  // The form's start-up; every failure goes to the error box. `armedUs` (the platform's clock)
  // is when the frame timer was armed, as the window was made: a start-up that takes longer
  // than a period has its first step as soon as it can.
  Start StartUp(std::int64_t armedUs, std::uint32_t msSinceUtcMidnight, const std::string& cwd);
  // The same start-up a step at a time (TForm1::FormCreateStep), for a platform that gives its
  // thread back between steps: BeginStartUp takes StartUp's arguments, and it and each
  // ContinueStartUp run one step and return nothing while steps remain; the last returns what
  // StartUp would.
  std::optional<Start> BeginStartUp(std::int64_t armedUs, std::uint32_t msSinceUtcMidnight,
                                    const std::string& cwd);
  std::optional<Start> ContinueStartUp();

  bool TickDue(std::int64_t nowUs) const { return ticks_.Due(nowUs); }
  int WaitMs(std::int64_t nowUs) const { return ticks_.WaitMs(nowUs); }
  std::int64_t NextTickUs() const { return ticks_.NextDueUs(); }
  // The frame step that is due, its present, and the save when a time was ranked or the level
  // changed (handed to a thread of its own where the platform has threads, so a slow disk
  // never delays a tick); a failure in any is reported and the next tick runs as usual.
  void Tick();

  void MouseMove(std::int32_t x, std::int32_t y);
  void MouseDown(std::int32_t x, std::int32_t y);
  // Escape: back to the title, or on the title save and end (a failed save keeps the game).
  void Escape();
  // The close request: save and end; a failed save keeps the game open.
  void Close();
  // The session ends (a signal, a lost display, a page going away): the save is tried once and
  // the game ends whatever its result, since nobody may be left to answer a box.
  void EndSession();
  // The game is put away and may come back (a page hidden or closed, which cannot refuse):
  // what the record lacks is saved as the tick saves it, and the game goes on.
  void SaveUnsaved();
  // A save the platform finished after it returned (a page's storage) failed: reported as a
  // failing save of the tick is, once while saves keep failing.
  void SaveFailed(const std::string& message);

  bool Ended() const { return ended_; }
  bool SessionSaveFailed() const { return sessionSaveFailed_; }
  const std::string& Title() const { return title_; }

  TForm1 Form1;

 private:
  template <typename F>
  bool Guard(F&& handler);
  // Runs a start-up step (true after the last one) with StartUp's handling of its failures.
  template <typename F>
  std::optional<Start> StartUpStep(F&& step);
  void Present();
  void End();
  // A save of the game's own accord that is due: made aside, or here when it cannot be.
  void SaveOwnAccord();
  // What the last save that finished aside came to, reported as a save made here would be.
  void ReportSaveAside();
  // Before a save of the player's asking (Escape, a close, the session's end): the saves
  // handed aside are written first, so the files see the states in the order they came.
  void SettleSavesAside();
  // Runs a save made here and reports it.
  template <typename F>
  void SaveHere(F&& save);
  // After a save the shell tried: the platform is told, and a failure shown once.
  void Reported(bool ok, const std::string& error);

  Platform& platform_;
  PlatformClock clock_;
  std::string title_;
  TickSchedule ticks_{0};
  std::vector<gfx::Rect> changed_;
  bool running_ = false;
  bool ended_ = false;
  bool sessionSaveFailed_ = false;
  bool failureShown_ = false;  // a save's failure is on the player's screen, none has worked since
  std::unique_ptr<RecordSaver> saver_;  // made at the first save of the game's own accord
  bool savesAside_ = true;              // the platform can, and a thread could be made
};

}  // namespace shell
