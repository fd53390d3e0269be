// Any bytes as a sound cue: a player may put any file at snd1.wav. The header check runs first,
// then whatever it lets through goes to the mixer exactly as the game hands it over, on SDL's
// dummy driver. A header that makes the mixer write past its buffer (the 1 Hz waves once did)
// shows as an AddressSanitizer report.
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "audio/media_player.hpp"
#include "audio/wave_check.hpp"

namespace {

// A failed check is turned into a crash so that libFuzzer keeps the input.
void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The check alone, against device formats other than the one the game asks for: it must
  // never read outside the input, whatever the chunk lengths say.
  for (const audio::OutputFormat out :
       {audio::OutputFormat{8000, 1}, audio::OutputFormat{192000, 8}})
    (void)audio::CheckWave(data, size, out);

  static audio::MediaPlayer cue(0);  // the device stays open across inputs, as in the game
  try {
    cue.OpenFromMemory(data, size, "snd1.wav");
  } catch (const audio::Error&) {
    Require(!cue.IsOpen());
    return 0;
  }
  Require(cue.IsOpen());
  return 0;
}
