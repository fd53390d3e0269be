// Paints the default sprite sheet "pic.bmp" and the window icon. (First cut: geometry only.)
#include <cstdio>
#include <exception>
#include <string>

#include "gfx/bmp.hpp"
#include "gfx/draw.hpp"
#include "gfx/sheet.hpp"
#include "gfx/ttf_text.hpp"

namespace {

void Box(gfx::Image& img, const gfx::Rect& r, gfx::Rgb c) {
  img.Pen.Color = c;
  img.Brush.Color = c;
  gfx::Image tile(r.W, r.H);
  tile.Pen.Color = c;
  tile.Brush.Color = c;
  gfx::FillRect(tile, 0, 0, r.W, r.H);
  gfx::DrawImage(img, r.X, r.Y, tile);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_art DATADIR GENERATEDDIR\n");
    return 2;
  }
  try {
    gfx::Image sheet(gfx::sheet::kWidth, gfx::sheet::kHeight);
    Box(sheet, {0, 0, 600, 418}, 0x102040);
    Box(sheet, gfx::sheet::StartButton, 0x3060A0);
    Box(sheet, gfx::sheet::StartButtonLit, 0x60A0FF);
    Box(sheet, gfx::sheet::RankingButton, 0x3060A0);
    Box(sheet, gfx::sheet::RankingButtonLit, 0x60A0FF);
    Box(sheet, gfx::sheet::LevelBox, 0x000000);
    Box(sheet, gfx::sheet::ClockPanel, 0x204080);
    gfx::SaveBmp(sheet, std::string(argv[1]) + "/pic.bmp");
    std::FILE* f = std::fopen((std::string(argv[2]) + "/icon_pixels.cpp").c_str(), "w");
    if (!f) throw gfx::Error("cannot write icon_pixels.cpp");
    std::fprintf(f, "#include \"app/icon.hpp\"\nnamespace app {\nconst std::uint32_t kIconPixels[kIconSize * kIconSize] = {\n");
    for (int i = 0; i < 32 * 32; ++i) std::fprintf(f, "0xFF3060A0u,%s", i % 8 == 7 ? "\n" : "");
    std::fprintf(f, "};\n}  // namespace app\n");
    std::fclose(f);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_art: %s\n", e.what());
    return 1;
  }
  return 0;
}
