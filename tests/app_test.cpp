// The window-free half of the program: the tick schedule, start-up from a data folder, the
// escape and close paths, and the texts of the error box.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "audio/media_player.hpp"
#include "desktop/main_loop.hpp"
#include "gfx/image.hpp"
#include "posix/file_layer.hpp"
#include "posix/record_file.hpp"
#include "shell/form.hpp"
#include "shell/scale.hpp"
#include "shell/shell.hpp"
#include "shell/tick_schedule.hpp"
#include "store/record.hpp"
#include "support.hpp"

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t P = shell::TickSchedule::kPeriodUs;

TEST(TickSchedule, OnTimeTicksFollowTheGrid) {
  shell::TickSchedule t(1'000'000);
  EXPECT_FALSE(t.Due(1'000'000 + P - 1));
  EXPECT_EQ(t.WaitMs(1'000'000), 25);
  EXPECT_EQ(t.WaitMs(1'000'000 + P - 1), 1);  // rounded up: never wakes early
  EXPECT_TRUE(t.Due(1'000'000 + P));
  t.Ran(1'000'000 + P + 3'000);  // 3 ms late: the next one keeps its place on the grid
  EXPECT_EQ(t.NextDueUs(), 1'000'000 + 2 * P);
}

TEST(TickSchedule, LateTickRunsOnceAndTheMissedOnesAreDropped) {
  shell::TickSchedule t(0);
  t.Ran(P + 80'000);  // a stall of 80 ms: the grid points at 50, 75 and 100 ms are gone
  EXPECT_EQ(t.NextDueUs(), 5 * P);
  EXPECT_FALSE(t.Due(P + 80'000));  // no burst
  t.Ran(5 * P);
  EXPECT_EQ(t.NextDueUs(), 6 * P);
}

// Ten seconds of a loop whose waits end up to 2 ms late, as a real sleep does: the count is
// exact and no two ticks are further apart than a period and the lateness.
TEST(TickSchedule, TenSecondsGiveFourHundredEvenTicks) {
  std::mt19937 jitter(7);
  std::int64_t now = 0;
  shell::TickSchedule t(now);
  int ticks = 0;
  std::int64_t last = 0, widest = 0;
  while (now < 10'000'000) {
    if (t.Due(now)) {
      ++ticks;
      widest = std::max(widest, now - last);
      last = now;
      t.Ran(now);
      continue;
    }
    now += std::int64_t{t.WaitMs(now)} * 1000 + static_cast<std::int64_t>(jitter() % 2000);
  }
  EXPECT_NEAR(ticks, 400, 1);
  EXPECT_LE(widest, P + 3000);
}

TEST(MonotonicClock, NeverRunsBackward) {
  shell::MonotonicClock clock;
  const std::int32_t a = clock.NowMs();
  const std::int32_t b = clock.NowMs();
  EXPECT_GE(game::MsBetween(a, b), 0);
  EXPECT_LT(game::MsBetween(a, b), 1000);
}

TEST(FormTexts, DataDirTitleAndFullStop) {
  EXPECT_EQ(shell::DataDirFor("/home/player/frothy"), "/home/player/frothy/");
  EXPECT_EQ(shell::DataDirFor("/"), "/");
  EXPECT_EQ(shell::DataDirFor("/srv/games/"), "/srv/games/");
  EXPECT_EQ(shell::ApplicationTitle("/usr/games/frothy"), "Frothy");
  EXPECT_EQ(shell::ApplicationTitle("C/FROTHY.EXE"), "Frothy");
  EXPECT_EQ(shell::ApplicationTitle("my.game.bin"), "My");
  EXPECT_EQ(shell::ErrorBoxText("ファイルが見つかりません"), "ファイルが見つかりません.");
  EXPECT_EQ(shell::ErrorBoxText("I/O エラー (27)"), "I/O エラー (27)");
  EXPECT_EQ(shell::ErrorBoxText("Couldn't open pic.bmp"), "Couldn't open pic.bmp.");
  EXPECT_EQ(shell::ErrorBoxText("done."), "done.");
  EXPECT_EQ(shell::ErrorBoxText("what!"), "what!");
  EXPECT_EQ(shell::ErrorBoxText(""), "");
}

struct ScaleCase {
  const char* gdk;
  const char* qt;
  std::optional<float> dpi;
  int width, height;
  int expected;
  const char* qtScreens = nullptr;  // QT_SCREEN_SCALE_FACTORS
  const char* xftDpi = nullptr;
  const char* display = nullptr;  // the display's name
};

class ScaleTest : public ::testing::TestWithParam<ScaleCase> {};

// Each hint that is given, the screen and the scale expected.
std::string ScaleName(const ::testing::TestParamInfo<ScaleCase>& p) {
  const ScaleCase& c = p.param;
  std::ostringstream words;
  if (c.gdk) words << "gdk " << c.gdk << ' ';
  if (c.qt) words << "qt " << c.qt << ' ';
  if (c.dpi) words << "dpi " << *c.dpi << ' ';
  if (c.qtScreens) words << "qt screens " << c.qtScreens << ' ';
  if (c.xftDpi) words << "xft " << c.xftDpi << ' ';
  if (c.display) words << "on " << c.display << ' ';
  return testing_support::CaseName(
      words.str(), std::to_string(c.width) + 'x' + std::to_string(c.height), "scale", c.expected);
}

TEST_P(ScaleTest, NearestWholeScaleThatFits) {
  const ScaleCase c = GetParam();
  shell::ScaleHints hints{c.gdk, c.qt, c.dpi, c.width, c.height};
  hints.qtScreenScaleFactors = c.qtScreens;
  hints.xftDpi = c.xftDpi;
  hints.displayName = c.display;
  EXPECT_EQ(shell::ChooseScale(hints), c.expected);
}

// What GNOME, Xfce and Cinnamon (Xft.dpi) and KDE (QT_SCREEN_SCALE_FACTORS) publish.
INSTANTIATE_TEST_SUITE_P(
    XftDpiAndQtScreens, ScaleTest,
    ::testing::Values(ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 2, nullptr, "192"},
                      ScaleCase{nullptr, nullptr, 96.0f, 3840, 2160, 2, nullptr, "192"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 1, nullptr, "96"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 1, nullptr, "120"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 2, nullptr, "144"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 3, nullptr, " 288 "},
                      ScaleCase{nullptr, nullptr, std::nullopt, 1024, 768, 1, nullptr, "192"},
                      ScaleCase{nullptr, nullptr, 192.0f, 3840, 2160, 2, nullptr, "junk"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 1, nullptr, "-192"},
                      ScaleCase{"1", nullptr, std::nullopt, 3840, 2160, 1, nullptr, "192"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 2, "2"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 2, "2;1"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 2, "eDP-1=2;HDMI-1=1;"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 1, "eDP-1=2;HDMI-1=1;",
                                nullptr, "HDMI-1"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 3, "eDP-1=1;DP-2=2.75",
                                nullptr, "DP-2"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 2, "eDP-1=x;DP-2=1.5"},
                      ScaleCase{nullptr, "2", std::nullopt, 3840, 2160, 3, "1.5"},  // multiplied
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 1, "1", "192"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 3840, 2160, 2, ";;", "192"},
                      ScaleCase{nullptr, nullptr, std::nullopt, 1920, 1080, 2, "4"}),  // fits
    ScaleName);

INSTANTIATE_TEST_SUITE_P(
    Desktops, ScaleTest,
    ::testing::Values(ScaleCase{nullptr, nullptr, std::nullopt, 1920, 1080, 1},
                      ScaleCase{"2", nullptr, std::nullopt, 3840, 2160, 2},
                      ScaleCase{"2", "3", 96.0f, 3840, 2160, 2},  // the desktop's own scale first
                      ScaleCase{nullptr, "1.5", std::nullopt, 3840, 2160, 2},
                      ScaleCase{nullptr, "1.25", std::nullopt, 3840, 2160, 1},
                      ScaleCase{nullptr, nullptr, 192.0f, 3840, 2160, 2},
                      ScaleCase{nullptr, nullptr, 163.0f, 3840, 2160, 2},
                      ScaleCase{nullptr, nullptr, 110.0f, 1920, 1080, 1},
                      ScaleCase{"3", nullptr, std::nullopt, 1920, 1080, 2},  // 1800 x 1197 fits
                      ScaleCase{"2", nullptr, std::nullopt, 1024, 768, 1},
                      ScaleCase{"0", "junk", 0.0f, 0, 0, 1}, ScaleCase{"x2", nullptr, {}, 0, 0, 1},
                      ScaleCase{"100", nullptr, std::nullopt, 0, 0, 8}),
    ScaleName);

TEST(Scale, WindowPixelsMapBackToClientPixels) {
  EXPECT_EQ(shell::ToClient(399, -7, 1), std::pair(399, -7));
  EXPECT_EQ(shell::ToClient(0, 1, 2), std::pair(0, 0));
  EXPECT_EQ(shell::ToClient(1199, 797, 2), std::pair(599, 398));
  EXPECT_EQ(shell::ToClient(-1, -2, 2), std::pair(-1, -1));  // left of the window stays outside
  EXPECT_EQ(shell::ToClient(-3, 5, 3), std::pair(-1, 1));
  EXPECT_EQ(shell::ToClient(INT32_MIN, INT32_MAX, 2), std::pair(INT32_MIN / 2, INT32_MAX / 2));
}

TEST(PointerMoves, OutsideTheClientAreaOnlyWhileAButtonIsHeld) {
  struct Case {
    std::int32_t x, y;
    bool over, held, reaches;
  } cases[] = {
      {0, 0, true, false, true},      {599, 398, true, false, true}, {600, 200, true, false, false},
      {200, 399, true, false, false}, {-1, 200, true, false, false}, {200, -1, true, false, false},
      {200, 0, false, false, false},  // the leave, reported at the edge
      {600, 200, false, true, true},  {-40, -3, false, true, true},  {300, 200, true, true, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(desktop::IsClientAreaMove(c.x, c.y, c.over, c.held), c.reaches)
        << c.x << "," << c.y << " over " << c.over << " held " << c.held;
}

// A play folder with the default data files, in which one file can be spoilt.
class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const char* f : {"pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav", "b_data.dat"})
      fs::copy_file(fs::path(FROTHY_DATA_DIR) / f, dir_ / f);
  }

  void Spoil(const char* name, const std::string& contents) {
    fs::remove_all(dir_ / name);
    std::ofstream(dir_ / name, std::ios::binary) << contents;
  }

  testing_support::FakeClock clock_;
  testing_support::TempDir temp_;
  fs::path dir_ = temp_.Path();
  store::PosixFileLayer files_{dir_.string() + "/"};
};

TEST_F(Startup, DefaultDataStartsAFreshGame) {
  shell::TForm1 form(FROTHY_FONT_PATH, &clock_);
  form.FormCreate(12345, dir_.string(), files_);
  EXPECT_EQ(form.G.DataDir, dir_.string() + "/");
  EXPECT_EQ(form.Rng.RandomSeed, 12345u);
  EXPECT_EQ(form.G.BackBuffer.Width(), 600);
  EXPECT_EQ(form.G.BackBuffer.Height(), 400);
  EXPECT_EQ(form.G.Level, 1);
  EXPECT_EQ(form.G.RankTable, store::FreshRecord().Ranks);
  EXPECT_TRUE(form.MediaPlayer1.IsOpen() && form.MediaPlayer2.IsOpen() &&
              form.MediaPlayer3.IsOpen());
  form.Timer1Timer();
  EXPECT_EQ(form.G.Phase, 1);
}

TEST_F(Startup, RemovesWhatSavesCutShortLeftBehind) {
  std::ofstream(dir_ / "b_data.dat.Xy12Zw", std::ios::binary) << std::string(100, 'x');
  std::ofstream(dir_ / "b_data.dat.keep", std::ios::binary) << "the player's";
  shell::TForm1 form(FROTHY_FONT_PATH, &clock_);
  form.FormCreate(0, dir_.string(), files_);
  EXPECT_FALSE(fs::exists(dir_ / "b_data.dat.Xy12Zw"));
  EXPECT_TRUE(fs::exists(dir_ / "b_data.dat.keep"));
}

TEST_F(Startup, MissingSheetStopsBeforeTheCues) {
  fs::remove(dir_ / "pic.bmp");
  shell::TForm1 form(FROTHY_FONT_PATH, &clock_);
  EXPECT_THROW(form.FormCreate(0, dir_.string(), files_), gfx::Error);
  EXPECT_FALSE(form.MediaPlayer1.IsOpen());
  EXPECT_TRUE(form.G.BackBuffer.Empty());
}

TEST_F(Startup, BrokenSecondCueStopsThereWithItsPathInTheText) {
  Spoil("snd2.wav", "RIFF....WAVEjunk");
  shell::TForm1 form(FROTHY_FONT_PATH, &clock_);
  try {
    form.FormCreate(0, dir_.string(), files_);
    FAIL() << "start-up went on";
  } catch (const audio::Error& e) {
    EXPECT_NE(std::string(e.what()).find("snd2.wav"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(form.MediaPlayer1.IsOpen());
  EXPECT_FALSE(form.MediaPlayer3.IsOpen());
  EXPECT_TRUE(form.G.BackBuffer.Empty());
}

struct RecordCase {
  const char* what;
  std::string contents;  // empty: no file at all
  int code;              // 0: loads
  std::int32_t level;
};

class RecordStartup : public Startup, public ::testing::WithParamInterface<RecordCase> {};

// Whatever the record file holds, start-up leaves a game that can be played and saved.
TEST_P(RecordStartup, LeavesAPlayableState) {
  const RecordCase c = GetParam();
  if (c.contents.empty()) {
    fs::remove(dir_ / "b_data.dat");
  } else {
    Spoil("b_data.dat", c.contents);
  }
  shell::TForm1 form(FROTHY_FONT_PATH, &clock_);
  int code = 0;
  try {
    form.FormCreate(0, dir_.string(), files_);
  } catch (const store::IoError& e) {
    code = e.Code();
  }
  EXPECT_EQ(code, c.code) << c.what;
  EXPECT_EQ(form.G.Level, c.level) << c.what;
  EXPECT_FALSE(form.G.BackBuffer.Empty()) << "everything before the record file is in place";
}

std::string Record(std::int32_t level, std::int32_t entry = -1) {
  store::Record r = store::FreshRecord();
  for (auto& row : r.Ranks) row.fill(entry);
  r.Level = level;
  const auto b = store::Encode(r);
  return std::string(b.begin(), b.end());
}

INSTANTIATE_TEST_SUITE_P(
    Files, RecordStartup,
    ::testing::Values(RecordCase{"missing", "", 2, 1},
                      RecordCase{"short: level bytes absent", Record(4).substr(0, 200), 100, 1},
                      RecordCase{"level 0", Record(0), 0, 1},
                      RecordCase{"level -1", Record(-1), 0, 1},
                      RecordCase{"level 99", Record(99), 0, 5},
                      RecordCase{"every entry INT_MIN", Record(3, INT32_MIN), 0, 3},
                      RecordCase{"longer than a record", Record(2) + "tail", 0, 2}),
    [](const auto& p) { return testing_support::CaseName(p.param.what); });

TEST_F(Startup, EscapeOnTheTitleSavesAndEndsElsewhereOnlyReturns) {
  shell::TForm1 form(FROTHY_FONT_PATH, &clock_);
  form.FormCreate(0, dir_.string(), files_);
  form.Timer1Timer();
  form.FormMouseDown(258, 321);  // level up
  form.Timer1Timer();
  form.FormMouseDown(200, 197);  // start
  form.Timer1Timer();
  ASSERT_EQ(form.G.Scene, game::kPlay);
  form.FormMouseDown(5, 5);  // a press that Escape leaves latched
  EXPECT_FALSE(form.FormKeyDownEscape());
  EXPECT_EQ(form.G.Scene, game::kTitle);
  EXPECT_EQ(form.G.Phase, 0);
  EXPECT_EQ(form.G.Clicked, 1);
  store::Record onDisk = store::FreshRecord();
  store::Load(form.RecordPath(), onDisk);
  EXPECT_EQ(onDisk.Level, 1) << "Escape in play does not save";
  EXPECT_TRUE(form.FormKeyDownEscape());
  store::Load(form.RecordPath(), onDisk);
  EXPECT_EQ(onDisk.Level, 2);
}

TEST_F(Startup, FailedCloseKeepsTheGameAndALaterCloseTriesAgain) {
  shell::TForm1 form(FROTHY_FONT_PATH, &clock_);
  form.FormCreate(0, dir_.string(), files_);
  form.G.RankTable[0][0] = 42;
  fs::remove(dir_ / "b_data.dat");
  fs::create_directory(dir_ / "b_data.dat");
  try {
    form.FormClose();
    FAIL() << "the save did not fail";
  } catch (const store::IoError& e) {
    EXPECT_EQ(e.Code(), 5);
  }
  EXPECT_EQ(form.G.RankTable[0][0], 42);
  fs::remove(dir_ / "b_data.dat");
  form.FormClose();
  store::Record onDisk = store::FreshRecord();
  store::Load(form.RecordPath(), onDisk);
  EXPECT_EQ(onDisk.Ranks[0][0], 42);
}

// A play folder past the system's path limit: every file is opened relative to its folder.
TEST_F(Startup, AFolderLongerThanThePathLimitPlaysAndSaves) {
  std::string folder = dir_.string();
  const std::string step(200, 'd');
  char here[4096];
  ASSERT_NE(::getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(::chdir(dir_.c_str()), 0);
  for (int i = 0; i < 25; ++i) {
    ASSERT_EQ(::mkdir(step.c_str(), 0755), 0);
    ASSERT_EQ(::chdir(step.c_str()), 0);
    folder += "/" + step;
  }
  for (const char* f : {"pic.bmp", "snd1.wav", "snd2.wav", "snd3.wav", "b_data.dat"})
    fs::copy_file(dir_ / f, f);
  ASSERT_EQ(::chdir(here), 0);
  ASSERT_GT(folder.size(), 5000u);
  store::PosixFileLayer files(folder + "/");
  std::string reason;
  EXPECT_EQ(files.LockFolder(reason), shell::LockState::Held) << reason;
  shell::TForm1 form(FROTHY_FONT_PATH, &clock_);
  form.FormCreate(0, folder, files);
  form.G.RankTable[0][0] = 42;
  form.FormClose();
  store::Record onDisk = store::FreshRecord();
  files.LoadRecord(onDisk);
  EXPECT_EQ(onDisk.Ranks[0][0], 42);
}

// The shell on a platform that shows nothing and keeps what the error box would say.
class QuietPlatform final : public shell::Platform {
 public:
  explicit QuietPlatform(shell::FileLayer& files) : files_(files) {}
  shell::FileLayer& Files() override { return files_; }
  std::string FontPath() override { return FROTHY_FONT_PATH; }
  shell::Screen BeginPresent() override { return {}; }
  void ShowError(const std::string& /*title*/, const std::string& text) override {
    errors.push_back(text);
  }
  bool SavesAside() override { return aside; }
  std::vector<std::string> errors;
  bool aside = false;  // saves of the game's own accord in the tick, where a test can see them

 private:
  shell::FileLayer& files_;
};

// A record that is there but cannot be read (too many open files, a read error, no access).
class UnreadableRecord final : public store::PosixFileLayer {
 public:
  using PosixFileLayer::PosixFileLayer;
  void LoadRecord(store::Record& /*record*/) override {
    throw store::IoError(store::kTooManyFiles, store::IoErrorText(store::kTooManyFiles));
  }
};

TEST_F(Startup, ARankedTimeAndANewLevelReachTheRecordWithoutAnEscape) {
  QuietPlatform platform(files_);
  shell::Shell shell(platform, "Frothy", &clock_);
  ASSERT_EQ(shell.StartUp(0, 0, dir_.string()), shell::Shell::Start::Running);
  const auto onDisk = [&] {
    store::Record r = store::FreshRecord();
    store::Load(shell.Form1.RecordPath(), r);
    return r;
  };
  shell.Tick();
  shell.MouseDown(258, 321);  // level up
  shell.Tick();
  EXPECT_EQ(onDisk().Level, 2);
  shell.Form1.G.RankTable[1][0] = 38;  // as the finish enters a time
  shell.Tick();
  EXPECT_EQ(onDisk().Ranks[1][0], 38);
  EXPECT_TRUE(platform.errors.empty());
}

// Saves that wait at a gate until the test opens it, and the levels they wrote, in order.
class GatedSaves final : public store::PosixFileLayer {
 public:
  using PosixFileLayer::PosixFileLayer;
  void SaveRecord(const store::Record& record) override {
    std::unique_lock<std::mutex> lock(mutex_);
    ++arrived_;
    changed_.notify_all();
    // Bounded, so that a tick that waited for its save fails the test instead of hanging it.
    changed_.wait_for(lock, std::chrono::seconds(20), [this] { return open_; });
    PosixFileLayer::SaveRecord(record);
    written_.push_back(record.Level);
  }
  std::vector<std::int32_t> Written() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return written_;
  }
  bool AwaitArrival() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [this] { return arrived_ > 0; });
  }
  void Open() {
    const std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::vector<std::int32_t> written_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int arrived_ = 0;
  bool open_ = false;
};

// A disk slow to flush holds up no tick: the save is written aside, in order, and the
// Escape that ends the game saves after the saves handed aside are on disk.
TEST_F(Startup, ASaveOfTheGamesOwnAccordNeverHoldsUpATick) {
  GatedSaves files(dir_.string() + "/");
  QuietPlatform platform(files);
  platform.aside = true;
  shell::Shell shell(platform, "Frothy", &clock_);
  ASSERT_EQ(shell.StartUp(0, 0, dir_.string()), shell::Shell::Start::Running);
  shell.Tick();
  shell.MouseDown(258, 321);  // level 2: its save stops at the gate, the tick goes on
  shell.Tick();
  ASSERT_TRUE(files.AwaitArrival());
  shell.MouseDown(258, 321);  // level 3, handed over while level 2 is being written
  shell.Tick();
  EXPECT_TRUE(files.Written().empty()) << "a tick waited for its save";
  files.Open();
  shell.Escape();
  EXPECT_TRUE(shell.Ended());
  EXPECT_EQ(files.Written(), (std::vector<std::int32_t>{2, 3, 3}));
  EXPECT_TRUE(platform.errors.empty());
}

TEST_F(Startup, ARecordThatCouldNotBeReadIsNeverReplaced) {
  Spoil("b_data.dat", Record(3, 101));
  UnreadableRecord files(dir_.string() + "/");
  QuietPlatform platform(files);
  shell::Shell shell(platform, "Frothy", &clock_);
  ASSERT_EQ(shell.StartUp(0, 0, dir_.string()), shell::Shell::Start::Running);
  ASSERT_EQ(platform.errors.size(), 1u) << "the failed load is reported";
  shell.Tick();
  shell.MouseDown(258, 321);  // a new level is not saved over it
  shell.Tick();
  shell.Escape();
  EXPECT_FALSE(shell.Ended()) << "the refusal is said, and the game goes on";
  EXPECT_EQ(platform.errors.back(), shell::ErrorBoxText(shell::kRecordKeptText));
  shell.Escape();
  EXPECT_TRUE(shell.Ended()) << "told once, the player can leave";
  std::ifstream in(dir_ / "b_data.dat", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), Record(3, 101));
  for (const int code : {store::kFileMissing, store::kShortFile})
    EXPECT_TRUE(shell::SavingReplacesNothingUnread(code)) << code;
  for (const int code : {store::kAccessDenied, store::kTooManyFiles, 28 /* ENOSPC on a read */})
    EXPECT_FALSE(shell::SavingReplacesNothingUnread(code)) << code;
}

// Step by step, the start-up ends as it does in one call, at the same step and with the same
// report; until its last step the game does not run.
TEST_F(Startup, InStepsTheStartUpEndsAsInOneCall) {
  using Start = shell::Shell::Start;
  struct Case {
    const char* spoilt;  // nullptr: the default data
    const char* contents;
    Start start;
    int calls;  // BeginStartUp and each ContinueStartUp
  };
  for (const Case& c : {Case{nullptr, "", Start::Running, 7},
                        Case{"snd2.wav", "RIFF....WAVEjunk", Start::Failed, 5},
                        Case{"b_data.dat", "short", Start::Running, 7}}) {
    SCOPED_TRACE(c.spoilt ? c.spoilt : "default data");
    if (c.spoilt) Spoil(c.spoilt, c.contents);
    QuietPlatform whole(files_), stepped(files_);
    shell::Shell once(whole, "Frothy", &clock_), inSteps(stepped, "Frothy", &clock_);
    const Start expected = once.StartUp(0, 0, dir_.string());
    int calls = 1;
    std::optional<Start> start = inSteps.BeginStartUp(0, 0, dir_.string());
    while (!start) {
      inSteps.Tick();
      EXPECT_TRUE(inSteps.Form1.G.BackBuffer.Empty()) << "no frame step before the last step";
      start = inSteps.ContinueStartUp();
      ++calls;
    }
    EXPECT_EQ(*start, c.start);
    EXPECT_EQ(expected, c.start);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(stepped.errors, whole.errors);
    EXPECT_EQ(stepped.errors.size(), c.spoilt ? 1u : 0u);
    if (c.spoilt)
      fs::copy_file(fs::path(FROTHY_DATA_DIR) / c.spoilt, dir_ / c.spoilt,
                    fs::copy_options::overwrite_existing);
  }
}

}  // namespace
