#pragma once
// What the game needs from the world outside: a millisecond clock, three sound cues and a text
// rasteriser. The window layer provides the real ones; tests provide their own.
#include <cstdint>

#include "gfx/text.hpp"

namespace game {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds as a signed 32-bit count that wraps; only differences are meaningful.
  virtual std::int32_t NowMs() = 0;
};

// Differences of two NowMs readings, taken modulo 2^32 so that they survive the wrap.
constexpr std::int32_t MsBetween(std::int32_t earlier, std::int32_t later) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(later) -
                                   static_cast<std::uint32_t>(earlier));
}

// The game's 32-bit integers wrap on overflow, as they always have; the sums and products are
// taken unsigned so that no value is undefined.
constexpr std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t WrapMul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

enum class Cue {
  Merge = 1,  // "snd1.wav": two or more bubbles merged
  Menu = 2,   // "snd2.wav": the start or the ranking button
  Pop = 3,    // "snd3.wav": the final click popped the last bubble
};

class Cues {
 public:
  virtual ~Cues() = default;
  virtual void Play(Cue cue) = 0;
};

struct Platform {
  Clock& clock;
  Cues& cues;
  gfx::TextRasterizer& text;
};

}  // namespace game
