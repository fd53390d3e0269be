#include "shell/form.hpp"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>
#include <utility>
#include <vector>

#include "audio/wave_check.hpp"
#include "game/scenes.hpp"
#include "gfx/bmp.hpp"
#include "gfx/sheet.hpp"
#include "store/data_file.hpp"
#include "store/record.hpp"

namespace shell {

std::int32_t MonotonicClock::NowMs() {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(SteadyNowUs() / 1000));
}

std::int32_t PlatformClock::NowMs() {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(platform_.NowUs() / 1000));
}

std::uint32_t UtcMsSinceMidnight() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  return static_cast<std::uint32_t>(ms % 86'400'000);
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

namespace {

gfx::Image ReadSheet(FileLayer& files) {
  std::vector<unsigned char> bytes;
  try {
    bytes = files.ReadDataFile("pic.bmp", gfx::kMaxSheetBytes);
  } catch (const store::DataFileError& e) {
    throw gfx::Error(e.what());
  }
  return gfx::DecodeSheet(std::move(bytes), "pic.bmp");
}

void OpenCue(audio::MediaPlayer& cue, FileLayer& files, const std::string& name) {
  std::vector<unsigned char> bytes;
  try {
    bytes = files.ReadDataFile(name, audio::kMaxCueBytes);
  } catch (const store::DataFileError& e) {
    throw audio::Error(e.what());
  }
  cue.OpenFromMemory(bytes.data(), bytes.size(), name);
}

}  // namespace

void TForm1::FormCreate(std::uint32_t msSinceUtcMidnight, const std::string& cwd,
                        FileLayer& files) {
  FormCreateBegin(msSinceUtcMidnight, cwd, files);
  while (!FormCreateStep()) {
  }
}

void TForm1::FormCreateBegin(std::uint32_t msSinceUtcMidnight, const std::string& cwd,
                             FileLayer& files) {
  files_ = &files;
  createStep_ = 0;
  game::SeedRandom(Rng, msSinceUtcMidnight);
  G.DataDir = DataDirFor(cwd);
  // Saves cut short by a kill or a power loss may have left their temporary files.
  files.RemoveStaleTemporaries();
}

bool TForm1::FormCreateStep() {
  FileLayer& files = *files_;
  switch (createStep_++) {
    case 0:
      text_ = std::make_unique<gfx::TtfText>(fontPath_);
      return false;
    case 1:
      G.Sprites = gfx::CutSprites(ReadSheet(files));
      return false;
    case 2:
      OpenCue(MediaPlayer1, files, "snd1.wav");
      return false;
    case 3:
      OpenCue(MediaPlayer2, files, "snd2.wav");
      return false;
    case 4:
      OpenCue(MediaPlayer3, files, "snd3.wav");
      return false;
    default:
      break;
  }
  G.BackBuffer = gfx::Image(game::kFrameWidth, game::kFrameHeight);
  try {
    saved_ = ReadRecordInto(G, files);
  } catch (const store::IoError& e) {
    recordKept_ = !SavingReplacesNothingUnread(e.Code());
    // Nothing of what the game holds now is in the record yet.
    saved_ = store::Record{};
    throw;
  }
  lastTried_ = saved_;
  return true;
}

store::Record ReadRecordInto(game::GameState& g, FileLayer& files) {
  // Fresh rather than all zero, so a missing, short or unreadable file still leaves a game
  // that times can enter.
  store::Record record = store::FreshRecord();
  const auto adopt = [&] {
    g.RankTable = record.Ranks;
    // A damaged Level would select a row outside the table and scale the speed without bound.
    g.Level = std::clamp(record.Level, 1, game::kLevels);
  };
  try {
    files.LoadRecord(record);
  } catch (...) {
    adopt();
    throw;
  }
  adopt();
  return record;
}

bool SavingReplacesNothingUnread(int loadErrorCode) {
  return loadErrorCode == store::kFileMissing || loadErrorCode == store::kShortFile;
}

void TForm1::SaveRecordFile() {
  if (recordKept_) {
    if (std::exchange(toldKept_, true)) return;
    throw std::runtime_error(kRecordKeptText);
  }
  const store::Record now = Current();
  files_->SaveRecord(now);
  saved_ = lastTried_ = now;
}

bool TForm1::RecordOutOfDate() const {
  return !recordKept_ && files_ && !(Current() == saved_);
}

std::optional<store::Record> TForm1::OwnSaveDue() {
  if (!RecordOutOfDate() || Current() == lastTried_) return std::nullopt;
  return lastTried_ = Current();
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
  if (!game::EscapeToTitle(G)) return false;
  SaveRecordFile();
  return true;
}

void TForm1::FormClose() {
  SaveRecordFile();
}

}  // namespace shell
