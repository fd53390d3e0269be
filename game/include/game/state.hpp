#pragma once
// The whole game is this one record of plain state and the frame step that works on it.
// Integers are signed 32-bit; positions and velocities are doubles in field pixels (the field
// and the window's client area share one origin at the top left, y downward).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "gfx/image.hpp"
#include "gfx/sheet.hpp"
#include "store/record.hpp"

namespace game {

inline constexpr int BubbleCount = 50;

// The frame every scene draws into, and the part of it the window shows: its last row never
// shows.
inline constexpr int kFrameWidth = 600;
inline constexpr int kFrameHeight = 400;
inline constexpr int kClientWidth = kFrameWidth;
inline constexpr int kClientHeight = kFrameHeight - 1;
// The play field: pixels 0 to kFieldSize - 1 on both axes, at the frame's top left.
inline constexpr int kFieldSize = 399;
// Speed levels 1 to kLevels, one row of the ranking each.
inline constexpr std::int32_t kLevels = store::kLevels;

// Scenes and what Phase means in each.
inline constexpr std::int32_t kTitle = 0;    // Phase 0 entering, 1 shown
inline constexpr std::int32_t kPlay = 1;     // Phase 0 playing, 1 banner, 2 final click, 3 pause
inline constexpr std::int32_t kRanking = 2;  // Phase 0 entering, 1 shown

// Place labels, indexed 1 to 10 (entry 0 is unused).
inline constexpr std::array<std::string_view, 11> RankLabels{
    "", "1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th", "9th", "10th"};

template <typename T>
using PerSlot = std::array<T, BubbleCount>;

// What the last play frame drew on the field besides its black, so that the next one can take
// exactly that away instead of clearing the whole square. Valid only while nothing else has
// drawn there since; every other scene's frame makes it invalid.
struct FieldTrace {
  struct Box {
    std::int32_t X1, Y1, X2, Y2;
  };
  bool Valid = false;
  int Outlines = 0;  // the bubbles' boxes as drawn
  PerSlot<Box> Outline{};
  int Blocks = 0;  // the banner's stamps
  std::array<gfx::Rect, 3> Block{};
};

struct GameState {
  std::int32_t HitCount = 0;
  std::int32_t MouseX = 0;  // pointer in client pixels, not clamped to the window
  std::int32_t MouseY = 0;
  std::int32_t Clicked = 0;  // 1 while a button press waits for the next frame step
  std::int32_t MergedRadius = 0;
  std::int32_t TotalArea = 0;
  std::int32_t Scene = kTitle;
  std::int32_t Phase = 0;
  std::int32_t BubblesLeft = 0;
  std::int32_t ClockStarted = 0;
  std::int32_t ClockStart = 0;  // NowMs at the first merge
  std::int32_t ElapsedMs = 0;   // capped at 599999
  std::int32_t ClockMinutes = 0;
  std::int32_t ClockSeconds = 0;
  std::int32_t FinishTime = 0;  // minutes x 100 + seconds
  std::int32_t PhaseStart = 0;  // NowMs when the banner, and later the pause, began
  std::int32_t RankPos = 0;     // 1 to 10, or 11 when the time did not rank
  double SpawnAngle = 0.0;
  double AccX = 0.0;
  double AccY = 0.0;
  PerSlot<std::int32_t> Radius{};
  PerSlot<std::int32_t> Area{};  // always Radius squared
  PerSlot<std::int32_t> Gone{};
  PerSlot<std::int32_t> HitList{};
  PerSlot<double> PosX{};
  PerSlot<double> PosY{};
  PerSlot<double> VelX{};  // pixels per tick
  PerSlot<double> VelY{};
  std::string DataDir;  // ends with '/'
  std::string SecondsText;
  gfx::Image BackBuffer;  // kFrameWidth x kFrameHeight
  FieldTrace Trace;
  gfx::Sprites Sprites;
  store::RankTable RankTable{};  // [level - 1][place - 1]
  std::int32_t Level = 0;        // 1 to kLevels
};

}  // namespace game
