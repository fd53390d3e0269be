#include "shell/shell.hpp"

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

#include "shell/present.hpp"

namespace shell {

Shell::Shell(Platform& platform, std::string title, game::Clock* clock)
    : Form1(platform.FontPath(), clock ? clock : &clock_),
      platform_(platform),
      clock_(platform),
      title_(std::move(title)) {}

template <typename F>
bool Shell::Guard(F&& handler) {
  bool ok = false;
  Guarded(
      [&] {
        handler();
        ok = true;
      },
      [&](const std::string& text) { platform_.ShowError(title_, text); });
  return ok;
}

Shell::Start Shell::LockFolder(const std::string& alreadyRunningText) {
  std::string reason;
  switch (platform_.Files().LockFolder(reason)) {
    case LockState::Busy:
      // Before anything is read: the other game's times are left alone.
      platform_.ShowError(title_, ErrorBoxText(alreadyRunningText));
      return Start::AlreadyRunning;
    case LockState::Unsupported:
      std::fprintf(stderr,
                   "frothy: the play folder cannot be locked (%s); a second game started in it "
                   "could overwrite this one's times\n",
                   reason.c_str());
      break;
    case LockState::Held:
      break;
  }
  return Start::Running;
}

template <typename F>
std::optional<Shell::Start> Shell::StartUpStep(F&& step) {
  try {
    if (!step()) return std::nullopt;
  } catch (const store::IoError& e) {
    // The record file is read last: everything the frame step needs is there.
    platform_.ShowError(title_, ErrorBoxText(e.what()));
  } catch (const std::exception& e) {
    platform_.ShowError(title_, ErrorBoxText(e.what()));
    return Start::Failed;
  }
  running_ = true;
  return Start::Running;
}

Shell::Start Shell::StartUp(std::int64_t armedUs, std::uint32_t msSinceUtcMidnight,
                            const std::string& cwd) {
  std::optional<Start> start = BeginStartUp(armedUs, msSinceUtcMidnight, cwd);
  while (!start) start = ContinueStartUp();
  return *start;
}

std::optional<Shell::Start> Shell::BeginStartUp(std::int64_t armedUs,
                                                std::uint32_t msSinceUtcMidnight,
                                                const std::string& cwd) {
  ticks_ = TickSchedule(armedUs);
  return StartUpStep([&] {
    Form1.FormCreateBegin(msSinceUtcMidnight, cwd, platform_.Files());
    return false;
  });
}

std::optional<Shell::Start> Shell::ContinueStartUp() {
  return StartUpStep([&] { return Form1.FormCreateStep(); });
}

void Shell::Present() {
  ComparePresent(Form1.G.BackBuffer, platform_.BeginPresent(), changed_);
  if (!changed_.empty()) platform_.ShowBlocks(changed_);
}

void Shell::Tick() {
  if (!running_ || ended_) return;
  Guard([&] {
    Form1.Timer1Timer();
    Present();
  });
  // After the frame is on view: a time that entered the table, or a new level, reaches the
  // record now, so that no way the game may end loses it.
  ReportSaveAside();
  SaveOwnAccord();
  ticks_.Ran(platform_.NowUs());
}

template <typename F>
void Shell::SaveHere(F&& save) {
  try {
    save();
    Reported(true, {});
  } catch (const std::exception& e) {
    Reported(false, e.what());
  }
}

// A failure is shown once: while saves keep failing the player has been told, and a box at
// every new level or time would only be in the way.
void Shell::Reported(bool ok, const std::string& error) {
  if (ok) {
    failureShown_ = false;
  } else if (!std::exchange(failureShown_, true)) {
    platform_.ShowError(title_, ErrorBoxText(error));
  }
  platform_.Saved(ok);
}

void Shell::SaveOwnAccord() {
  const std::optional<store::Record> due = Form1.OwnSaveDue();
  if (!due) return;
  if (!saver_ && savesAside_) {
    try {
      if (platform_.SavesAside()) saver_ = std::make_unique<RecordSaver>(platform_.Files());
    } catch (const std::exception&) {
      // No thread to be had: saved here, as on a platform without threads.
    }
    savesAside_ = saver_ != nullptr;
  }
  if (saver_) return saver_->Save(*due);
  SaveHere([&] {
    platform_.Files().SaveRecord(*due);
    Form1.RecordSaved(*due);
  });
}

void Shell::ReportSaveAside() {
  if (!saver_) return;
  if (const std::optional<RecordSaver::Outcome> done = saver_->Finished()) {
    if (done->ok) Form1.RecordSaved(done->record);
    Reported(done->ok, done->error);
  }
}

void Shell::SaveUnsaved() {
  if (!running_ || ended_) return;
  SettleSavesAside();
  if (Form1.RecordOutOfDate()) SaveHere([&] { Form1.FormClose(); });
}

void Shell::SaveFailed(const std::string& message) {
  Reported(false, message);
}

void Shell::SettleSavesAside() {
  if (!saver_) return;
  saver_->Wait();
  // What it came to is left to the save that follows, which reports its own result.
  if (const std::optional<RecordSaver::Outcome> done = saver_->Finished(); done && done->ok)
    Form1.RecordSaved(done->record);
}

void Shell::MouseMove(std::int32_t x, std::int32_t y) {
  Form1.FormMouseMove(x, y);
}

void Shell::MouseDown(std::int32_t x, std::int32_t y) {
  Form1.FormMouseDown(x, y);
}

void Shell::End() {
  ended_ = true;
  platform_.Ended();
}

void Shell::Escape() {
  if (!running_ || ended_) return;
  const bool onTitle = Form1.G.Scene == game::kTitle;
  if (onTitle) SettleSavesAside();
  bool end = false;
  const bool ok = Guard([&] { end = Form1.FormKeyDownEscape(); });
  if (onTitle) {
    failureShown_ = !ok;
    platform_.Saved(ok && end);
  }
  if (end) End();
}

void Shell::Close() {
  if (ended_) return;
  if (!running_) return End();
  SettleSavesAside();
  const bool ok = Guard([&] { Form1.FormClose(); });
  failureShown_ = !ok;
  platform_.Saved(ok);
  if (ok) End();
}

void Shell::EndSession() {
  if (ended_) return;
  if (running_) {
    try {
      SettleSavesAside();
      Form1.FormClose();
      platform_.Saved(true);
    } catch (const std::exception& e) {
      // Nobody is left to answer a box: say it where a log can keep it, and end all the same.
      std::fprintf(stderr, "frothy: the times could not be saved: %s\n", e.what());
      sessionSaveFailed_ = true;
      platform_.Saved(false);
    }
  }
  End();
}

}  // namespace shell
