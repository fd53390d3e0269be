#pragma once
// The seam between the portable game and a platform: what every platform (the Linux desktop in
// linux/, the browser in web/, Windows in windows/) provides, and what the shell (shell/) does
// with it. docs/platforms.md says the same for someone adding a platform.
//
// The shell owns: the start-up order, the handlers and what they do, the 25 ms tick grid (one
// frame step per due grid point, missed points dropped), the damage compare (which blocks of the
// frame changed since the screen last got them), the error-box text rule and when the record is
// saved. A platform owns: its window or page, its events, its clock, the file layer for the play
// folder, the error box and what ending means there. It feeds its events to shell::Shell and
// calls Shell::Tick when Shell::NextTickUs comes; it never steps the game or saves by itself.
//
// Cues and text come from SDL_mixer and SDL_ttf (audio/, gfx/sdl/), which every platform has.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/image.hpp"
#include "shell/lock_state.hpp"
#include "store/record.hpp"

namespace shell {

// The play folder's files. Every failure is thrown: store::DataFileError for the data files
// (its text names the file), store::IoError for the record (its code chooses the text).
class FileLayer {
 public:
  virtual ~FileLayer() = default;

  // Taken before anything else is read, held until the layer goes. `reason` says why a lock is
  // Unsupported.
  virtual LockState LockFolder(std::string& reason) = 0;
  // Removes what saves cut short by a kill or a power loss left behind.
  virtual void RemoveStaleTemporaries() {}
  // The whole data file `name` ("pic.bmp", "snd1.wav"), refused when it is not a plain file or
  // is larger than `maxBytes`.
  virtual std::vector<unsigned char> ReadDataFile(const std::string& name,
                                                  std::uintmax_t maxBytes) = 0;
  // The record's first 204 bytes into `record` (a short record overlays what it has, then
  // throws code 100).
  virtual void LoadRecord(store::Record& record) = 0;
  // Replaces the record whole, so that a failure or a kill at any moment leaves the former one
  // or the new one.
  virtual void SaveRecord(const store::Record& record) = 0;
};

// The client area as the platform keeps it for the present: client pixel (x, y) is
// pixels[y * pitch + x], in 0xRRGGBB. The shell compares the frame with it and writes into it
// only what changed.
struct Screen {
  gfx::Rgb* pixels = nullptr;
  std::ptrdiff_t pitch = 0;  // in pixels
  bool fresh = false;        // holds nothing of an earlier frame: every block is shown
};

// Microseconds of std::chrono::steady_clock: the clock of a platform that has no other.
inline std::int64_t SteadyNowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A platform. The methods with bodies are what most platforms do; override what differs.
class Platform {
 public:
  virtual ~Platform() = default;

  // Microseconds of a monotonic clock: the tick grid and, in milliseconds, the game's NowMs.
  virtual std::int64_t NowUs() { return SteadyNowUs(); }
  virtual FileLayer& Files() = 0;
  // The TrueType face every text of the game is drawn in.
  virtual std::string FontPath() = 0;

  // Where the next frame's changed blocks go; nullptr pixels skip the present.
  virtual Screen BeginPresent() = 0;
  // The blocks (client pixels) that changed in the Screen, to be put on view.
  virtual void ShowBlocks(const std::vector<gfx::Rect>& /*blocks*/) {}

  // The modal error box, with the box's text already made (ErrorBoxText).
  virtual void ShowError(const std::string& title, const std::string& text) = 0;
  // After each save the shell tried: whether it reached the record (a page shows it).
  virtual void Saved(bool /*ok*/) {}
  // Whether the saves of the game's own accord may be made on a thread of their own, beside
  // the ticks (RecordSaver); a platform without threads saves in the tick, after its present.
  virtual bool SavesAside() { return true; }
  // The game has ended (Escape on the title, a close, the end of the session).
  virtual void Ended() {}
};

}  // namespace shell
