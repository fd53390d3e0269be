#include "game/random.hpp"

namespace game {
namespace {

std::uint32_t Step(Random& rng) {
  rng.RandomSeed = rng.RandomSeed * 134775813u + 1u;  // unsigned: wraps modulo 2^32
  return rng.RandomSeed;
}

}  // namespace

void SeedRandom(Random& rng, std::uint32_t msSinceUtcMidnight) {
  rng.RandomSeed = msSinceUtcMidnight;
}

std::int32_t RandomInt(Random& rng, std::int32_t n) {
  const std::uint64_t product = std::uint64_t{static_cast<std::uint32_t>(n)} * Step(rng);
  return static_cast<std::int32_t>(product >> 32);
}

Extended RandomReal(Random& rng) {
  return Extended(Step(rng)) * 0x1p-32;
}

}  // namespace game
