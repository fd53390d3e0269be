#pragma once
// One sound cue on the mixer. Each player owns a mixer channel of its own, so different cues
// sound at the same time; the audio device is opened with the first cue and closed with the
// last. Playback runs in the background and is never waited for. With no sound device, no device
// is held: the cues are checked and play nothing.
#include <SDL2/SDL_mixer.h>

#include <cstddef>
#include <stdexcept>
#include <string>

#include "sdl_owned.hpp"

namespace audio {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class MediaPlayer {
 public:
  // `channel` is this cue's own mixer channel, 0 to kChannels - 1.
  explicit MediaPlayer(int channel);
  ~MediaPlayer();
  MediaPlayer(const MediaPlayer&) = delete;
  MediaPlayer& operator=(const MediaPlayer&) = delete;

  // Opens the wave file (and, for the first cue, the audio device). Throws audio::Error with the
  // library's own text when the file cannot be opened. When no audio device can be opened the
  // cues play silently: one line on standard error says so, and the files are still checked.
  // The file must be a plain file of at most kMaxCueBytes whose wave header passes CheckWave;
  // the text of any refusal starts with the path.
  void Open(const std::string& path);
  // The same for a file already in memory; `name` labels the error texts.
  void OpenFromMemory(const unsigned char* data, std::size_t size, const std::string& name);

  // A cue still sounding carries on untouched; one that has finished or never played starts
  // from its beginning. A failure to play is ignored; with no audio device it does nothing.
  // Throws only when the cue was never opened.
  void Play();

  // True while the cues have no audio device and play silently.
  static bool Silent();
  // While muted, every cue's Play is dropped (a page before the browser lets it sound).
  static void SetMuted(bool muted);

  bool IsOpen() const { return chunk_ != nullptr || checkedSilently_; }
  // True while this cue is sounding.
  bool Sounding() const;

  static constexpr int kChannels = 3;

 private:
  // Halts the channel, which may still be reading the chunk, and frees the chunk.
  void Close();

  int channel_;
  sdl::Owned<Mix_Chunk, Mix_FreeChunk> chunk_;
  bool checkedSilently_ = false;  // opened with no sound device: checked, then let go
  bool holdsDevice_ = false;
};

}  // namespace audio
