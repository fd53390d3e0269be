// Any bytes as the sprite sheet: a player may put any file at pic.bmp. Most inputs are refused
// with gfx::Error; whatever decodes is cut and drawn the way the game would draw it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "gfx/bmp.hpp"
#include "gfx/draw.hpp"
#include "gfx/sheet.hpp"

namespace {

// A failed check is turned into a crash so that libFuzzer keeps the input.
void Require(bool ok) {
  if (!ok) std::abort();
}

bool Fits(const gfx::Image& image, const gfx::Rect& region) {
  return image.Width() == region.W && image.Height() == region.H;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gfx::Image sheet;
  try {
    sheet = gfx::DecodeBmp(data, size, "pic.bmp");
  } catch (const gfx::Error&) {
    return 0;
  }
  Require(!sheet.Empty() && sheet.Width() <= gfx::kMaxBmpSide &&
          sheet.Height() <= gfx::kMaxBmpSide);

  // The cuts keep their sizes whatever the sheet's: a small sheet leaves white, a large one
  // is cropped.
  const gfx::Sprites s = gfx::CutSprites(sheet);
  Require(Fits(s.TitleImage, gfx::sheet::TitleImage) &&
          Fits(s.ClockPanel, gfx::sheet::ClockPanel) &&
          Fits(s.StartButtonLit, gfx::sheet::StartButtonLit) &&
          Fits(s.LevelUpArrow, gfx::sheet::LevelUpArrow));
  // Pixels are 0xRRGGBB. Checked on the title's cut, not the whole sheet: a sheet can be
  // 16384 x 16384, and the title is the part the player sees most.
  for (const gfx::Rgb p : s.TitleImage.Pixels()) Require((p >> 24) == 0);

  gfx::Image back(600, 400);
  for (const gfx::Rop mode : {gfx::SRCCOPY, gfx::SRCAND, gfx::SRCPAINT}) {
    back.CopyMode = mode;
    gfx::DrawImage(back, 0, 0, s.TitleImage);
    gfx::DrawImage(back, 163, 189, s.StartButtonLit);
    gfx::DrawImage(back, 560, 390, s.ClockPanel);  // hangs over the right and bottom edges
    gfx::DrawImage(back, -4, -9, s.LevelUpArrow);  // and over the left and top
    // The decoded picture itself, its bottom-right corner on the buffer's: odd sizes end up
    // at odd, often negative, positions.
    gfx::DrawImage(back, back.Width() - sheet.Width(), back.Height() - sheet.Height(), sheet);
  }
  return 0;
}
