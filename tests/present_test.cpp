// The window shows what the frame holds: on SDL's dummy video driver the window's surface is
// read back after each present, at each scale, while the frame changes block by block.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "game/state.hpp"
#include "gfx/draw.hpp"
#include "gfx/image.hpp"
#include "shell/sdl_window.hpp"
#include "support.hpp"

namespace {

using game::kClientHeight;
using game::kClientWidth;

class PresentTest : public ::testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  }
  static void TearDownTestSuite() { SDL_Quit(); }

  // Where the surface differs from the frame's visible rows, scaled; empty when it does not.
  static std::string Mismatch(shell::SdlWindow& w, const gfx::Image& frame, int scale) {
    SDL_Surface* s = SDL_GetWindowSurface(w.Handle());
    if (!s) return SDL_GetError();
    if (s->format->format != SDL_PIXELFORMAT_RGB888) return "unexpected surface format";
    if (s->w != kClientWidth * scale || s->h != kClientHeight * scale) return "surface size";
    for (int y = 0; y < s->h; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(
          static_cast<const std::uint8_t*>(s->pixels) + std::ptrdiff_t{y} * s->pitch);
      for (int x = 0; x < s->w; ++x)
        if ((row[x] & 0xFFFFFF) != frame.At(x / scale, y / scale))
          return "window pixel " + std::to_string(x) + "," + std::to_string(y);
    }
    return "";
  }
};

TEST_P(PresentTest, TheWindowShowsEveryChangeAndOnlyTheVisibleRows) {
  const int scale = GetParam();
  shell::SdlWindow window("present", scale);
  gfx::Image frame(kClientWidth, kClientHeight + 1);
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) frame.Row(y)[x] = (0x10305u * (x ^ y)) & 0xFFFFFF;
  window.Present(frame);  // a new frame counts whole
  EXPECT_EQ(Mismatch(window, frame, scale), "");
  EXPECT_FALSE(frame.WhollyDamaged());
  EXPECT_TRUE(frame.Damaged().empty());

  // A play frame's kind of drawing: the field, outlines, a panel, a block reaching the hidden row.
  frame.Pen.Color = frame.Brush.Color = gfx::kBlack;
  gfx::FillRect(frame, 0, 0, 399, 399);
  frame.Pen.Color = gfx::kWhite;
  gfx::Arc(frame, 100, 120, 134, 154, 100, 120, 100, 120);
  gfx::Arc(frame, -10, 380, 20, 410, -10, 380, -10, 380);
  gfx::DrawImage(frame, 450, 390, gfx::Image(80, 19));
  window.Present(frame);
  EXPECT_EQ(Mismatch(window, frame, scale), "");

  // Blocks drawn again with the same pixels change nothing on screen.
  frame.Pen.Color = gfx::kWhite;
  gfx::Arc(frame, 100, 120, 134, 154, 100, 120, 100, 120);
  window.Present(frame);
  EXPECT_EQ(Mismatch(window, frame, scale), "");

  // Pixels written past the drawing operations show once their writer records them.
  frame.Row(5)[7] = 0x123456;
  frame.Damage(7, 5, 8, 6);
  window.Present(frame);
  EXPECT_EQ(Mismatch(window, frame, scale), "");
}

INSTANTIATE_TEST_SUITE_P(Scales, PresentTest, ::testing::Values(1, 2, 3),
                         [](const auto& p) { return testing_support::CaseName("scale", p.param); });

}  // namespace
