#pragma once
// Test doubles for the game's outside world, and a game state ready for frame steps.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "game/platform.hpp"
#include "game/random.hpp"
#include "game/scenes.hpp"
#include "game/state.hpp"
#include "gfx/sheet.hpp"
#include "gfx/text.hpp"

namespace testing_support {

class FakeClock final : public game::Clock {
 public:
  std::int32_t NowMs() override { return now; }
  void Advance(std::int32_t ms) {
    now =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + static_cast<std::uint32_t>(ms));
  }
  std::int32_t now = 1000;
};

class RecordingCues final : public game::Cues {
 public:
  void Play(game::Cue cue) override { played.push_back(cue); }
  std::vector<game::Cue> played;
};

// A text rasteriser of plain C++, so that the game's tests link no SDL: every byte of the text
// is a cell of its own width with a fixed pattern of full, partial and empty coverage, which
// makes a misplaced or mis-combined glyph pixel show as surely as the real face would.
class FakeText final : public gfx::TextRasterizer {
 public:
  const gfx::TextMask& Render(std::string_view utf8, int cellHeight) override;

 private:
  gfx::TextMask mask_;
};

// One rasteriser for the whole test binary.
FakeText& Text();

// A 600 x 418 sheet in which every pixel has its own value, so a cut from the wrong place shows.
gfx::Image PatternSheet();

// Everything the frame step needs: sprites from the pattern sheet, a back buffer, a fresh
// record at `level`, the fakes, and a generator seeded with `seed`.
struct Rig {
  explicit Rig(std::int32_t level = 1, std::uint32_t seed = 0);
  void Tick() { game::Timer1Timer(g, rng, platform); }
  void ClickAt(std::int32_t x, std::int32_t y) {
    g.MouseX = x;
    g.MouseY = y;
    g.Clicked = 1;
  }
  // Ticks at 25 ms of the fake clock each.
  void Run(int ticks) {
    for (int i = 0; i < ticks; ++i) {
      clock.Advance(25);
      Tick();
    }
  }

  game::GameState g;
  game::Random rng;
  FakeClock clock;
  RecordingCues cues;
  game::Platform platform{clock, cues, Text()};
};

// A folder of the test's own under the system's temporary folder: mkdtemp picks a name nobody
// else holds, and the folder goes with everything in it (read-only corners included) when the
// object does.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Runs `fn` in a child process and returns the text it returned, or a note that it did not
// come back: a watchdog of `seconds` ends a child that waits for ever (a read from a pipe
// nobody writes to), so such a fault fails the test instead of hanging the suite.
std::string InChildWithWatchdog(const std::function<std::string()>& fn, unsigned seconds = 20);

// A parameterised case's name, the same for GoogleTest and ctest in every build: the parts
// written one after another, each run of characters a test name may not hold made one '_', a
// plus sign "plus" and a minus sign before a number "minus" (CaseName("at", -2, 1) is
// "at_minus2_1").
std::string NameFromWords(std::string_view words);
template <typename... Parts>
std::string CaseName(const Parts&... parts) {
  std::ostringstream words;
  ((words << parts << ' '), ...);
  return NameFromWords(words.str());
}

// Whether the image shows with its top-left corner at (x, y) of `back`, pixel for pixel.
bool Shows(const gfx::Image& back, int x, int y, const gfx::Image& img);

}  // namespace testing_support
