#include "game/scenes.hpp"

namespace game {

void Timer1Timer(GameState& g, Random& rng, const Platform& p) {
  // Three independent tests, not a choice: a block that moves Scene forward lets the next
  // scene's block run in this same tick.
  // The title and the ranking draw over the field: the next play frame clears it whole.
  if (g.Scene == kTitle) {
    TitleFrame(g, rng, p);
    g.Trace.Valid = false;
  }
  if (g.Scene == kPlay) {
    ClearField(g);
    MergeStep(g, p);  // judged against the positions the player saw in the last frame
    MoveAndDrawBubbles(g);
    ClockAndFinish(g, p);
  }
  if (g.Scene == kRanking) {
    RankingFrame(g, p);
    g.Trace.Valid = false;
  }
}

bool EscapeToTitle(GameState& g) {
  if (g.Scene == kTitle) return true;
  // Only the scene changes: a pending click is handled by the title in the next tick.
  g.Scene = kTitle;
  g.Phase = 0;
  return false;
}

}  // namespace game
