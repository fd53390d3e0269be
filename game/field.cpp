#include <algorithm>
#include <cmath>
#include <limits>

#include "game/scenes.hpp"
#include "gfx/draw.hpp"

// Positions and velocities are computed in extended precision (64-bit mantissa, see
// game/extended.hpp) and rounded to double only where they are stored.
namespace game {
namespace {

// Pi rounded to the 64-bit mantissa: 0xC90FDAA22168C235 x 2^-62, exactly.
const Extended kPi = Extended(std::uint64_t{0xC90FDAA22168C235}) * 0x1p-62;
// Twice the line the right and bottom walls mirror about, before the radius is taken off.
const Extended kMirror = Extended(2 * kFieldSize);

std::int32_t Low32(std::int64_t v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

}  // namespace

std::int64_t T(Extended v) {
  const Extended kLimit = 0x1p63;
  if (IsNan(v)) return 0;
  if (v >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (v <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(v);
}

std::int64_t TruncatedSum(double p, std::int64_t r) {
  // The wall and box tests run eight times per bubble per tick, so the usual case is done on
  // the double and the integer alone, where that is provably the same. With 1 <= |p| < 2^52
  // and |r| <= 2^10, p lies a whole multiple of its own spacing 2^(e-52) away from any integer
  // (e = p's exponent, e >= 0) and the sum's exponent is at most e + 11, so rounding the sum to
  // 64 bits moves it by at most 2^(e+11-64), less than that distance: it never reaches or
  // passes an integer, and truncating the rounded sum is truncating the exact one.
  constexpr std::int64_t kSmallR = 1 << 10;
  const double m = std::fabs(p);
  if (m >= 1.0 && m < 0x1p52 && r >= -kSmallR && r <= kSmallR) {
    return p >= -static_cast<double>(r) ? static_cast<std::int64_t>(std::floor(p)) + r
                                        : static_cast<std::int64_t>(std::ceil(p)) + r;
  }
  return T(Extended(p) + r);
}

void SpawnBubbles(GameState& g, Random& rng) {
  for (int i = 0; i < BubbleCount; ++i) {
    g.Gone[i] = 0;
    const std::int32_t r = RandomInt(rng, 5) + 14;
    g.Radius[i] = r;
    g.Area[i] = r * r;
    g.SpawnAngle = static_cast<double>(RandomReal(rng) * 2 * kPi);
    const Extended angle = g.SpawnAngle;
    g.AccX = static_cast<double>(Cos(angle) * 15 * g.Level / r);
    g.AccY = static_cast<double>(Sin(angle) * 15 * g.Level / r);
    g.VelX[i] = g.AccX;
    g.VelY[i] = g.AccY;
    const std::int32_t span = kFieldSize - 1 - 2 * r;
    g.PosX[i] = static_cast<double>(RandomReal(rng) * span + r);
    g.PosY[i] = static_cast<double>(RandomReal(rng) * span + r);
  }
}

void ClearWholeField(GameState& g) {
  g.BackBuffer.Pen.Color = gfx::kBlack;
  g.BackBuffer.Brush.Color = gfx::kBlack;
  gfx::FillRect(g.BackBuffer, 0, 0, kFieldSize, kFieldSize);
  g.BackBuffer.Pen.Color = gfx::kWhite;
  g.Trace = FieldTrace{.Valid = true};
}

void ClearField(GameState& g) {
  if (!g.Trace.Valid) {
    ClearWholeField(g);
    return;
  }
  // The field is black but for last frame's outlines and stamps: drawing the same outlines in
  // black, clipped to the field as the clearing is, and filling the stamps' blocks black leaves
  // what the whole fill would, at a few per cent of its cost.
  gfx::Image& back = g.BackBuffer;
  back.Pen.Color = gfx::kBlack;
  back.Brush.Color = gfx::kBlack;
  constexpr gfx::Rect kField{0, 0, kFieldSize, kFieldSize};
  for (int k = 0; k < g.Trace.Outlines; ++k) {
    const FieldTrace::Box& b = g.Trace.Outline[k];
    gfx::EllipseIn(back, kField, b.X1, b.Y1, b.X2, b.Y2);
  }
  for (int k = 0; k < g.Trace.Blocks; ++k) {
    const gfx::Rect& r = g.Trace.Block[k];
    const int x1 = std::max(r.X, 0), y1 = std::max(r.Y, 0);
    const int x2 = std::min(r.X + r.W, kFieldSize), y2 = std::min(r.Y + r.H, kFieldSize);
    if (x1 < x2 && y1 < y2) gfx::FillRect(back, x1, y1, x2, y2);
  }
  back.Pen.Color = gfx::kWhite;
  g.Trace = FieldTrace{.Valid = true};
}

void TraceBlock(GameState& g, const gfx::Rect& block) {
  if (g.Trace.Blocks < static_cast<int>(g.Trace.Block.size())) {
    g.Trace.Block[g.Trace.Blocks++] = block;
  } else {
    g.Trace.Valid = false;  // more than the banner ever stamps: clear the whole field next time
  }
}

void MoveBubble(GameState& g, int i) {
  const std::int32_t r = g.Radius[i];
  const Extended r2 = 2 * Extended(r);
  g.PosX[i] = static_cast<double>(Extended(g.PosX[i]) + g.VelX[i]);
  g.PosY[i] = static_cast<double>(Extended(g.PosY[i]) + g.VelY[i]);
  // Each wall is tested once, on the position the previous test left; the mirror is about
  // r + 0.5 at the left and top and about 399 - r at the right and bottom, and the velocity
  // component flips whichever way it pointed.
  if (TruncatedSum(g.PosX[i], -std::int64_t{r}) <= 0) {
    g.PosX[i] = static_cast<double>(r2 + 1 - g.PosX[i]);
    g.VelX[i] = -g.VelX[i];
  }
  // The right wall tests the truncated centre plus the radius.
  if (T(g.PosX[i]) + r > kFieldSize) {
    g.PosX[i] = static_cast<double>(kMirror - g.PosX[i] - r2);
    g.VelX[i] = -g.VelX[i];
  }
  if (TruncatedSum(g.PosY[i], -std::int64_t{r}) <= 0) {
    g.PosY[i] = static_cast<double>(r2 + 1 - g.PosY[i]);
    g.VelY[i] = -g.VelY[i];
  }
  // The bottom wall truncates the bubble's lower edge itself.
  if (TruncatedSum(g.PosY[i], r) > kFieldSize) {
    g.PosY[i] = static_cast<double>(kMirror - g.PosY[i] - r2);
    g.VelY[i] = -g.VelY[i];
  }
}

void MoveAndDrawBubbles(GameState& g) {
  for (int i = 0; i < BubbleCount; ++i) {
    if (g.Gone[i] != 0) continue;
    MoveBubble(g, i);
    const std::int32_t r = g.Radius[i];
    const std::int32_t x1 = Low32(TruncatedSum(g.PosX[i], -std::int64_t{r}));
    const std::int32_t y1 = Low32(TruncatedSum(g.PosY[i], -std::int64_t{r}));
    const std::int32_t x2 = Low32(TruncatedSum(g.PosX[i], r));
    const std::int32_t y2 = Low32(TruncatedSum(g.PosY[i], r));
    gfx::Arc(g.BackBuffer, x1, y1, x2, y2, x1, y1, x1, y1);  // both rays at one corner: whole
    g.Trace.Outline[g.Trace.Outlines++] = {x1, y1, x2, y2};
  }
}

}  // namespace game
