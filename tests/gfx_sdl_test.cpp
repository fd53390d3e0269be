// The raster's SDL glue: bitmap files decoded into images, and the game's face through
// SDL_ttf behind TextOut.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "gfx/bmp.hpp"
#include "gfx/draw.hpp"
#include "gfx/sheet.hpp"
#include "gfx/ttf_text.hpp"
#include "support.hpp"

using gfx::Image;
using gfx::Rgb;

namespace {

gfx::TtfText& Text() {
  static gfx::TtfText text(FROTHY_FONT_PATH);
  return text;
}

Image Filled(int w, int h, Rgb c) {
  Image img(w, h);
  for (auto& p : img.Pixels()) p = c;
  return img;
}

TEST(TextOut, OpaqueCellOfTheRequestedHeight) {
  Image img = Filled(200, 40, 0x00FF00);
  img.Brush.Color = gfx::kBlack;
  img.Font.Color = gfx::kWhite;
  img.Font.Height = 18;
  gfx::TextOut(img, Text(), 10, 5, "Let's final click !");
  const gfx::TextMask& mask = Text().Render("Let's final click !", 18);
  EXPECT_EQ(mask.Height, 18);
  // The face fits the tightest text of the game inside its 120-pixel tile.
  EXPECT_GT(mask.Width, 80);
  EXPECT_LE(mask.Width, 120);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 200; ++x) {
      const bool cell = x >= 10 && x < 10 + mask.Width && y >= 5 && y < 23;
      if (!cell) {
        EXPECT_EQ(img.At(x, y), 0x00FF00u) << x << "," << y;
      } else {
        EXPECT_EQ(img.At(x, y) & 0x00FF00, img.At(x, y) >> 16 << 8) << "grey only in the cell";
      }
    }
  }
  int ink = 0;
  for (gfx::Rgb p : img.Pixels()) ink += p != 0x00FF00 && (p & 0xFF) > 160;
  EXPECT_GT(ink, 60);
}

TEST(TextOut, EveryHeightTheGameUsesFitsItsCell) {
  for (int h : {16, 18, 92}) {
    EXPECT_EQ(Text().Render("Good!", h).Height, h);
    EXPECT_GT(Text().PointSizeFor(h), h / 2);
  }
  EXPECT_LE(Text().Render("Good!", 92).Width, 300);
  // The clock's marks are real glyphs, not boxes of the missing-glyph shape.
  EXPECT_LT(Text().Render("\u2019", 18).Width, Text().Render("M", 18).Width);
}

// A bitmap header, 40-byte info, no palette: width, height, bits, compression, file size.
std::vector<unsigned char> BmpHeader(std::int32_t w, std::int32_t h, int bits, int compression,
                                     std::size_t fileSize) {
  std::vector<unsigned char> b(std::max<std::size_t>(fileSize, 54), 0);
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put(2, static_cast<std::uint32_t>(fileSize), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(w), 4);
  put(22, static_cast<std::uint32_t>(h), 4);
  put(26, 1, 2);
  put(28, static_cast<std::uint32_t>(bits), 2);
  put(30, static_cast<std::uint32_t>(compression), 4);
  return b;
}

TEST(Bmp, DecodesAWholeBitmapAndRefusesImpossibleOnes) {
  auto ok = BmpHeader(2, -2, 24, 0, 54 + 16);  // top-down, two rows of 6 + 2 padding bytes
  const unsigned char pixels[16] = {0x01, 0x02, 0x03, 0xFF, 0xFF, 0xFF, 0, 0,
                                    0x00, 0x00, 0x00, 0x10, 0x20, 0x30, 0, 0};
  std::copy(std::begin(pixels), std::end(pixels), ok.begin() + 54);
  const Image img = gfx::DecodeBmp(ok.data(), ok.size(), "ok.bmp");
  EXPECT_EQ(img.At(0, 0), 0x030201u);
  EXPECT_EQ(img.At(1, 0), gfx::kWhite);
  EXPECT_EQ(img.At(1, 1), 0x302010u);

  // Memory goes by the claimed size, so the claim is bounded by what a sheet can use, whether
  // the pixels are in the file or not: four sheets wide, as tall as the bound allows.
  const int w = 4 * gfx::sheet::kWidth;
  const int h = static_cast<int>(gfx::kMaxBmpPixels / w);
  const auto oneBit = [](int bw, int bh) {
    const std::size_t row = (static_cast<std::size_t>(bw) + 31) / 32 * 4;
    return BmpHeader(bw, bh, 1, 0, 54 + row * static_cast<std::size_t>(bh));
  };
  const auto blankRle = [](int bw, int bh) {  // every row ends at once, then the bitmap
    auto b = BmpHeader(bw, bh, 8, 1, 54 + 2 * static_cast<std::size_t>(bh) + 2);
    b.back() = 1;
    return b;
  };
  const Image largest = gfx::DecodeBmp(oneBit(w, h).data(), oneBit(w, h).size(), "big.bmp");
  EXPECT_EQ(largest.Width(), w);
  EXPECT_EQ(largest.Height(), h);
  // The sheet keeps only the part anything is cut from, pixel for pixel; a smaller one whole.
  const int sw = gfx::sheet::kWidth + 1, sh = gfx::sheet::kHeight + 1;
  const std::size_t row = (static_cast<std::size_t>(sw) * 3 + 3) / 4 * 4;
  auto bytes = BmpHeader(sw, -sh, 24, 0, 54 + row * sh);
  for (std::size_t i = 54; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  const Image whole = gfx::DecodeBmp(bytes.data(), bytes.size(), "big.bmp");
  const Image sheet = gfx::DecodeSheet(std::move(bytes), "big.bmp");
  ASSERT_EQ(sheet.Width(), gfx::sheet::kWidth);
  ASSERT_EQ(sheet.Height(), gfx::sheet::kHeight);
  EXPECT_EQ(gfx::Cut(whole, {0, 0, gfx::sheet::kWidth, gfx::sheet::kHeight}).Pixels(),
            sheet.Pixels());
  EXPECT_EQ(gfx::DecodeSheet(std::vector<unsigned char>(ok), "ok.bmp").Pixels(), img.Pixels());

  const struct {
    const char* what;
    std::vector<unsigned char> bytes;
  } refused[] = {{"claims more than the limit a side", BmpHeader(40000, 1, 24, 0, 60)},
                 {"RLE claiming more than the limit", BmpHeader(16384, 16384, 8, 1, 60)},
                 {"16 KB of RLE claiming 8192 x 8192", blankRle(8192, 8192)},
                 {"8 MB of 1-bit pixels, all there, for 8192 x 8192", oneBit(8192, 8192)},
                 {"one row more than the bound", oneBit(w, h + 1)},
                 {"uncompressed, file ends before its pixels", BmpHeader(600, 418, 24, 0, 5000)},
                 {"not a bitmap", std::vector<unsigned char>(100, 0x42)},
                 {"empty", {}}};
  for (const auto& r : refused) {
    EXPECT_THROW(gfx::DecodeBmp(r.bytes.data(), r.bytes.size(), "x.bmp"), gfx::Error) << r.what;
  }
}

// Whatever lies in the sheet's place, the load answers at once with what is wrong, before it
// reads a byte: a pipe used to hang the game, a folder read as "std::bad_alloc", and a 3 GB file
// was read whole.
TEST(Bmp, OnlyAPlainFileOfASheetsSizeIsRead) {
  const testing_support::TempDir temp;
  const std::string folder = (temp.Path() / "folder.bmp").string();
  const std::string pipe = (temp.Path() / "pipe.bmp").string();
  const std::string huge = (temp.Path() / "huge.bmp").string();
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  {
    auto header = BmpHeader(600, 418, 24, 0, 60);
    std::FILE* f = std::fopen(huge.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(header.data(), 1, header.size(), f);
    std::fclose(f);
    ASSERT_EQ(::truncate(huge.c_str(), 3LL << 30), 0);  // sparse: no disk is used
  }
  const struct {
    std::string path;
    const char* says;
  } cases[] = {{folder, "a folder"},
               {pipe, "a named pipe"},
               {"/dev/zero", "a device"},
               {huge, "3072.0 MB, far more than"},
               {(temp.Path() / "missing.bmp").string(), "No such file"}};
  for (const auto& c : cases) {
    const std::string text = testing_support::InChildWithWatchdog([&] {
      try {
        gfx::LoadBmp(c.path);
      } catch (const gfx::Error& e) {
        return std::string(e.what());
      }
      return std::string("loaded");
    });
    EXPECT_NE(text.find(c.says), std::string::npos) << c.path << ": " << text;
    EXPECT_EQ(text.rfind(c.path, 0), 0u) << "the text names the file: " << text;
  }
}

}  // namespace
