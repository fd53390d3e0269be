// The cues on the real mixer, through SDL's dummy audio driver.
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "audio/media_player.hpp"
#include "audio/wave_check.hpp"
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

// Holds the mixer's device still: while held, no sound advances, so a cue that was sounding
// stays sounding however long the check takes. (SDL's device lock is the one its audio thread
// mixes under, and it may be taken again on the same thread, as the mixer's calls do.)
class HeldMixer {
 public:
  HeldMixer() {
    for (SDL_AudioDeviceID id = 1; id < 16; ++id)
      if (SDL_GetAudioDeviceStatus(id) != SDL_AUDIO_STOPPED) {
        SDL_LockAudioDevice(id);
        held_.push_back(id);
      }
  }
  ~HeldMixer() {
    for (const SDL_AudioDeviceID id : held_) SDL_UnlockAudioDevice(id);
  }
  HeldMixer(const HeldMixer&) = delete;
  HeldMixer& operator=(const HeldMixer&) = delete;
  bool HoldsADevice() const { return !held_.empty(); }

 private:
  std::vector<SDL_AudioDeviceID> held_;
};

class Cues : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ::setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

TEST_F(Cues, SoundingCueCarriesOnAndAFinishedOneStartsAgain) {
  audio::MediaPlayer cue(0);
  cue.Open(Data("snd2.wav"));
  Mix_ChannelFinished(OnFinished);
  g_finished = 0;
  {
    const HeldMixer held;
    ASSERT_TRUE(held.HoldsADevice());
    EXPECT_FALSE(cue.Sounding());
    cue.Play();
    EXPECT_TRUE(cue.Sounding());
    cue.Play();  // still sounding: not restarted, which would have finished it
    EXPECT_EQ(g_finished, 0);
  }
  ASSERT_TRUE(WaitFor([&] { return g_finished == 1; }));
  EXPECT_FALSE(cue.Sounding());
  {
    const HeldMixer held;
    cue.Play();  // finished: from its beginning
    EXPECT_TRUE(cue.Sounding());
  }
  Mix_ChannelFinished(nullptr);
}

TEST_F(Cues, DifferentCuesSoundTogether) {
  audio::MediaPlayer merge(0), menu(1), pop(2);
  merge.Open(Data("snd1.wav"));
  menu.Open(Data("snd2.wav"));
  pop.Open(Data("snd3.wav"));
  const HeldMixer held;
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
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "a device held open wakes for nothing";
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

// A wave file with the given header and `samples` frames of a ramp, as a cue file would hold.
std::string Wave(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                 std::uint32_t samples, std::uint32_t claimedData = 0) {
  const auto le = [](std::uint32_t v, int n) {
    std::string b;
    for (int i = 0; i < n; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF);
    return b;
  };
  const std::uint32_t block = channels * ((bits + 7u) / 8u);
  std::string data;
  for (std::uint32_t i = 0; i < samples * block; ++i) data += static_cast<char>(i * 7);
  const std::string fmt =
      le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * block, 4) + le(block, 2) + le(bits, 2);
  const std::string body =
      "WAVEfmt " + le(16, 4) + fmt + "data" +
      le(claimedData ? claimedData : static_cast<std::uint32_t>(data.size()), 4) + data;
  return "RIFF" + le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

struct WaveCase {
  const char* what;
  std::string bytes;
  const char* says;  // nullptr: the cue opens
};

// Headers the mixer would convert into a buffer whose size wraps in 32 bits (the 1 Hz waves
// once crashed the game before any window), and ones just inside the ranges.
TEST_F(Cues, WaveHeadersAreCheckedBeforeTheMixerConvertsThem) {
  const WaveCase cases[] = {
      {"1 Hz, 8 bits, mono, 6000 samples", Wave(1, 1, 1, 8, 6000), "a sample rate of 1 Hz"},
      {"1 Hz, 16 bits, mono, 6000 samples", Wave(1, 1, 1, 16, 6000), "a sample rate of 1 Hz"},
      {"999 Hz", Wave(1, 1, 999, 8, 100), "a sample rate of 999 Hz"},
      {"10 MHz", Wave(1, 1, 10'000'000, 8, 100), "a sample rate of 10000000 Hz"},
      {"no channels", Wave(1, 0, 8000, 8, 100), "0 channels"},
      {"nine channels", Wave(1, 9, 8000, 8, 100), "9 channels"},
      {"1000 Hz with a data chunk claiming 12 MB", Wave(1, 1, 1000, 8, 100, 12u << 20),
       "to convert"},
      {"a RIFF file that is no wave", std::string("RIFF\x04\0\0\0AVI ", 12), "not a wave file"},
      {"1000 Hz, 8 bits, mono", Wave(1, 1, 1000, 8, 6000), nullptr},
      {"8000 Hz, 8 bits, mono", Wave(1, 1, 8000, 8, 6000), nullptr},
      {"384 kHz, 16 bits, eight channels", Wave(1, 8, 384000, 16, 2000), nullptr},
  };
  const testing_support::TempDir temp;
  for (const WaveCase& c : cases) {
    const auto path = temp.Path() / "cue.wav";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
    audio::MediaPlayer cue(0);
    std::string text = "opened";
    try {
      cue.Open(path.string());
    } catch (const audio::Error& e) {
      text = e.what();
    }
    if (c.says) {
      EXPECT_NE(text.find(c.says), std::string::npos) << c.what << ": " << text;
      EXPECT_EQ(text.rfind(path.string(), 0), 0u) << c.what << ": " << text;
      EXPECT_FALSE(cue.IsOpen());
    } else {
      EXPECT_EQ(text, "opened") << c.what;
    }
  }
}

// The header check's own sum, against the device formats the mixer may be given.
TEST(WaveCheck, ConversionSizeIsSummedIn64Bits) {
  const std::string oneHz = Wave(1, 1, 1, 8, 6000);
  const auto* p = reinterpret_cast<const unsigned char*>(oneHz.data());
  EXPECT_NE(audio::CheckWave(p, oneHz.size(), {}), "");
  const std::string slow = Wave(1, 1, 1000, 8, 100, 4u << 20);  // 4 MB at 1000 Hz
  const auto* q = reinterpret_cast<const unsigned char*>(slow.data());
  EXPECT_NE(audio::CheckWave(q, slow.size(), {44100, 2}), "");
  EXPECT_EQ(audio::CheckWave(q, slow.size(), {1000, 1}), "") << "no stretch, no spread: fits";
}

// Whatever lies in a cue's place, the open answers at once with what is wrong, before it reads
// a byte: a pipe used to hang the game before its window, and a 2 GB sparse file was read whole.
TEST_F(Cues, OnlyAPlainFileOfACuesSizeIsRead) {
  const testing_support::TempDir temp;
  const std::string folder = (temp.Path() / "folder.wav").string();
  const std::string pipe = (temp.Path() / "pipe.wav").string();
  const std::string huge = (temp.Path() / "huge.wav").string();
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  std::ofstream(huge, std::ios::binary) << Wave(1, 2, 44100, 16, 100);
  ASSERT_EQ(::truncate(huge.c_str(), 2LL << 30), 0);  // sparse: no disk is used
  const struct {
    std::string path;
    const char* says;
  } cases[] = {{folder, "a folder"},
               {pipe, "a named pipe"},
               {"/dev/zero", "a device"},
               {huge, "2048.0 MB, far more than"}};
  for (const auto& c : cases) {
    const std::string text = testing_support::InChildWithWatchdog([&] {
      audio::MediaPlayer cue(0);
      try {
        cue.Open(c.path);
      } catch (const audio::Error& e) {
        return std::string(e.what());
      }
      return std::string("opened");
    });
    EXPECT_NE(text.find(c.says), std::string::npos) << c.path << ": " << text;
  }
}

}  // namespace
