#include "app/form.hpp"

#include <time.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <utility>

#include "game/scenes.hpp"
#include "gfx/bmp.hpp"
#include "gfx/sheet.hpp"
#include "store/record.hpp"

namespace app {

std::int32_t MonotonicClock::NowMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(ts.tv_nsec) / 1'000'000u;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

std::uint32_t UtcMsSinceMidnight() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  return static_cast<std::uint32_t>(ms % 86'400'000);
}

bool StartUp(TForm1& form, std::uint32_t msSinceUtcMidnight, const std::string& cwd,
             const std::function<void(const std::string&)>& report) {
  try {
    form.FormCreate(msSinceUtcMidnight, cwd);
  } catch (const store::IoError& e) {
    // The record file is read last: everything the frame step needs is there.
    report(ErrorBoxText(e.what()));
  } catch (const std::exception& e) {
    report(ErrorBoxText(e.what()));
    return false;
  }
  return true;
}

std::string DataDirFor(const std::string& cwd) {
  if (!cwd.empty() && cwd.back() == '/') return cwd;
  return cwd + "/";
}

std::string ApplicationTitle(const std::string& programPath) {
  const auto slash = programPath.find_last_of('/');
  std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
  name = name.substr(0, name.find('.'));
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    name[i] = static_cast<char>(i == 0 ? std::toupper(c) : std::tolower(c));
  }
  return name;
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

TForm1::TForm1(std::string fontPath, game::Clock* clock)
    : fontPath_(std::move(fontPath)), clock_(clock ? *clock : monotonic_) {}

void TForm1::FormCues::Play(game::Cue cue) {
  if (form_.CuesMuted) return;
  switch (cue) {
    case game::Cue::Merge:
      form_.MediaPlayer1.Play();
      break;
    case game::Cue::Menu:
      form_.MediaPlayer2.Play();
      break;
    case game::Cue::Pop:
      form_.MediaPlayer3.Play();
      break;
  }
}

void TForm1::FormCreate(std::uint32_t msSinceUtcMidnight, const std::string& cwd) {
  game::SeedRandom(Rng, msSinceUtcMidnight);
  G.DataDir = DataDirFor(cwd);
  // Saves cut short by a kill or a power loss may have left their temporary files.
  store::RemoveStaleTemporaries(RecordPath());

  text_ = std::make_unique<gfx::TtfText>(fontPath_);
  G.Sprites = gfx::CutSprites(gfx::LoadBmp(G.DataDir + "pic.bmp"));

  MediaPlayer1.Open(G.DataDir + "snd1.wav");
  MediaPlayer2.Open(G.DataDir + "snd2.wav");
  MediaPlayer3.Open(G.DataDir + "snd3.wav");

  G.BackBuffer = gfx::Image(game::kFrameWidth, game::kFrameHeight);
  ReadRecordInto(G, RecordPath());
}

void ReadRecordInto(game::GameState& g, const std::string& path) {
  // Fresh rather than all zero, so a missing, short or unreadable file still leaves a game
  // that times can enter.
  store::Record record = store::FreshRecord();
  const auto adopt = [&] {
    g.RankTable = record.Ranks;
    // A damaged Level would select a row outside the table and scale the speed without bound.
    g.Level = std::clamp(record.Level, 1, game::kLevels);
  };
  try {
    store::Load(path, record);
  } catch (...) {
    adopt();
    throw;
  }
  adopt();
}

void TForm1::SaveRecordFile() {
  store::Save(RecordPath(), store::Record{G.RankTable, G.Level});
}

void TForm1::Timer1Timer() {
  game::Timer1Timer(G, Rng, game::Platform{clock_, cues_, *text_});
}

void TForm1::FormMouseMove(std::int32_t x, std::int32_t y) {
  G.MouseX = x;
  G.MouseY = y;
}

void TForm1::FormMouseDown(std::int32_t x, std::int32_t y) {
  FormMouseMove(x, y);
  G.Clicked = 1;
}

bool TForm1::FormKeyDownEscape() {
  if (G.Scene != game::kTitle) {
    // Only the scene changes: a pending click is handled by the title in the next tick.
    G.Scene = game::kTitle;
    G.Phase = 0;
    return false;
  }
  SaveRecordFile();
  return true;
}

void TForm1::FormClose() {
  SaveRecordFile();
}

}  // namespace app
