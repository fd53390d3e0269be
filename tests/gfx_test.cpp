// The software raster: copy-mode arithmetic, clipping, the rectangle, the ellipse outline,
// masked text, and the sheet cuts. Text comes from the tests' own rasteriser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gfx/draw.hpp"
#include "gfx/masked_text.hpp"
#include "gfx/sheet.hpp"
#include "support.hpp"

using gfx::Image;
using gfx::Rgb;
using testing_support::Text;

namespace {

Image Filled(int w, int h, Rgb c) {
  Image img(w, h);
  for (auto& p : img.Pixels()) p = c;
  return img;
}

int CountOf(const Image& img, Rgb c) {
  int n = 0;
  for (Rgb p : img.Pixels()) n += p == c;
  return n;
}

std::string Hex(Rgb c) {
  char text[8];
  std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(c));
  return text;
}

struct RopCase {
  gfx::Rop mode;
  Rgb src, dst, expected;
};

class CopyModeTest : public ::testing::TestWithParam<RopCase> {};

TEST_P(CopyModeTest, CombinesBitByBit) {
  const RopCase c = GetParam();
  Image dst = Filled(3, 2, c.dst);
  dst.CopyMode = c.mode;
  gfx::DrawImage(dst, 0, 0, Filled(3, 2, c.src));
  EXPECT_EQ(CountOf(dst, c.expected), 6) << std::hex << c.src << " onto " << c.dst;
}

INSTANTIATE_TEST_SUITE_P(TruthTable, CopyModeTest,
                         ::testing::Values(RopCase{gfx::SRCCOPY, 0x123456, 0xABCDEF, 0x123456},
                                           RopCase{gfx::SRCCOPY, 0x000000, 0xFFFFFF, 0x000000},
                                           // AND: white leaves the destination, black blackens it,
                                           // mixed bits combine per bit.
                                           RopCase{gfx::SRCAND, 0xFFFFFF, 0x3A6EA5, 0x3A6EA5},
                                           RopCase{gfx::SRCAND, 0x000000, 0x3A6EA5, 0x000000},
                                           RopCase{gfx::SRCAND, 0xF0F00F, 0x3C3C3C, 0x30300C},
                                           // OR: black leaves the destination, white whitens it.
                                           RopCase{gfx::SRCPAINT, 0x000000, 0x3A6EA5, 0x3A6EA5},
                                           RopCase{gfx::SRCPAINT, 0xFFFFFF, 0x3A6EA5, 0xFFFFFF},
                                           RopCase{gfx::SRCPAINT, 0xF0000F, 0x0C0C0C, 0xFC0C0F}),
                         [](const auto& p) {
                           const RopCase& c = p.param;
                           const char* mode = c.mode == gfx::SRCCOPY  ? "SRCCOPY"
                                              : c.mode == gfx::SRCAND ? "SRCAND"
                                                                      : "SRCPAINT";
                           return testing_support::CaseName(mode, Hex(c.src), "onto", Hex(c.dst));
                         });

// Where a 4 x 4 source lands on an 8 x 6 destination, for placements over every edge.
struct ClipCase {
  int x, y;
  int expectedPixels;
};

class ClipTest : public ::testing::TestWithParam<ClipCase> {};

TEST_P(ClipTest, DrawsOnlyWhatLiesOnTheSurface) {
  const ClipCase c = GetParam();
  Image dst = Filled(8, 6, gfx::kBlack);
  Image src(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src.Row(y)[x] = static_cast<Rgb>(0x100 * (y + 1) + x + 1);
  gfx::DrawImage(dst, c.x, c.y, src);
  int drawn = 0;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const std::int64_t sx = std::int64_t{x} - c.x, sy = std::int64_t{y} - c.y;
      const bool inside = sx >= 0 && sy >= 0 && sx < 4 && sy < 4;
      const Rgb want = inside ? static_cast<Rgb>(0x100 * (sy + 1) + sx + 1) : gfx::kBlack;
      EXPECT_EQ(dst.At(x, y), want) << "at " << x << "," << y;
      drawn += inside;
    }
  }
  EXPECT_EQ(drawn, c.expectedPixels);
}

INSTANTIATE_TEST_SUITE_P(
    EveryEdge, ClipTest,
    ::testing::Values(ClipCase{2, 1, 16}, ClipCase{-2, 1, 8}, ClipCase{6, 1, 8}, ClipCase{2, -3, 4},
                      ClipCase{2, 4, 8}, ClipCase{-3, -3, 1}, ClipCase{7, 5, 1}, ClipCase{-4, 0, 0},
                      ClipCase{8, 0, 0}, ClipCase{0, 6, 0}, ClipCase{-2147483647, 0, 0},
                      ClipCase{2147483647, 2147483647, 0}),
    [](const auto& p) { return testing_support::CaseName("at", p.param.x, p.param.y); });

TEST(FillRect, CoversColumnsX1ToX2MinusOneAndRowsLikewise) {
  Image img = Filled(10, 10, gfx::kWhite);
  img.Pen.Color = 0x112233;
  img.Brush.Color = 0x112233;
  gfx::FillRect(img, 2, 3, 6, 5);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(img.At(x, y), (x >= 2 && x < 6 && y >= 3 && y < 5) ? 0x112233u : gfx::kWhite)
          << x << "," << y;
}

TEST(FillRect, BorderInPenInteriorInBrush) {
  Image img = Filled(6, 5, gfx::kWhite);
  img.Pen.Color = gfx::kBlack;
  img.Brush.Color = gfx::kGrey;
  gfx::FillRect(img, 0, 0, 6, 5);
  EXPECT_EQ(CountOf(img, gfx::kGrey), 4 * 3);
  EXPECT_EQ(CountOf(img, gfx::kBlack), 6 * 5 - 4 * 3);
  EXPECT_EQ(img.At(1, 1), gfx::kGrey);
  EXPECT_EQ(img.At(5, 4), gfx::kBlack);
}

TEST(FillRect, ClipsAtTheEdgesAndIgnoresEmptyBoxes) {
  Image img = Filled(4, 4, gfx::kWhite);
  img.Pen.Color = img.Brush.Color = gfx::kBlack;
  gfx::FillRect(img, 2, 2, 2, 4);  // no width
  EXPECT_EQ(CountOf(img, gfx::kBlack), 0);
  gfx::FillRect(img, -5, -5, 400, 2);  // the play field's fill on a small surface
  EXPECT_EQ(CountOf(img, gfx::kBlack), 8);
}

std::set<std::pair<int, int>> Outline(int x1, int y1, int x2, int y2, int w = 64, int h = 64) {
  Image img = Filled(w, h, gfx::kBlack);
  img.Pen.Color = gfx::kWhite;
  gfx::Arc(img, x1, y1, x2, y2, x1, y1, x1, y1);
  std::set<std::pair<int, int>> set;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (img.At(x, y) == gfx::kWhite) set.insert({x, y});
  return set;
}

class ArcTest : public ::testing::TestWithParam<std::pair<int, int>> {};

// A bubble's box from (x1, y1) to (x1 + w, y1 + h): the outline stays in columns x1..x1+w-1
// and rows y1..y1+h-1, touches all four sides, is symmetric and is one closed 8-connected ring.
TEST_P(ArcTest, WholeEllipseOutlineInsideItsBox) {
  const auto [w, h] = GetParam();
  const int x1 = 5, y1 = 7;
  const auto px = Outline(x1, y1, x1 + w, y1 + h);
  ASSERT_FALSE(px.empty());
  int minX = 99, maxX = -1, minY = 99, maxY = -1;
  for (auto [x, y] : px) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
    EXPECT_TRUE(px.count({2 * x1 + w - 1 - x, y})) << "mirror of " << x << "," << y;
    EXPECT_TRUE(px.count({x, 2 * y1 + h - 1 - y})) << "mirror of " << x << "," << y;
    int neighbours = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) neighbours += (dx || dy) && px.count({x + dx, y + dy});
    EXPECT_GE(neighbours, 2) << "loose end at " << x << "," << y;
  }
  EXPECT_EQ(minX, x1);
  EXPECT_EQ(maxX, x1 + w - 1);
  EXPECT_EQ(minY, y1);
  EXPECT_EQ(maxY, y1 + h - 1);
  // The interior is untouched: the centre stays black.
  EXPECT_FALSE(px.count({x1 + w / 2, y1 + h / 2}));
}

INSTANTIATE_TEST_SUITE_P(Boxes, ArcTest,
                         ::testing::Values(std::pair{28, 28}, std::pair{36, 36}, std::pair{29, 29},
                                           std::pair{40, 20}, std::pair{9, 30}, std::pair{3, 3}),
                         [](const auto& p) {
                           return testing_support::CaseName(std::to_string(p.param.first) + 'x' +
                                                            std::to_string(p.param.second));
                         });

TEST(Arc, ClipsAtTheSurfaceEdges) {
  const auto whole = Outline(20, 20, 48, 48);
  const auto clipped = Outline(-14, -14, 14, 14, 64, 64);  // centre at the corner
  EXPECT_FALSE(clipped.empty());
  for (auto [x, y] : clipped) EXPECT_TRUE(x < 14 && y < 14);
  // A quarter of the ring is left, give or take the pixels on the axes.
  EXPECT_NEAR(static_cast<double>(clipped.size()), static_cast<double>(whole.size()) / 4.0, 4.0);
  EXPECT_TRUE(Outline(100, 100, 128, 128).empty());
  EXPECT_TRUE(Outline(-2147483647, 0, 2147483647, 20).empty());
}

// A box wholly inside the clip is drawn without a test per point; clipped, the same box must
// give the same pixels wherever the clip lets them through.
TEST(Arc, UnclippedAndClippedOutlinesAgree) {
  const gfx::Rect boxes[] = {{3, 4, 28, 28}, {2, 2, 36, 37}, {5, 1, 40, 20}, {1, 6, 9, 30}};
  const gfx::Rect clips[] = {{0, 0, 50, 50}, {0, 0, 50, 12}, {10, 0, 40, 50}, {6, 9, 17, 14}};
  for (const gfx::Rect& b : boxes) {
    Image whole = Filled(50, 50, gfx::kBlack);
    whole.Pen.Color = gfx::kWhite;
    gfx::EllipseIn(whole, {0, 0, 50, 50}, b.X, b.Y, b.X + b.W, b.Y + b.H);
    for (const gfx::Rect& c : clips) {
      Image clipped = Filled(50, 50, gfx::kBlack);
      clipped.Pen.Color = gfx::kWhite;
      gfx::EllipseIn(clipped, c, b.X, b.Y, b.X + b.W, b.Y + b.H);
      for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
          ASSERT_EQ(clipped.At(x, y), gfx::Inside(c, x, y) ? whole.At(x, y) : gfx::kBlack)
              << "box " << b.X << "," << b.Y << " clip " << c.X << "," << c.Y << " at " << x << ","
              << y;
    }
  }
}

TEST(Arc, PartialArcRunsCounterClockwiseBetweenTheRays) {
  Image img = Filled(40, 40, gfx::kBlack);
  img.Pen.Color = gfx::kWhite;
  // From the ray to the right (3 o'clock) to the ray upward (12 o'clock): the upper right.
  gfx::Arc(img, 0, 0, 40, 40, 39, 20, 20, 0);
  int upperRight = 0, elsewhere = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x)
      if (img.At(x, y) == gfx::kWhite) (x >= 19 && y <= 20 ? upperRight : elsewhere)++;
  EXPECT_GT(upperRight, 20);
  EXPECT_EQ(elsewhere, 0);
}

// Masked text over a picture changes glyph pixels only; here the level digit's tile overlaps
// a neighbour (the title's right arrow) whose pixels must survive.
TEST(MaskedText, AndThenOrTouchesOnlyGlyphPixels) {
  Image picture(60, 18);
  for (int x = 0; x < 60; ++x)
    for (int y = 0; y < 18; ++y) picture.Row(y)[x] = static_cast<Rgb>(0x204060 + x * 0x010203);
  const Image before = picture;
  Image tile(36, 18);
  gfx::AndPass(picture, tile, Text(), "3", {.TextX = 9, .X = 5, .Y = 0, .FontHeight = 18});
  gfx::OrPass(picture, tile, Text(), "3", {.TextX = 9, .X = 5, .Y = 0});

  const gfx::TextMask& glyph = Text().Render("3", 18);
  int changed = 0;
  for (int y = 0; y < 18; ++y) {
    for (int x = 0; x < 60; ++x) {
      const int gx = x - 14;  // tile at 5, text at 9 in the tile
      const bool ink = gx >= 0 && gx < glyph.Width && glyph.Coverage[y * glyph.Width + gx] > 0;
      if (!ink) {
        EXPECT_EQ(picture.At(x, y), before.At(x, y)) << x << "," << y;
      }
      if (ink && glyph.Coverage[y * glyph.Width + gx] == 255) {
        EXPECT_EQ(picture.At(x, y), gfx::kWhite);
      }
      changed += picture.At(x, y) != before.At(x, y);
    }
  }
  EXPECT_GT(changed, 20);
}

// A pass stamps what the simple way would: fill the tile with the pass's ground, write the text
// on it in the ink, and combine the whole tile with the target. Cases clip the text at the
// tile's edges and the tile at the target's.
struct StampCase {
  const char* text;
  int tileW, tileH;
  gfx::Stamp at;
};

class MaskedTextReference : public ::testing::TestWithParam<StampCase> {};

TEST_P(MaskedTextReference, EachPassStampsTheFilledTile) {
  const StampCase c = GetParam();
  Image target(64, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 64; ++x)
      target.Row(y)[x] = static_cast<Rgb>(0x1F5A93 * (x + 7 * y)) & gfx::kWhite;
  Image expected = target;
  Image tile(c.tileW, c.tileH), reference(c.tileW, c.tileH);
  const struct {
    gfx::Rop mode;
    Rgb ground, ink;
    void (*pass)(Image&, Image&, gfx::TextRasterizer&, std::string_view, gfx::Stamp);
  } passes[] = {{gfx::SRCAND, gfx::kWhite, gfx::kBlack, gfx::AndPass},
                {gfx::SRCPAINT, gfx::kBlack, gfx::kWhite, gfx::OrPass}};
  for (const auto& p : passes) {
    reference.Pen.Color = reference.Brush.Color = p.ground;
    gfx::FillRect(reference, 0, 0, c.tileW, c.tileH);
    reference.Font.Color = p.ink;
    if (c.at.FontHeight > 0) reference.Font.Height = c.at.FontHeight;
    gfx::TextOut(reference, Text(), c.at.TextX, 0, c.text);
    expected.CopyMode = p.mode;
    gfx::DrawImage(expected, c.at.X, c.at.Y, reference);

    p.pass(target, tile, Text(), c.text, c.at);
    ASSERT_EQ(target.Pixels(), expected.Pixels()) << std::hex << static_cast<unsigned>(p.mode);
    EXPECT_EQ(tile.Font.Height, reference.Font.Height);
    EXPECT_EQ(tile.Font.Color, p.ink);
    EXPECT_EQ(tile.Brush.Color, p.ground);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Clipping, MaskedTextReference,
    ::testing::Values(StampCase{"42", 36, 18, {.X = 3, .Y = 1, .FontHeight = 18}},
                      StampCase{"3", 36, 18, {.TextX = 9, .X = 20, .Y = 5, .FontHeight = 18}},
                      // text wider than its tile, and a cell taller than the tile
                      StampCase{"Rank in 10th", 30, 12, {.X = 2, .Y = 2, .FontHeight = 18}},
                      // the tile over each edge of the target
                      StampCase{"Good!", 40, 30, {.X = -9, .Y = -4, .FontHeight = 30}},
                      StampCase{"Good!", 40, 30, {.X = 40, .Y = 20, .FontHeight = 30}},
                      StampCase{"7", 20, 18, {.TextX = 25, .X = 0, .Y = 0, .FontHeight = 18}},
                      // a tile never given a height writes at the default cell height
                      StampCase{"1\u201923\u201D", 80, 18, {.X = 1, .Y = 20}}),
    [](const auto& p) {
      const StampCase& c = p.param;
      return testing_support::CaseName(
          c.text, "tile", std::to_string(c.tileW) + 'x' + std::to_string(c.tileH), "at", c.at.X,
          c.at.Y, "text at", c.at.TextX, "height", c.at.FontHeight);
    });

// Each pass stamps with its own mode and hands the target back in the mode it found, whatever
// that was: the stamp is the same and the next plain drawing is not combined by AND or OR.
TEST(MaskedText, PassesOwnTheirCopyModeAndRestoreTheTargets) {
  const Image ground = Filled(50, 20, 0x5A3C96);
  Image reference = ground;
  Image tile(36, 18);
  gfx::AndPass(reference, tile, Text(), "42", {.X = 3, .Y = 1, .FontHeight = 18});
  gfx::OrPass(reference, tile, Text(), "42", {.X = 2, .Y = 0});
  ASSERT_NE(reference.Pixels(), ground.Pixels());
  for (const gfx::Rop mode : {gfx::SRCCOPY, gfx::SRCAND, gfx::SRCPAINT}) {
    Image back = ground;
    back.CopyMode = mode;
    gfx::AndPass(back, tile, Text(), "42", {.X = 3, .Y = 1, .FontHeight = 18});
    EXPECT_EQ(back.CopyMode, mode);
    gfx::OrPass(back, tile, Text(), "42", {.X = 2, .Y = 0});
    EXPECT_EQ(back.CopyMode, mode);
    EXPECT_EQ(back.Pixels(), reference.Pixels()) << std::hex << static_cast<unsigned>(mode);
  }
}

TEST(MaskedText, ShadowPassesLeaveTheColumnBeyondThePanel) {
  // The clock: AND one pixel right and down of the OR pass; the AND tile reaches one column
  // past the panel, and outside the glyphs that column keeps its pixels.
  Image back = Filled(100, 30, 0x445566);
  Image tile(80, 18);
  gfx::AndPass(back, tile, Text(), "1\u201923\u201D", {.X = 11, .Y = 11, .FontHeight = 18});
  gfx::OrPass(back, tile, Text(), "1\u201923\u201D", {.X = 10, .Y = 10});
  for (int y = 0; y < 30; ++y) EXPECT_EQ(back.At(90, y), 0x445566u);
  EXPECT_GT(CountOf(back, gfx::kWhite), 10);
  EXPECT_GT(CountOf(back, gfx::kBlack), 10);  // the shadow
}

// Whoever shows an image compares and copies only the blocks its damage names: every pixel a
// drawing operation changes must lie in a block it recorded.
struct DamageCase {
  const char* what;
  void (*draw)(Image&);
};

class DamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamageTest, EveryChangedPixelLiesInARecordedBlock) {
  Image img(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      img.Row(y)[x] = static_cast<Rgb>(0x13579B * (x + 5 * y)) & 0xFFFFFF;
  EXPECT_TRUE(img.WhollyDamaged());  // never shown yet
  img.ClearDamage();
  const Image before = img;
  GetParam().draw(img);
  ASSERT_FALSE(img.WhollyDamaged());
  int changed = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      if (img.At(x, y) == before.At(x, y)) continue;
      ++changed;
      const auto& blocks = img.Damaged();
      EXPECT_TRUE(std::any_of(blocks.begin(), blocks.end(),
                              [&](const gfx::Rect& r) { return gfx::Inside(r, x, y); }))
          << GetParam().what << ": " << x << "," << y << " changed outside the damage";
    }
  }
  EXPECT_GT(changed, 0) << GetParam().what;
  for (const gfx::Rect& r : img.Damaged()) {  // clipped to the image
    EXPECT_TRUE(r.X >= 0 && r.Y >= 0 && r.X + r.W <= 64 && r.Y + r.H <= 48) << GetParam().what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Operations, DamageTest,
    ::testing::Values(
        DamageCase{"image", [](Image& i) { gfx::DrawImage(i, 50, -3, Filled(20, 10, 0x00FF00)); }},
        DamageCase{"image by AND",
                   [](Image& i) {
                     i.CopyMode = gfx::SRCAND;
                     gfx::DrawImage(i, -5, 40, Filled(20, 20, 0x0F0F0F));
                   }},
        DamageCase{"rectangle",
                   [](Image& i) {
                     i.Pen.Color = gfx::kWhite;
                     i.Brush.Color = gfx::kBlack;
                     gfx::FillRect(i, 60, 44, 3, 2);
                   }},
        DamageCase{"text", [](Image& i) { gfx::TextOut(i, Text(), 40, 38, "Rank"); }},
        DamageCase{"outline",
                   [](Image& i) {
                     i.Pen.Color = gfx::kWhite;
                     gfx::Arc(i, -10, 20, 30, 60, -10, 20, -10, 20);
                   }},
        DamageCase{"clipped outline",
                   [](Image& i) {
                     i.Pen.Color = gfx::kBlack;
                     gfx::EllipseIn(i, {0, 15, 20, 20}, 4, 4, 40, 40);
                   }},
        DamageCase{"masked text",
                   [](Image& i) {
                     Image tile(30, 18);
                     gfx::AndPass(i, tile, Text(), "42", {.X = 51, .Y = 1, .FontHeight = 18});
                     gfx::OrPass(i, tile, Text(), "42", {.X = 50, .Y = 0});
                   }}),
    [](const auto& p) { return testing_support::CaseName(p.param.what); });

// The blocks shown for a frame's damage cover every damaged pixel within the bounds, and never
// more pixels than the damaged blocks themselves.
TEST(Damage, CoveringBlocksCoverTheDamageAndNoMore) {
  const gfx::Rect bounds{0, 0, 60, 40};
  const std::vector<std::vector<gfx::Rect>> cases = {
      {},
      {{5, 5, 10, 10}, {6, 5, 10, 10}},                     // a bubble moved one pixel: one block
      {{0, 0, 4, 4}, {50, 30, 4, 4}},                       // far apart: two blocks
      {{-5, -5, 10, 10}, {55, 35, 10, 10}, {70, 0, 5, 5}},  // clipped, and wholly outside
      {{10, 10, 8, 8}, {16, 10, 8, 8}, {22, 10, 8, 8}, {11, 11, 2, 2}}};  // a chain
  for (const auto& damage : cases) {
    const std::vector<gfx::Rect> blocks = gfx::CoveringBlocks(damage, bounds);
    std::int64_t damaged = 0, shown = 0;
    for (const gfx::Rect& r : blocks) {
      shown += std::int64_t{r.W} * r.H;
      EXPECT_TRUE(r.W > 0 && r.H > 0 && r.X >= 0 && r.Y >= 0 && r.X + r.W <= 60 && r.Y + r.H <= 40);
    }
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 60; ++x) {
        const auto in = [&](const gfx::Rect& r) { return gfx::Inside(r, x, y); };
        const int times = static_cast<int>(std::count_if(damage.begin(), damage.end(), in));
        damaged += times;
        if (times > 0) {
          EXPECT_TRUE(std::any_of(blocks.begin(), blocks.end(), in)) << x << "," << y;
        }
      }
    }
    EXPECT_LE(shown, damaged);
  }
  EXPECT_EQ(gfx::CoveringBlocks({{5, 5, 10, 10}, {6, 5, 10, 10}}, bounds).size(), 1u);
  EXPECT_EQ(gfx::CoveringBlocks({{0, 0, 4, 4}, {50, 30, 4, 4}}, bounds).size(), 2u);
}

TEST(Damage, TooManyBlocksCountAsTheWholeImage) {
  Image img(8, 8);
  img.ClearDamage();
  for (std::size_t k = 0; k < Image::kMaxDamage; ++k) img.Damage(1, 1, 2, 2);
  EXPECT_FALSE(img.WhollyDamaged());
  img.Damage(1, 1, 2, 2);
  EXPECT_TRUE(img.WhollyDamaged());
  EXPECT_TRUE(img.Damaged().empty());
  img.ClearDamage();
  EXPECT_FALSE(img.WhollyDamaged());
}

TEST(Sheet, CutsEveryRegionFromItsPlace) {
  const Image sheet = testing_support::PatternSheet();
  const gfx::Sprites s = gfx::CutSprites(sheet);
  const std::pair<const Image*, gfx::Rect> cuts[] = {
      {&s.TitleImage, gfx::sheet::TitleImage},
      {&s.StartButton, gfx::sheet::StartButton},
      {&s.StartButtonLit, gfx::sheet::StartButtonLit},
      {&s.RankingButton, gfx::sheet::RankingButton},
      {&s.RankingButtonLit, gfx::sheet::RankingButtonLit},
      {&s.LevelDownArrow, gfx::sheet::LevelDownArrow},
      {&s.LevelDownArrowLit, gfx::sheet::LevelDownArrowLit},
      {&s.LevelUpArrow, gfx::sheet::LevelUpArrow},
      {&s.LevelUpArrowLit, gfx::sheet::LevelUpArrowLit},
      {&s.LevelBox, gfx::sheet::LevelBox},
      {&s.ClockPanel, gfx::sheet::ClockPanel}};
  for (const auto& [img, r] : cuts) {
    ASSERT_EQ(img->Width(), r.W);
    ASSERT_EQ(img->Height(), r.H);
    EXPECT_EQ(img->At(0, 0), sheet.At(r.X, r.Y));
    EXPECT_EQ(img->At(r.W - 1, r.H - 1), sheet.At(r.X + r.W - 1, r.Y + r.H - 1));
  }
  const std::pair<const Image*, std::pair<int, int>> tiles[] = {{&s.LevelDigitTile, {36, 18}},
                                                                {&s.ShortTextTile, {80, 18}},
                                                                {&s.MessageTile, {120, 18}},
                                                                {&s.BannerTile, {300, 92}}};
  for (const auto& [img, size] : tiles) {
    EXPECT_EQ(img->Width(), size.first);
    EXPECT_EQ(img->Height(), size.second);
    EXPECT_EQ(CountOf(*img, gfx::kWhite), size.first * size.second);
  }
}

TEST(Sheet, SmallerSheetLeavesTheMissingPixelsWhite) {
  const Image small = Filled(300, 405, 0x102030);
  const gfx::Sprites s = gfx::CutSprites(small);
  EXPECT_EQ(s.TitleImage.At(299, 0), 0x102030u);
  EXPECT_EQ(s.TitleImage.At(300, 0), gfx::kWhite);
  EXPECT_EQ(s.ClockPanel.At(0, 0), gfx::kWhite);  // wholly outside
  EXPECT_EQ(s.StartButtonLit.At(0, 4), 0x102030u);
  EXPECT_EQ(s.StartButtonLit.At(0, 5), gfx::kWhite);  // row 405 is past the sheet
}

}  // namespace
