#include <algorithm>
#include <cmath>

#include "game/scenes.hpp"

namespace game {

bool BubbleHit(const GameState& g, int i, std::int32_t x, std::int32_t y) {
  if (g.Gone[i] != 0) return false;
  const Extended dx = Extended(x) - g.PosX[i];
  const Extended dy = Extended(y) - g.PosY[i];
  // Integer on the left, strict: a squared distance of exactly r^2 + 1 misses.
  return Extended(WrapAdd(WrapMul(g.Radius[i], g.Radius[i]), 1)) > dx * dx + dy * dy;
}

void MergeStep(GameState& g, const Platform& p) {
  if (g.Phase >= 2 || g.Clicked != 1) return;
  // Also in the banner (Phase 1): the banner's click is consumed here and never counts as the
  // final click, even in the frame in which the banner ends.
  g.Clicked = 0;
  g.HitCount = 0;
  for (int i = 0; i < BubbleCount; ++i) {
    if (g.Gone[i] != 0) continue;
    if (BubbleHit(g, i, g.MouseX, g.MouseY)) g.HitList[g.HitCount++] = i;
  }
  if (g.HitCount <= 1) return;  // empty field or a single bubble: used up, silent, no clock

  p.cues.Play(Cue::Merge);
  if (g.ClockStarted == 0) {
    g.ClockStarted = 1;
    g.ClockStart = p.clock.NowMs();
  }
  g.BubblesLeft -= g.HitCount - 1;
  g.TotalArea = 0;
  for (int k = 0; k < g.HitCount; ++k) g.TotalArea = WrapAdd(g.TotalArea, g.Area[g.HitList[k]]);
  g.MergedRadius = static_cast<std::int32_t>(T(Sqrt(Extended(g.TotalArea)) + 0.5));

  // Area-weighted averages: each term is divided by the total before it is added, and every
  // running sum is stored as a double.
  const auto weighted = [&](const PerSlot<double>& v, double& acc) {
    acc = 0.0;
    for (int k = 0; k < g.HitCount; ++k) {
      const int j = g.HitList[k];
      acc = static_cast<double>(Extended(g.Area[j]) * v[j] / g.TotalArea + acc);
    }
  };
  const int keep = g.HitList[0];  // the lowest slot survives
  weighted(g.PosX, g.AccX);
  weighted(g.PosY, g.AccY);
  g.PosX[keep] = g.AccX;
  g.PosY[keep] = g.AccY;
  weighted(g.VelX, g.AccX);
  weighted(g.VelY, g.AccY);
  g.VelX[keep] = g.AccX;
  g.VelY[keep] = g.AccY;
  g.Radius[keep] = g.MergedRadius;
  g.Area[keep] =
      WrapMul(g.MergedRadius, g.MergedRadius);  // the square of the new radius, not the total
  for (int k = 1; k < g.HitCount; ++k) g.Gone[g.HitList[k]] = 1;
}

bool FirstMergePoint(const GameState& g, std::int32_t& x, std::int32_t& y) {
  for (int i = 0; i < BubbleCount; ++i) {
    for (int j = i + 1; j < BubbleCount; ++j) {
      if (g.Gone[i] != 0 || g.Gone[j] != 0) continue;
      // Only the box where the two circles' boxes meet can hold a point under both.
      const auto lo = [&](const PerSlot<double>& p) {
        return static_cast<int>(std::floor(std::max(p[i] - g.Radius[i], p[j] - g.Radius[j])));
      };
      const auto hi = [&](const PerSlot<double>& p) {
        return static_cast<int>(std::ceil(std::min(p[i] + g.Radius[i], p[j] + g.Radius[j])));
      };
      for (int py = lo(g.PosY); py <= hi(g.PosY); ++py) {
        for (int px = lo(g.PosX); px <= hi(g.PosX); ++px) {
          if (BubbleHit(g, i, px, py) && BubbleHit(g, j, px, py)) {
            // Better the middle of the overlap, on the line between the centres: a click that
            // lands a few ticks late (a test driving a real browser) still finds both there.
            const double dx = g.PosX[j] - g.PosX[i], dy = g.PosY[j] - g.PosY[i];
            const double d = std::hypot(dx, dy);
            const double ri = g.Radius[i], rj = g.Radius[j];
            const double t = d == 0 ? 0 : (std::max(-ri, d - rj) + std::min(ri, d + rj)) / 2 / d;
            const auto mx = static_cast<std::int32_t>(std::lround(g.PosX[i] + t * dx));
            const auto my = static_cast<std::int32_t>(std::lround(g.PosY[i] + t * dy));
            const bool middle = BubbleHit(g, i, mx, my) && BubbleHit(g, j, mx, my);
            x = middle ? mx : px;
            y = middle ? my : py;
            return true;
          }
        }
      }
    }
  }
  return false;
}

}  // namespace game
