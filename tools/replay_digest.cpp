// Plays a fixed set of games without a window and prints one line per game: its level, the ticks
// and merges it took and a digest of every position and velocity after every tick. Built twice,
// once on the hardware's extended precision and once on the software one the browser build
// uses; the two must print the same lines (tests/CMakeLists.txt compares them).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "game/platform.hpp"
#include "game/random.hpp"
#include "game/scenes.hpp"
#include "game/state.hpp"
#include "gfx/text.hpp"

namespace {

class StillClock final : public game::Clock {
 public:
  std::int32_t NowMs() override { return 0; }
};

class NoCues final : public game::Cues {
 public:
  void Play(game::Cue) override {}
};

// Nothing here draws text.
class NoText final : public gfx::TextRasterizer {
 public:
  const gfx::TextMask& Render(std::string_view, int) override { return mask_; }

 private:
  gfx::TextMask mask_;
};

// FNV-1a over the bits of the doubles.
class Digest {
 public:
  void Add(const game::PerSlot<double>& values) {
    for (const double v : values) {
      std::uint64_t bits = 0;
      std::memcpy(&bits, &v, sizeof bits);
      for (int i = 0; i < 8; ++i) {
        hash_ = (hash_ ^ ((bits >> (8 * i)) & 0xFF)) * 0x100000001B3u;
      }
    }
  }
  std::uint64_t Value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xCBF29CE484222325u;
};

}  // namespace

int main() {
  StillClock clock;
  NoCues cues;
  NoText text;
  const game::Platform platform{clock, cues, text};
  constexpr int kGames = 30;
  constexpr int kMaxTicks = 4000;
  for (int n = 0; n < kGames; ++n) {
    game::GameState g;
    game::Random rng;
    game::SeedRandom(rng, 7919u * static_cast<std::uint32_t>(n + 1));
    g.Level = 1 + n % 5;
    g.Scene = game::kPlay;
    g.Phase = 0;
    g.BubblesLeft = game::BubbleCount;
    game::SpawnBubbles(g, rng);
    Digest digest;
    int ticks = 0;
    int merges = 0;
    // Every third tick a click a little off the centre of the next bubble still on the field,
    // so that clicks land on one bubble, on several and beside them.
    for (; ticks < kMaxTicks && g.BubblesLeft > 1; ++ticks) {
      if (ticks % 3 == 0) {
        const int first = (ticks / 3) % game::BubbleCount;
        for (int k = 0; k < game::BubbleCount; ++k) {
          const int i = (first + k) % game::BubbleCount;
          if (g.Gone[i] != 0) continue;
          g.MouseX = static_cast<std::int32_t>(g.PosX[i]) + 3;
          g.MouseY = static_cast<std::int32_t>(g.PosY[i]) - 2;
          g.Clicked = 1;
          break;
        }
      }
      const int left = g.BubblesLeft;
      game::MergeStep(g, platform);
      merges += g.BubblesLeft != left ? 1 : 0;
      for (int i = 0; i < game::BubbleCount; ++i) {
        if (g.Gone[i] == 0) game::MoveBubble(g, i);
      }
      digest.Add(g.PosX);
      digest.Add(g.PosY);
      digest.Add(g.VelX);
      digest.Add(g.VelY);
    }
    std::printf("game %2d level %d ticks %4d merges %2d left %2d digest %016llx\n", n + 1, g.Level,
                ticks, merges, g.BubblesLeft, static_cast<unsigned long long>(digest.Value()));
  }
  return 0;
}
