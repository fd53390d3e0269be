#include "audio/media_player.hpp"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <cstdio>
#include <vector>

#include "audio/wave_check.hpp"
#include "store/data_file.hpp"

namespace audio {
namespace {

int g_deviceUsers = 0;
bool g_silent = false;
bool g_muted = false;

// The mixer on the audio driver SDL picks; false, with SDL's reason, when it cannot be opened.
bool OpenMixer(std::string& reason) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    reason = SDL_GetError();
    return false;
  }
  // 1024 frames, 23 ms: the mixer takes a new cue up at most one buffer after it is played,
  // and the sound thread, which wakes once per buffer whether anything plays or not, wakes 43
  // times a second rather than 86: at 512 frames they were a quarter of a running game's CPU
  // time.
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
    reason = Mix_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

void CloseMixer() {
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool OpenDummyMixer(std::string& reason) {
  SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
  const bool opened = OpenMixer(reason);
  SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  return opened;
}

void AcquireDevice() {
  if (g_deviceUsers++ > 0) return;
  // A wave file whose data stops short of what its header promises is damaged: refuse it at
  // start-up rather than play a cut or silent cue.
  SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "strict");
  std::string reason;
  g_silent = !OpenMixer(reason);
  if (g_silent) {
    // No sound device (a remote session, a container, an audio service not started yet) is no
    // reason to refuse the game: it plays silently. The cues are still opened, on SDL's dummy
    // driver, so that a missing or damaged cue file is refused just as with sound.
    std::string dummyReason;
    if (!OpenDummyMixer(dummyReason)) {
      --g_deviceUsers;
      throw Error(reason);
    }
    // The dummy device is opened again only while a cue is checked: held open, its thread
    // would wake once per buffer, 43 times a second, to play nothing.
    CloseMixer();
    std::fprintf(stderr, "frothy: no sound device (%s); playing without sound\n", reason.c_str());
    return;
  }
  Mix_AllocateChannels(MediaPlayer::kChannels);
}

void ReleaseDevice() {
  if (--g_deviceUsers > 0 || g_silent) return;
  CloseMixer();
}

// The mixer a cue is loaded on: the device itself, or with no sound device the dummy one,
// opened for the load and closed after it.
class LoadingMixer {
 public:
  explicit LoadingMixer(const std::string& name) {
    if (!g_silent) return;
    std::string reason;
    if (!OpenDummyMixer(reason)) throw Error(name + ": " + reason);
    dummy_ = true;
  }
  ~LoadingMixer() {
    if (dummy_) CloseMixer();
  }
  LoadingMixer(const LoadingMixer&) = delete;
  LoadingMixer& operator=(const LoadingMixer&) = delete;

 private:
  bool dummy_ = false;
};

}  // namespace

MediaPlayer::MediaPlayer(int channel) : channel_(channel) {}

MediaPlayer::~MediaPlayer() {
  Close();  // before the device it plays on
  if (holdsDevice_) ReleaseDevice();
}

void MediaPlayer::Close() {
  if (chunk_) Mix_HaltChannel(channel_);
  chunk_.reset();
  checkedSilently_ = false;
}

void MediaPlayer::Open(const std::string& path) {
  if (!holdsDevice_) {
    AcquireDevice();
    holdsDevice_ = true;
  }
  std::vector<unsigned char> bytes;
  try {
    bytes = store::ReadDataFile(path, kMaxCueBytes);
  } catch (const store::DataFileError& e) {
    throw Error(e.what());
  }
  OpenFromMemory(bytes.data(), bytes.size(), path);
}

void MediaPlayer::OpenFromMemory(const unsigned char* data, std::size_t size,
                                 const std::string& name) {
  if (!holdsDevice_) {
    AcquireDevice();
    holdsDevice_ = true;
  }
  Close();
  const LoadingMixer mixer(name);
  // The mixer converts to the device's format in buffers it sizes in 32 bits; a header that
  // would wrap that size is refused here rather than crash the game.
  OutputFormat device;
  int rate = 0, channels = 0;
  Uint16 format = 0;
  if (Mix_QuerySpec(&rate, &format, &channels) != 0 && rate > 0 && channels > 0)
    device = OutputFormat{static_cast<std::uint32_t>(rate), static_cast<std::uint32_t>(channels)};
  const std::string wrong = CheckWave(data, size, device);
  if (!wrong.empty()) throw Error(name + ": " + wrong);
  SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
  if (!rw) throw Error(name + ": " + SDL_GetError());
  chunk_.reset(Mix_LoadWAV_RW(rw, 1));
  if (!chunk_) throw Error(name + ": " + Mix_GetError());
  if (chunk_->alen == 0) {
    chunk_.reset();
    throw Error(name + ": the file holds no sound");
  }
  if (g_silent) {
    // Checked; nothing will play it.
    chunk_.reset();
    checkedSilently_ = true;
  }
}

bool MediaPlayer::Sounding() const {
  return chunk_ && Mix_Playing(channel_) != 0;
}

bool MediaPlayer::Silent() {
  return g_deviceUsers > 0 && g_silent;
}

void MediaPlayer::SetMuted(bool muted) {
  g_muted = muted;
}

void MediaPlayer::Play() {
  if (!IsOpen()) throw Error("MCI デバイスがありません");
  if (g_silent || g_muted || Sounding()) return;
  Mix_PlayChannel(channel_, chunk_.get(), 0);  // a refusal (device busy) leaves the game silent
}

}  // namespace audio
