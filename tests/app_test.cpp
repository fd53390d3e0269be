// The window-free half of the program: the tick schedule, start-up from a data folder, the
// escape and close paths, and the texts of the error box.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "app/form.hpp"
#include "app/main_loop.hpp"
#include "app/scale.hpp"
#include "app/tick_schedule.hpp"
#include "audio/media_player.hpp"
#include "gfx/image.hpp"
#include "store/record.hpp"
#include "support.hpp"

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t P = app::TickSchedule::kPeriodUs;

TEST(TickSchedule, OnTimeTicksFollowTheGrid) {
  app::TickSchedule t(1'000'000);
  EXPECT_FALSE(t.Due(1'000'000 + P - 1));
  EXPECT_EQ(t.WaitMs(1'000'000), 25);
  EXPECT_EQ(t.WaitMs(1'000'000 + P - 1), 1);  // rounded up: never wakes early
  EXPECT_TRUE(t.Due(1'000'000 + P));
  t.Ran(1'000'000 + P + 3'000);  // 3 ms late: the next one keeps its place on the grid
  EXPECT_EQ(t.NextDueUs(), 1'000'000 + 2 * P);
}

TEST(TickSchedule, LateTickRunsOnceAndTheMissedOnesAreDropped) {
  app::TickSchedule t(0);
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
  app::TickSchedule t(now);
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
  app::MonotonicClock clock;
  const std::int32_t a = clock.NowMs();
  const std::int32_t b = clock.NowMs();
  EXPECT_GE(game::MsBetween(a, b), 0);
  EXPECT_LT(game::MsBetween(a, b), 1000);
}

TEST(FormTexts, DataDirTitleAndFullStop) {
  EXPECT_EQ(app::DataDirFor("/home/player/frothy"), "/home/player/frothy/");
  EXPECT_EQ(app::DataDirFor("/"), "/");
  EXPECT_EQ(app::DataDirFor("/srv/games/"), "/srv/games/");
  EXPECT_EQ(app::ApplicationTitle("/usr/games/frothy"), "Frothy");
  EXPECT_EQ(app::ApplicationTitle("C/FROTHY.EXE"), "Frothy");
  EXPECT_EQ(app::ApplicationTitle("my.game.bin"), "My");
  EXPECT_EQ(app::ErrorBoxText("ファイルが見つかりません"), "ファイルが見つかりません.");
  EXPECT_EQ(app::ErrorBoxText("I/O エラー (27)"), "I/O エラー (27)");
  EXPECT_EQ(app::ErrorBoxText("Couldn't open pic.bmp"), "Couldn't open pic.bmp.");
  EXPECT_EQ(app::ErrorBoxText("done."), "done.");
  EXPECT_EQ(app::ErrorBoxText("what!"), "what!");
  EXPECT_EQ(app::ErrorBoxText(""), "");
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
  app::ScaleHints hints{c.gdk, c.qt, c.dpi, c.width, c.height};
  hints.qtScreenScaleFactors = c.qtScreens;
  hints.xftDpi = c.xftDpi;
  hints.displayName = c.display;
  EXPECT_EQ(app::ChooseScale(hints), c.expected);
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
  EXPECT_EQ(app::ToClient(399, -7, 1), std::pair(399, -7));
  EXPECT_EQ(app::ToClient(0, 1, 2), std::pair(0, 0));
  EXPECT_EQ(app::ToClient(1199, 797, 2), std::pair(599, 398));
  EXPECT_EQ(app::ToClient(-1, -2, 2), std::pair(-1, -1));  // left of the window stays outside
  EXPECT_EQ(app::ToClient(-3, 5, 3), std::pair(-1, 1));
  EXPECT_EQ(app::ToClient(INT32_MIN, INT32_MAX, 2), std::pair(INT32_MIN / 2, INT32_MAX / 2));
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
    EXPECT_EQ(app::IsClientAreaMove(c.x, c.y, c.over, c.held), c.reaches)
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
};

TEST_F(Startup, DefaultDataStartsAFreshGame) {
  app::TForm1 form(FROTHY_FONT_PATH, &clock_);
  form.FormCreate(12345, dir_.string());
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
  app::TForm1 form(FROTHY_FONT_PATH, &clock_);
  form.FormCreate(0, dir_.string());
  EXPECT_FALSE(fs::exists(dir_ / "b_data.dat.Xy12Zw"));
  EXPECT_TRUE(fs::exists(dir_ / "b_data.dat.keep"));
}

TEST_F(Startup, MissingSheetStopsBeforeTheCues) {
  fs::remove(dir_ / "pic.bmp");
  app::TForm1 form(FROTHY_FONT_PATH, &clock_);
  EXPECT_THROW(form.FormCreate(0, dir_.string()), gfx::Error);
  EXPECT_FALSE(form.MediaPlayer1.IsOpen());
  EXPECT_TRUE(form.G.BackBuffer.Empty());
}

TEST_F(Startup, BrokenSecondCueStopsThereWithItsPathInTheText) {
  Spoil("snd2.wav", "RIFF....WAVEjunk");
  app::TForm1 form(FROTHY_FONT_PATH, &clock_);
  try {
    form.FormCreate(0, dir_.string());
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
  app::TForm1 form(FROTHY_FONT_PATH, &clock_);
  int code = 0;
  try {
    form.FormCreate(0, dir_.string());
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
  app::TForm1 form(FROTHY_FONT_PATH, &clock_);
  form.FormCreate(0, dir_.string());
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
  app::TForm1 form(FROTHY_FONT_PATH, &clock_);
  form.FormCreate(0, dir_.string());
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

}  // namespace
