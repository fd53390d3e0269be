#pragma once
// The game's only source of chance: a 32-bit linear congruential generator
// (state := state x 134775813 + 1 mod 2^32). Nothing but the spawn draws from it, so a layout
// depends only on the seed and on how many games were started before.
#include <cstdint>

#include "game/extended.hpp"

namespace game {

struct Random {
  std::uint32_t RandomSeed = 0;
};

// Seeds from the milliseconds since midnight, UTC.
void SeedRandom(Random& rng, std::uint32_t msSinceUtcMidnight);
// One step; 0 .. n-1: the high 32 bits of n x state. n > 0.
std::int32_t RandomInt(Random& rng, std::int32_t n);
// One step; state x 2^-32, in [0, 1), exact in extended precision.
Extended RandomReal(Random& rng);

}  // namespace game
