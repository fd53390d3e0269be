#pragma once
// The steps of the frame step, one group per scene. Each works on GameState alone and draws
// into its BackBuffer; none of them returns an error.
#include <cstdint>
#include <string>

#include "game/platform.hpp"
#include "game/random.hpp"
#include "game/state.hpp"

namespace game {

// One tick of the game: the title, play and ranking blocks, each run when Scene has its value
// at the moment the block is reached, so a change to a later scene shows in the same tick.
// The window layer presents BackBuffer afterwards.
void Timer1Timer(GameState& g, Random& rng, const Platform& p);

// Escape's effect on the game: from play or ranking back to the title (Scene and Phase 0,
// nothing else, a pending click kept for the title's next tick), returning false; on the title
// nothing changes and it returns true: the program is to save and end.
bool EscapeToTitle(GameState& g);

// --- Bubble field ---
// Truncation toward zero to 64 bits (values beyond that range saturate, NaN gives 0).
std::int64_t T(Extended v);
// T(Extended(p) + r): a position plus or minus a radius, truncated as above.
std::int64_t TruncatedSum(double p, std::int64_t r);
// Fifty new bubbles for the current Level: four draws per slot.
void SpawnBubbles(GameState& g, Random& rng);
// Field square x 0..398, y 0..398 to black; the pen is left white for the bubbles. Takes away
// only what the trace holds when it is valid; the pixels are the same either way.
void ClearField(GameState& g);
// The same by filling the whole square, whatever the trace: the reference the faster way is
// tested against.
void ClearWholeField(GameState& g);
// Records a block stamped onto the field in this frame, for the next frame's clearing.
void TraceBlock(GameState& g, const gfx::Rect& block);
// Moves bubble i one tick and reflects it at the walls (left, right, top, bottom).
void MoveBubble(GameState& g, int i);
// Every bubble still on the field, in slot order: moved, reflected, drawn.
void MoveAndDrawBubbles(GameState& g);

// --- Merging ---
// Pointer strictly inside the hit circle of radius sqrt(r^2 + 1) of a bubble on the field.
bool BubbleHit(const GameState& g, int i, std::int32_t x, std::int32_t y);
// Consumes a click in Phase 0 or 1 and merges every bubble under it, if two or more.
void MergeStep(GameState& g, const Platform& p);
// For tools, tests and fuzzing, not the game: an integer point that a click would find under
// two or more bubbles, for the first pair (in slot order) that overlaps: the middle of their
// overlap where that point is under both, else its first point by rows, then columns.
bool FirstMergePoint(const GameState& g, std::int32_t& x, std::int32_t& y);

// --- Title ---
bool OverStartButton(std::int32_t x, std::int32_t y);
bool OverRankingButton(std::int32_t x, std::int32_t y);
bool OverLevelDown(std::int32_t x, std::int32_t y);
bool OverLevelUp(std::int32_t x, std::int32_t y);
void TitleFrame(GameState& g, Random& rng, const Platform& p);

// --- Play clock, finish and final click ---
inline constexpr std::int32_t kClockCapMs = 599999;
inline constexpr std::int32_t kBannerMs = 6500;  // the banner stays for more than this
inline constexpr std::int32_t kPauseMs = 4000;   // the empty field stays for more than this
inline constexpr std::int32_t kNotRanked = 11;
void ClockUpdate(GameState& g, const Platform& p);
// Seconds as the clock and the ranking write them: a "0" before any value below 10.
std::string TwoDigitSeconds(std::int32_t seconds);
// Minutes, a right single quotation mark, two-digit seconds, a right double quotation mark.
std::string ClockText(const GameState& g);
// The place 1 to 10 a time takes in a row of ten, or 11; the row is shifted and the time put
// in. A time equal to a stored one goes ahead of it.
std::int32_t EnterRanking(std::array<std::int32_t, 10>& row, std::int32_t time);
// Steps of the play block after the bubbles have moved, each testing Phase afresh.
void ClockAndFinish(GameState& g, const Platform& p);

// --- Ranking ---
// minutes' seconds'' for any entry; only -1 is an empty place (written "-----").
std::string TimeText(GameState& g, std::int32_t entry);
void RankingFrame(GameState& g, const Platform& p);

}  // namespace game
