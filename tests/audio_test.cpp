// The cues on the real mixer, through SDL's dummy audio driver.
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "audio/media_player.hpp"
#include "support.hpp"

namespace {

std::atomic<int> g_finished{0};
void OnFinished(int /*channel*/) {
  ++g_finished;
}

std::string Data(const char* name) {
  return std::string(FROTHY_DATA_DIR) + "/" + name;
}

// Waits for a condition the mixer's thread makes true, within a generous deadline.
template <typename F>
bool WaitFor(F&& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

class Cues : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ::setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

TEST_F(Cues, SoundingCueCarriesOnAndAFinishedOneStartsAgain) {
  audio::MediaPlayer cue(0);
  cue.Open(Data("snd2.wav"));
  Mix_ChannelFinished(OnFinished);
  g_finished = 0;
  EXPECT_FALSE(cue.Sounding());
  cue.Play();
  EXPECT_TRUE(cue.Sounding());
  cue.Play();  // still sounding: not restarted, so it does not finish early
  EXPECT_EQ(g_finished, 0);
  ASSERT_TRUE(WaitFor([&] { return g_finished == 1; }));
  EXPECT_FALSE(cue.Sounding());
  cue.Play();  // finished: from its beginning
  EXPECT_TRUE(cue.Sounding());
  Mix_ChannelFinished(nullptr);
}

TEST_F(Cues, DifferentCuesSoundTogether) {
  audio::MediaPlayer merge(0), menu(1), pop(2);
  merge.Open(Data("snd1.wav"));
  menu.Open(Data("snd2.wav"));
  pop.Open(Data("snd3.wav"));
  menu.Play();
  merge.Play();
  pop.Play();
  EXPECT_TRUE(menu.Sounding() && merge.Sounding() && pop.Sounding());
}

TEST_F(Cues, OpenFailuresCarryTheLibrarysTextAndThePath) {
  audio::MediaPlayer cue(0);
  try {
    cue.Open(Data("no_such.wav"));
    FAIL();
  } catch (const audio::Error& e) {
    EXPECT_NE(std::string(e.what()).find("no_such.wav"), std::string::npos);
    EXPECT_GT(std::string(e.what()).size(), std::string(Data("no_such.wav")).size() + 2);
  }
  const testing_support::TempDir temp;
  const auto junk = temp.Path() / "junk.wav";
  std::ofstream(junk) << "this is not a wave file at all";
  EXPECT_THROW(cue.Open(junk.string()), audio::Error);
  EXPECT_FALSE(cue.IsOpen());
}

TEST_F(Cues, PlayingACueThatWasNeverOpenedIsAnError) {
  audio::MediaPlayer cue(1);
  try {
    cue.Play();
    FAIL();
  } catch (const audio::Error& e) {
    EXPECT_STREQ(e.what(), "MCI デバイスがありません");
  }
}

// No audio device: the driver cannot start, or it starts and its device cannot be opened
// (the disk driver writing into a folder that does not exist).
struct NoDevice {
  const char* name;
  const char* driver;
};

class NoAudioDevice : public ::testing::TestWithParam<NoDevice> {
 protected:
  void SetUp() override {
    ::setenv("SDL_AUDIODRIVER", GetParam().driver, 1);
    ::setenv("SDL_DISKAUDIOFILE", "/nonexistent/frothy/audio.raw", 1);
  }
  void TearDown() override {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    ::unsetenv("SDL_DISKAUDIOFILE");
  }
};

TEST_P(NoAudioDevice, TheCuesOpenAndPlaySilentlyWithOneLineOnStandardError) {
  ::testing::internal::CaptureStderr();
  {
    audio::MediaPlayer merge(0), menu(1), pop(2);
    merge.Open(Data("snd1.wav"));
    menu.Open(Data("snd2.wav"));
    pop.Open(Data("snd3.wav"));
    EXPECT_TRUE(audio::MediaPlayer::Silent());
    EXPECT_TRUE(merge.IsOpen() && menu.IsOpen() && pop.IsOpen());
    menu.Play();
    merge.Play();
    pop.Play();
    EXPECT_FALSE(menu.Sounding() || merge.Sounding() || pop.Sounding());
  }
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("playing without sound"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_FALSE(audio::MediaPlayer::Silent());
}

TEST_P(NoAudioDevice, AMissingOrDamagedCueIsStillReportedWithTheSameText) {
  const testing_support::TempDir temp;
  const auto junk = temp.Path() / "junk.wav";
  std::ofstream(junk) << "this is not a wave file at all";
  const auto textOf = [](const std::string& path) {
    audio::MediaPlayer cue(0);
    try {
      cue.Open(path);
    } catch (const audio::Error& e) {
      return std::string(e.what());
    }
    return std::string("opened");
  };
  ::testing::internal::CaptureStderr();
  const std::string missingSilent = textOf(Data("no_such.wav"));
  const std::string junkSilent = textOf(junk.string());
  ::testing::internal::GetCapturedStderr();
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_EQ(missingSilent, textOf(Data("no_such.wav")));
  EXPECT_EQ(junkSilent, textOf(junk.string()));
  EXPECT_NE(missingSilent, "opened");
  EXPECT_NE(junkSilent, "opened");
}

INSTANTIATE_TEST_SUITE_P(Ways, NoAudioDevice,
                         ::testing::Values(NoDevice{"DriverMissing", "no_such_driver"},
                                           NoDevice{"DeviceRefused", "disk"}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Cues, WithADeviceTheCuesAreNotSilent) {
  audio::MediaPlayer cue(0);
  cue.Open(Data("snd1.wav"));
  EXPECT_FALSE(audio::MediaPlayer::Silent());
  cue.Play();
  EXPECT_TRUE(cue.Sounding());
}

}  // namespace
