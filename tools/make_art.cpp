// Paints the default sprite sheet "pic.bmp" and the window icon. Everything is drawn from code
// so the art can be rebuilt from source; nothing here reads the clock or a random source, so
// every run writes the same bytes.
//
// Shapes are described by signed distances (negative inside) and filled with a one-pixel
// anti-aliasing ramp; text comes from the game's own TrueType rasteriser as coverage masks.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <numbers>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gfx/bmp.hpp"
#include "gfx/sheet.hpp"
#include "gfx/ttf_text.hpp"
#include "png.hpp"
#include "shell/icon.hpp"

namespace {

// ---- Colours -------------------------------------------------------------------------------

struct Colour {
  double r, g, b;
};

constexpr Colour Hex(gfx::Rgb v) {
  return {static_cast<double>((v >> 16) & 0xFF) / 255.0,
          static_cast<double>((v >> 8) & 0xFF) / 255.0, static_cast<double>(v & 0xFF) / 255.0};
}

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

std::uint32_t Channel(double v) {
  return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

gfx::Rgb Pack(Colour c) {
  return Channel(c.r) << 16 | Channel(c.g) << 8 | Channel(c.b);
}

// The palette: a deep sea for the title, a darker slate for the side panel, aqua accents.
constexpr Colour kWhite = Hex(0xFFFFFF);
constexpr Colour kBlack = Hex(0x000000);
constexpr Colour kSeaTop = Hex(0x061128);
constexpr Colour kSeaBottom = Hex(0x0C4150);
constexpr Colour kSeaLight = Hex(0x1B5E80);
constexpr Colour kPanel = Hex(0x0A1526);
constexpr Colour kPanelShade = Hex(0x02060C);
constexpr Colour kPanelBevel = Hex(0x24526A);
constexpr Colour kPlateTop = Hex(0x02070F);
constexpr Colour kPlateBottom = Hex(0x0A1B2E);
constexpr Colour kPlateRimTop = Hex(0x1A3A4C);
constexpr Colour kPlateRimBottom = Hex(0x3FA6C6);
constexpr Colour kCaption = Hex(0x8FD0E2);
constexpr Colour kHintText = Hex(0xB4CCD8);
constexpr Colour kArrowUnlit = Hex(0x6FBCD2);
constexpr Colour kArrowUnlitShade = Hex(0x4A98B0);
constexpr Colour kArrowLit = Hex(0xFFFFFF);
constexpr Colour kArrowLitShade = Hex(0xC8F4FF);
constexpr Colour kLevelBoxFill = Hex(0x030A12);
constexpr Colour kLevelBoxRim = Hex(0x3C8AA6);
constexpr Colour kLogoInk = Hex(0x083048);
constexpr Colour kLogoOuterRim = Hex(0x9EEBFA);
constexpr Colour kLogoGlow = Hex(0x3FCFF0);
constexpr Colour kLogoTop = Hex(0xFFFFFF);
constexpr Colour kLogoUpper = Hex(0xD2F6FF);
constexpr Colour kLogoLower = Hex(0x7EDCF2);
constexpr Colour kLogoBottom = Hex(0x2A9FCB);
constexpr gfx::Rgb kStripGround = 0x000000;

// ---- Shapes --------------------------------------------------------------------------------

struct Paint {
  Colour c;
  double a = 1.0;
};
using Distance = std::function<double(double, double)>;
using Shader = std::function<Paint(double, double)>;

Shader Flat(Colour c) {
  return [c](double, double) { return Paint{c}; };
}
Shader Vertical(Colour top, Colour bottom, double y0, double height) {
  return [=](double, double y) {
    return Paint{Mix(top, bottom, std::clamp((y - y0) / height, 0.0, 1.0))};
  };
}

Distance Circle(double cx, double cy, double r) {
  return [=](double x, double y) { return std::hypot(x - cx, y - cy) - r; };
}
// A line of the given width centred on a shape's edge.
Distance Outline(Distance d, double width) {
  return [d = std::move(d), width](double x, double y) { return std::abs(d(x, y)) - width / 2; };
}
Distance Ring(double cx, double cy, double r, double width) {
  return Outline(Circle(cx, cy, r), width);
}
Distance RoundRect(double left, double top, double w, double h, double r) {
  return [=](double x, double y) {
    const double qx = std::abs(x - (left + w / 2)) - (w / 2 - r);
    const double qy = std::abs(y - (top + h / 2)) - (h / 2 - r);
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
  };
}
// The band just inside a shape's edge, for rims that never spill outside the shape.
Distance InnerRim(Distance d, double width) {
  return [d = std::move(d), width](double x, double y) {
    return std::abs(d(x, y) + width / 2) - width / 2;
  };
}
Distance Union(Distance a, Distance b) {
  return [a = std::move(a), b = std::move(b)](double x, double y) {
    return std::min(a(x, y), b(x, y));
  };
}
Distance Overlap(Distance a, Distance b) {
  return [a = std::move(a), b = std::move(b)](double x, double y) {
    return std::max(a(x, y), b(x, y));
  };
}
Distance Grown(Distance d, double by) {
  return [d = std::move(d), by](double x, double y) { return d(x, y) - by; };
}

Distance Everywhere() {
  return [](double, double) { return -1.0; };
}

// Fills every pixel of `box` by its coverage of the shape, sampled at the pixel's centre.
template <class Plot>
void Fill(Plot plot, const gfx::Rect& box, const Distance& dist, const Shader& shade,
          double opacity = 1.0) {
  for (int y = box.Y; y < box.Y + box.H; ++y) {
    for (int x = box.X; x < box.X + box.W; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double cover = std::clamp(0.5 - dist(px, py), 0.0, 1.0);
      if (cover <= 0) continue;
      const Paint p = shade(px, py);
      plot(x, y, p.c, cover * p.a * opacity);
    }
  }
}

void Blend(gfx::Image& img, int x, int y, Colour c, double a) {
  if (x < 0 || y < 0 || x >= img.Width() || y >= img.Height() || a <= 0) return;
  gfx::Rgb& p = img.Row(y)[x];
  p = Pack(Mix(Hex(p), c, std::min(a, 1.0)));
}

auto On(gfx::Image& img) {
  return [&img](int x, int y, Colour c, double a) { Blend(img, x, y, c, a); };
}

// A halo that fades with the distance outside the shape (and is full inside it).
void Glow(gfx::Image& img, const gfx::Rect& box, const Distance& dist, Colour c, double reach,
          double strength) {
  for (int y = box.Y; y < box.Y + box.H; ++y) {
    for (int x = box.X; x < box.X + box.W; ++x) {
      const double d = std::max(dist(x + 0.5, y + 0.5), 0.0) / reach;
      Blend(img, x, y, c, strength * std::exp(-d * d));
    }
  }
}

void FillBox(gfx::Image& img, const gfx::Rect& r, gfx::Rgb c) {
  for (int y = r.Y; y < r.Y + r.H; ++y) std::fill_n(img.Row(y) + r.X, r.W, c);
}

void CopyRegion(gfx::Image& img, const gfx::Rect& from, int toX, int toY) {
  for (int y = 0; y < from.H; ++y) {
    std::copy_n(img.Row(from.Y + y) + from.X, from.W, img.Row(toY + y) + toX);
  }
}

// ---- Text masks ----------------------------------------------------------------------------

// Coverage 0..1 placed at (x0, y0) relative to the top-left of the text's first cell.
struct Mask {
  int x0 = 0, y0 = 0, w = 0, h = 0;
  std::vector<double> a;
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
  }
  double At(int x, int y) const {
    return x < 0 || y < 0 || x >= w || y >= h ? 0.0 : a[Index(x, y)];
  }
  double& operator()(int x, int y) { return a[Index(x, y)]; }
};

Mask Blank(int x0, int y0, int w, int h) {
  return {x0, y0, w, h, std::vector<double>(static_cast<std::size_t>(w) * h, 0.0)};
}

Mask TextMask(gfx::TtfText& face, std::string_view s, int cell) {
  const gfx::TextMask& t = face.Render(s, cell);
  Mask m = Blank(0, 0, t.Width, t.Height);
  for (std::size_t i = 0; i < m.a.size(); ++i) m.a[i] = t.Coverage[i] / 255.0;
  return m;
}

// Grows the ink by r pixels in every direction (a round pen), keeping soft edges soft.
Mask Dilate(const Mask& m, int r) {
  Mask out = Blank(m.x0 - r, m.y0 - r, m.w + 2 * r, m.h + 2 * r);
  for (int dy = -r; dy <= r; ++dy) {
    for (int dx = -r; dx <= r; ++dx) {
      if (dx * dx + dy * dy > r * r + r) continue;  // the pen's round footprint
      for (int y = 0; y < out.h; ++y) {
        for (int x = 0; x < out.w; ++x)
          out(x, y) = std::max(out(x, y), m.At(x - r + dx, y - r + dy));
      }
    }
  }
  return out;
}

// Two box passes each way: close enough to a Gaussian for shadows and halos.
Mask Blur(const Mask& m, int r) {
  const int pad = 2 * r;
  Mask cur = Blank(m.x0 - pad, m.y0 - pad, m.w + 2 * pad, m.h + 2 * pad);
  for (int y = 0; y < m.h; ++y) {
    for (int x = 0; x < m.w; ++x) cur(x + pad, y + pad) = m.At(x, y);
  }
  for (int pass = 0; pass < 4; ++pass) {
    const int sx = pass % 2 == 0 ? 1 : 0, sy = 1 - sx;
    Mask next = cur;
    for (int y = 0; y < cur.h; ++y) {
      for (int x = 0; x < cur.w; ++x) {
        double sum = 0;
        for (int k = -r; k <= r; ++k) sum += cur.At(x + k * sx, y + k * sy);
        next(x, y) = sum / (2 * r + 1);
      }
    }
    cur = std::move(next);
  }
  return cur;
}

// The ink's bounding box in cell coordinates, inclusive; mostly-covered pixels only, so that
// faint anti-aliasing does not pull a label off centre.
struct Ink {
  int left, top, right, bottom;
};
Ink InkOf(const Mask& m) {
  Ink ink{m.w, m.h, -1, -1};
  for (int y = 0; y < m.h; ++y) {
    for (int x = 0; x < m.w; ++x) {
      if (m.At(x, y) < 0.5) continue;
      ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x),
             std::max(ink.bottom, y)};
    }
  }
  return {ink.left + m.x0, ink.top + m.y0, ink.right + m.x0, ink.bottom + m.y0};
}

template <class Plot>
void Stamp(Plot plot, const Mask& m, int x, int y, const Shader& shade, double opacity = 1.0) {
  for (int my = 0; my < m.h; ++my) {
    for (int mx = 0; mx < m.w; ++mx) {
      const double a = m.At(mx, my);
      if (a <= 0) continue;
      const int px = x + m.x0 + mx, py = y + m.y0 + my;
      const Paint p = shade(px + 0.5, py + 0.5);
      plot(px, py, p.c, a * p.a * opacity);
    }
  }
}

struct Faces {
  gfx::TtfText regular{FROTHY_FONT_PATH};
  gfx::TtfText bold{BoldSibling(FROTHY_FONT_PATH)};
  // The bold cut of the game's face sits beside it as "<name>-Bold.ttf".
  static std::string BoldSibling(std::string path) {
    const std::string ext = ".ttf";
    if (path.size() > ext.size() && path.ends_with(ext))
      path.insert(path.size() - ext.size(), "-Bold");
    return path;
  }
};

// A label whose ink is centred on (cx, cy), optionally with a soft one-pixel drop shadow.
void LabelCentred(gfx::Image& img, gfx::TtfText& face, std::string_view s, int cell, double cx,
                  double cy, Colour c, double shadow = 0.0) {
  const Mask m = TextMask(face, s, cell);
  const Ink ink = InkOf(m);
  const int x = static_cast<int>(std::lround(cx - (ink.left + ink.right + 1) / 2.0));
  const int y = static_cast<int>(std::lround(cy - (ink.top + ink.bottom + 1) / 2.0));
  if (shadow > 0) Stamp(On(img), m, x + 1, y + 1, Flat(kBlack), shadow);
  Stamp(On(img), m, x, y, Flat(c));
}

// A label whose ink ends at column `right` and sits on row `baseline`.
void LabelRight(gfx::Image& img, gfx::TtfText& face, std::string_view s, int cell, int right,
                int baseline, Colour c) {
  const Mask m = TextMask(face, s, cell);
  const Ink ink = InkOf(m);
  Stamp(On(img), m, right - ink.right, baseline - ink.bottom, Flat(c));
}

// The row the game's white figures stand on when written with their cell's top at `top`.
int FigureBaseline(Faces& f, int top) {
  return top + InkOf(TextMask(f.regular, "0", 18)).bottom;
}

// ---- Title backdrop, bubbles and logo ------------------------------------------------------

constexpr gfx::Rect kTitleArea{0, 0, 399, 400};
constexpr double kLogoCentreX = 200, kLogoCentreY = 92;
constexpr int kLogoCell = 96;

void PaintSea(gfx::Image& img) {
  Fill(On(img), kTitleArea, Everywhere(), Vertical(kSeaTop, kSeaBottom, 0, kTitleArea.H));
  // A wide soft light behind the logo gives the page a focus without a hard shape.
  Glow(img, kTitleArea, Circle(kLogoCentreX, kLogoCentreY, 20), kSeaLight, 150, 0.45);
}

struct Spot {
  double x, y, r, alpha;
};
// Clear of the logo, the two buttons, the level selector and the panel.
constexpr Spot kTitleBubbles[] = {{44, 222, 30, 1.0},  {96, 276, 11, 0.8},  {340, 212, 22, 0.9},
                                  {352, 306, 32, 1.0}, {72, 348, 22, 0.9},  {116, 378, 8, 0.7},
                                  {294, 362, 14, 0.8}, {24, 30, 11, 0.6},   {374, 26, 8, 0.6},
                                  {140, 320, 14, 0.8}, {160, 338, 10, 0.8}, {318, 156, 6, 0.7}};
// A few small ones rising from the exclamation mark.
constexpr Spot kLogoFizz[] = {{346, 54, 5, 0.9}, {356, 36, 3.5, 0.8}, {340, 24, 2.5, 0.7}};

// Weight of the highlight arc: strongest towards the upper left, gone past 50 degrees away.
double UpperLeftWeight(double dx, double dy) {
  constexpr double kPi = std::numbers::pi, kUpperLeft = -0.75 * kPi, kSpread = 50.0 / 180 * kPi;
  double off = std::abs(std::atan2(dy, dx) - kUpperLeft);
  if (off > kPi) off = 2 * kPi - off;
  return std::clamp(1.0 - off / kSpread, 0.0, 1.0);
}

// In the style of the game's own outline bubbles: a thin white ring, with a glint to make it glass.
template <class Plot>
void GlassBubble(Plot plot, const Spot& b, double rimWidth) {
  const int reach = static_cast<int>(b.r) + 3;
  const gfx::Rect box{static_cast<int>(b.x) - reach, static_cast<int>(b.y) - reach, 2 * reach + 1,
                      2 * reach + 1};
  Fill(plot, box, Circle(b.x, b.y, b.r), Flat(kWhite), 0.05 * b.alpha);
  Fill(plot, box, Ring(b.x, b.y, b.r, rimWidth), Flat(kWhite), 0.62 * b.alpha);
  const auto arc = [b](double x, double y) {
    return Paint{kWhite, UpperLeftWeight(x - b.x, y - b.y)};
  };
  Fill(plot, box, Ring(b.x, b.y, b.r * 0.72, std::max(1.0, b.r * 0.09)), arc, 0.5 * b.alpha);
  Fill(plot, box, Circle(b.x - b.r * 0.5, b.y - b.r * 0.48, std::max(0.8, b.r * 0.1)), Flat(kWhite),
       0.8 * b.alpha);
}

void PaintTitleBubbles(gfx::Image& img) {
  for (const Spot& b : kTitleBubbles) GlassBubble(On(img), b, 1.3);
  for (const Spot& b : kLogoFizz) GlassBubble(On(img), b, 1.1);
}

// A glossy jelly fill: the upper half lighter with a crisp step at the middle, like a lit bubble.
Shader LogoGloss(double top, double height) {
  return [=](double, double y) {
    const double t = std::clamp((y - top) / height, 0.0, 1.0);
    constexpr double kStep = 0.47;
    return Paint{t < kStep ? Mix(kLogoTop, kLogoUpper, t / kStep)
                           : Mix(kLogoLower, kLogoBottom, (t - kStep) / (1 - kStep))};
  };
}

void PaintLogo(gfx::Image& img, Faces& f) {
  const Mask glyphs = TextMask(f.bold, "FROTHY!", kLogoCell);
  const Ink ink = InkOf(glyphs);
  const int x = static_cast<int>(std::lround(kLogoCentreX - (ink.left + ink.right + 1) / 2.0));
  const int y = static_cast<int>(std::lround(kLogoCentreY - (ink.top + ink.bottom + 1) / 2.0));
  const Mask rim = Dilate(glyphs, 3);
  const Mask halo = Dilate(glyphs, 5);
  Stamp(On(img), Blur(Dilate(glyphs, 6), 6), x, y, Flat(kLogoGlow), 0.35);
  Stamp(On(img), Blur(halo, 3), x + 3, y + 5, Flat(kBlack), 0.55);
  Stamp(On(img), halo, x, y, Flat(kLogoOuterRim));
  Stamp(On(img), rim, x, y, Flat(kLogoInk));
  Stamp(On(img), glyphs, x, y, LogoGloss(y + ink.top, ink.bottom - ink.top + 1));
}

// ---- Controls ------------------------------------------------------------------------------

struct ButtonLook {
  Colour top, bottom, rim, label;
  double gloss, shadow;
};
constexpr ButtonLook kStartUnlit{Hex(0x1E7C98), Hex(0x0E4662), Hex(0x8FE2F2), kWhite, 0.16, 0.45};
constexpr ButtonLook kStartLit{Hex(0x6BE6FF), Hex(0x1FA4CE), kWhite, kWhite, 0.35, 0.75};
constexpr ButtonLook kRankingUnlit{Hex(0x174660), Hex(0x0C2C42), Hex(0x6AB4CC),
                                   Hex(0xE4F4FA), 0.12,          0.45};
constexpr ButtonLook kRankingLit{Hex(0x4CC4E6), Hex(0x1A7EA8), kWhite, kWhite, 0.32, 0.75};

struct ButtonArt {
  gfx::Rect unlit, lit;
  ButtonLook off, on;
  std::string_view label;
  int cell;
};
constexpr std::array<ButtonArt, 2> kButtons{
    {{gfx::sheet::StartButton, gfx::sheet::StartButtonLit, kStartUnlit, kStartLit, "START", 14},
     {gfx::sheet::RankingButton, gfx::sheet::RankingButtonLit, kRankingUnlit, kRankingLit,
      "RANKING", 12}}};

// A glassy pill filling its whole region, the label centred on its ink.
void PaintButton(gfx::Image& img, const gfx::Rect& at, const ButtonLook& look, gfx::TtfText& face,
                 std::string_view label, int cell) {
  const double r = at.H / 2.0 - 1.5;
  const Distance body = RoundRect(at.X, at.Y, at.W, at.H, r);
  const Distance gloss = RoundRect(at.X + 2, at.Y + 1.5, at.W - 4, at.H * 0.42, r - 1.5);
  Fill(On(img), at, body, Vertical(look.top, look.bottom, at.Y, at.H));
  Fill(On(img), at, gloss, Flat(kWhite), look.gloss);
  Fill(On(img), at, InnerRim(body, 1.1), Flat(look.rim), 0.9);
  LabelCentred(img, face, label, cell, at.X + at.W / 2.0, at.Y + at.H / 2.0, look.label,
               look.shadow);
}

// Which rows (inclusive) of the arrow's 18 each of its 9 columns covers.
struct Span {
  int first, last;
};
Span LevelDownSpan(int c) {
  return {8 - c, 9 + c};
}
Span LevelUpSpan(int c) {
  return {std::max(0, c - 2), std::min(17, 18 - c)};
}

struct ArrowArt {
  gfx::Rect unlit, lit;
  Span (*span)(int);
};
constexpr std::array<ArrowArt, 2> kArrows{
    {{gfx::sheet::LevelDownArrow, gfx::sheet::LevelDownArrowLit, LevelDownSpan},
     {gfx::sheet::LevelUpArrow, gfx::sheet::LevelUpArrowLit, LevelUpSpan}}};

// Hard-edged on purpose: the arrows are exactly their click triangles, nothing outside.
void PaintArrow(gfx::Image& img, const gfx::Rect& at, Span (*span)(int), Colour light,
                Colour shade) {
  for (int c = 0; c < at.W; ++c) {
    const Span s = span(c);
    for (int row = s.first; row <= s.last; ++row) {
      img.Row(at.Y + row)[at.X + c] = Pack(Mix(light, shade, row / (at.H - 1.0)));
    }
  }
}

void PaintLevelBox(gfx::Image& img) {
  const gfx::Rect& b = gfx::sheet::LevelBox;
  const Distance plate = RoundRect(b.X + 1, b.Y, b.W - 2, b.H, 4);
  Fill(On(img), b, plate, Flat(kLevelBoxFill));
  Fill(On(img), b, InnerRim(plate, 1.0), Flat(kLevelBoxRim));
}

constexpr double kLevelCaptionY = 297.5;
constexpr int kCaptionCell = 13;

// The lit looks replace the unlit ones whole, so each starts from a copy of the picture's own
// ground: it shows round the pills' corners and beside the triangles.
void PaintControls(gfx::Image& img, Faces& f) {
  for (const ButtonArt& b : kButtons) {
    CopyRegion(img, b.unlit, b.lit.X, b.lit.Y);
    PaintButton(img, b.unlit, b.off, f.bold, b.label, b.cell);
    PaintButton(img, b.lit, b.on, f.bold, b.label, b.cell);
  }
  for (const ArrowArt& a : kArrows) {
    CopyRegion(img, a.unlit, a.lit.X, a.lit.Y);
    PaintArrow(img, a.unlit, a.span, kArrowUnlit, kArrowUnlitShade);
    PaintArrow(img, a.lit, a.span, kArrowLit, kArrowLitShade);
  }
  PaintLevelBox(img);
  const gfx::Rect& box = gfx::sheet::LevelBox;
  LabelCentred(img, f.bold, "LEVEL", kCaptionCell, box.X + box.W / 2.0, kLevelCaptionY, kCaption);
}

// ---- Side panel ----------------------------------------------------------------------------

constexpr gfx::Rect kPanelArea{399, 0, 201, 400};
constexpr int kPanelCentreX = 500;
constexpr int kPlateHeight = 19;  // the clock plate's height: the figures and their shadow
constexpr int kLevelTop = 130, kClockTop = 190;
constexpr int kLevelPlateLeft = 524, kClockPlateLeft = 445, kPlateRight = 550;
constexpr int kLevelLabelRight = 519, kClockLevelLabelRight = 440;
constexpr double kPlateRadius = 5;

// Every plate shades by row alone, so any stretch of a plate's middle matches any other: the
// clock plate cut from the header lands on the time plate without a seam.
void PaintPlate(gfx::Image& img, double left, int top, double right, double radius) {
  const gfx::Rect box{static_cast<int>(left) - 1, top, static_cast<int>(right - left) + 3,
                      kPlateHeight};
  const Distance plate = RoundRect(left, top, right - left, kPlateHeight, radius);
  Fill(On(img), box, plate, Vertical(kPlateTop, kPlateBottom, top, kPlateHeight));
  Fill(On(img), box, InnerRim(plate, 1.0),
       Vertical(kPlateRimTop, kPlateRimBottom, top, kPlateHeight));
}

// Column 399 is the first the play field leaves showing: a dark groove, then a lit bevel.
constexpr gfx::Rect kPanelGroove{399, 0, 1, 400}, kPanelBevelLine{400, 0, 1, 400};
// The header bar runs off the right edge and is square at the left, so the clock plate's cut
// from x = 405 is pure middle.
constexpr double kHeaderLeft = 401, kHeaderRight = 606;
constexpr double kWordmarkX = 551, kWordmarkY = kPlateHeight / 2.0;
constexpr int kWordmarkCell = 14;

void PaintPanelFrame(gfx::Image& img) {
  FillBox(img, kPanelArea, Pack(kPanel));
  FillBox(img, kPanelGroove, Pack(kPanelShade));
  FillBox(img, kPanelBevelLine, Pack(kPanelBevel));
}

void PaintHeader(gfx::Image& img, Faces& f) {
  PaintPlate(img, kHeaderLeft, 0, kHeaderRight, 0);
  LabelCentred(img, f.bold, "FROTHY!", kWordmarkCell, kWordmarkX, kWordmarkY, kCaption);
}

// A faint tray groups the two readouts; the plates are opaque, so the clock plate's cut does
// not care what lies under it.
constexpr gfx::Rect kReadoutTray{404, 112, 190, 112};
constexpr Colour kTrayFill = Hex(0x0D1C31);
constexpr Colour kTrayRim = Hex(0x1A3A50);

// Out-of-focus froth: soft discs with no outline, so nothing here passes for a bubble of the
// field beside the panel.
constexpr Spot kPanelFroth[] = {{436, 62, 22, 0.22}, {472, 40, 9, 0.16}, {560, 66, 26, 0.2},
                                {520, 90, 11, 0.14}, {500, 50, 5, 0.12}, {586, 100, 8, 0.12}};
constexpr Colour kFroth = Hex(0x3A86A8);

void PaintFroth(gfx::Image& img) {
  for (const Spot& b : kPanelFroth) {
    const gfx::Rect box{static_cast<int>(b.x - b.r) - 2, static_cast<int>(b.y - b.r) - 2,
                        static_cast<int>(2 * b.r) + 5, static_cast<int>(2 * b.r) + 5};
    // Denser towards the rim, as an out-of-focus bubble catches light at its edge.
    const auto soft = [b](double x, double y) {
      return Paint{kFroth, 0.55 + 0.45 * std::clamp(std::hypot(x - b.x, y - b.y) / b.r, 0.0, 1.0)};
    };
    Fill(On(img), box, Circle(b.x, b.y, b.r), soft, b.alpha);
  }
}

void PaintReadouts(gfx::Image& img, Faces& f) {
  const gfx::Rect& t = kReadoutTray;
  const Distance tray = RoundRect(t.X, t.Y, t.W, t.H, 8);
  Fill(On(img), t, tray, Flat(kTrayFill));
  Fill(On(img), t, InnerRim(tray, 1.0), Flat(kTrayRim));
  PaintPlate(img, kLevelPlateLeft, kLevelTop, kPlateRight, kPlateRadius);
  PaintPlate(img, kClockPlateLeft, kClockTop, kPlateRight, kPlateRadius);
  LabelRight(img, f.bold, "LEVEL", kCaptionCell, kLevelLabelRight, FigureBaseline(f, kLevelTop),
             kCaption);
  LabelRight(img, f.bold, "TIME", kCaptionCell, kClockLevelLabelRight, FigureBaseline(f, kClockTop),
             kCaption);
}

constexpr std::array<std::string_view, 4> kHowToPlay{
    "Click where bubbles overlap", "to merge them into one.", "Get down to a single bubble",
    "as fast as you can!"};
constexpr int kHowToTop = 244, kHowToLine = 17, kHeadingCell = 12, kHintCell = 14;

void PaintHowToPlay(gfx::Image& img, Faces& f) {
  LabelCentred(img, f.bold, "HOW TO PLAY", kHeadingCell, kPanelCentreX, kHowToTop, kCaption);
  for (std::size_t i = 0; i < kHowToPlay.size(); ++i)
    LabelCentred(img, f.regular, kHowToPlay[i], kHintCell, kPanelCentreX,
                 kHowToTop + kHowToLine * (static_cast<double>(i) + 1.2), kHintText);
}

// Two overlapping bubbles, the click between them, and the one bubble they become.
constexpr double kSketchY = 362;
constexpr Spot kSketchLeft{446, kSketchY, 15, 1.0}, kSketchRight{472, kSketchY, 13, 1.0};
constexpr Spot kSketchMerged{553, kSketchY, 20, 1.0};
constexpr double kClickX = 460;
constexpr double kArrowShaftLeft = 500, kArrowHeadLeft = 514, kArrowTip = 522;
constexpr gfx::Rect kSketchArea{420, 330, 180, 66};

void PaintMergeSketch(gfx::Image& img) {
  const gfx::Rect& area = kSketchArea;
  GlassBubble(On(img), kSketchLeft, 1.3);
  GlassBubble(On(img), kSketchRight, 1.3);
  Fill(On(img), area, Ring(kClickX, kSketchY, 3, 1.2), Flat(kWhite), 0.95);
  Fill(On(img), area, Circle(kClickX, kSketchY, 1.0), Flat(kWhite));
  const double shaft = kArrowHeadLeft - kArrowShaftLeft + 2;
  Fill(On(img), area, RoundRect(kArrowShaftLeft, kSketchY - 1, shaft, 2, 1), Flat(kCaption));
  const auto head = [](double x, double y) {
    return std::max(
        {std::abs(y - kSketchY) - (kArrowTip - x) * 0.6, kArrowHeadLeft - x, x - kArrowTip});
  };
  Fill(On(img), area, head, Flat(kCaption));
  GlassBubble(On(img), kSketchMerged, 1.4);
}

void PaintPanel(gfx::Image& img, Faces& f) {
  PaintPanelFrame(img);
  PaintHeader(img, f);
  PaintFroth(img);
  PaintReadouts(img, f);
  PaintHowToPlay(img, f);
  PaintMergeSketch(img);
}

gfx::Image PaintSheet(Faces& f) {
  gfx::Image sheet(gfx::sheet::kWidth, gfx::sheet::kHeight);
  FillBox(sheet, {0, 0, sheet.Width(), sheet.Height()}, kStripGround);
  PaintSea(sheet);
  PaintTitleBubbles(sheet);
  PaintLogo(sheet, f);
  PaintPanel(sheet, f);
  PaintControls(sheet, f);
  return sheet;
}

constexpr int kDesktopIconSizes[] = {32, 48, 128, 256};

// ---- Icon ----------------------------------------------------------------------------------

// The icon is designed on a 32-unit grid and drawn at any size from the same shapes.
constexpr double kIconGrid = 32.0;
using IconPixels = std::vector<std::uint32_t>;

// Straight colour over a premultiplied transparent canvas.
struct IconCanvas {
  explicit IconCanvas(int side)
      : size(side), px(static_cast<std::size_t>(side) * static_cast<std::size_t>(side)) {}
  int size;
  std::vector<std::array<double, 4>> px;
  void operator()(int x, int y, Colour c, double a) {
    if (x < 0 || y < 0 || x >= size || y >= size || a <= 0) return;
    auto& p = px[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
                 static_cast<std::size_t>(x)];
    a = std::min(a, 1.0);
    p = {c.r * a + p[0] * (1 - a), c.g * a + p[1] * (1 - a), c.b * a + p[2] * (1 - a),
         a + p[3] * (1 - a)};
  }
};

// Two glossy bubbles overlapping, the way the player finds them just before the click: the
// overlap glows and the arcs inside it are already fading.
constexpr double kBigX = 12, kBigY = 12, kBigR = 10, kSmallX = 21.5, kSmallY = 21.5, kSmallR = 8.5;
constexpr Colour kIconEdge = Hex(0x04203A);
constexpr Colour kIconBodyTop = Hex(0x2A9CC4);
constexpr Colour kIconBodyBottom = Hex(0x0B3A5C);
constexpr Colour kIconOverlap = Hex(0x7FE4FA);
constexpr Colour kIconRim = Hex(0xEAFCFF);

void IconRim(IconCanvas& canvas, double k, double cx, double cy, double r, const Distance& other) {
  const gfx::Rect box{0, 0, canvas.size, canvas.size};
  const auto fadeInside = [other](double x, double y) {
    return Paint{kIconRim, other(x, y) > 0 ? 1.0 : 0.4};
  };
  Fill(std::ref(canvas), box, InnerRim(Circle(cx, cy, r), 1.8 * k), fadeInside);
  Fill(std::ref(canvas), box, Circle(cx - r * 0.42, cy - r * 0.42, r * 0.2), Flat(kWhite), 0.95);
}

IconPixels PaintIcon(int side) {
  const double k = side / kIconGrid;
  IconCanvas canvas(side);
  const gfx::Rect box{0, 0, side, side};
  const auto plot = std::ref(canvas);
  const Distance big = Circle(kBigX * k, kBigY * k, kBigR * k);
  const Distance small = Circle(kSmallX * k, kSmallY * k, kSmallR * k);
  // A dark edge keeps the white rims readable on a light task bar as well as a dark one.
  Fill(plot, box, Grown(Union(big, small), 1.0 * k), Flat(kIconEdge));
  Fill(plot, box, Union(big, small), Vertical(kIconBodyTop, kIconBodyBottom, 2 * k, 28 * k));
  Fill(plot, box, Overlap(big, small), Flat(kIconOverlap), 0.55);
  IconRim(canvas, k, kBigX * k, kBigY * k, kBigR * k, small);
  IconRim(canvas, k, kSmallX * k, kSmallY * k, kSmallR * k, big);
  IconPixels argb(canvas.px.size());
  for (std::size_t i = 0; i < argb.size(); ++i) {
    const auto& p = canvas.px[i];
    if (Channel(p[3]) == 0) continue;  // fully clear pixels stay 0x00000000
    argb[i] = Channel(p[3]) << 24 | Pack({p[0] / p[3], p[1] / p[3], p[2] / p[3]});
  }
  return argb;
}

void WriteIcon(const std::string& path, const IconPixels& argb) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) throw gfx::Error("cannot write " + path);
  std::fprintf(f,
               "#include \"shell/icon.hpp\"\nnamespace shell {\nconst std::uint32_t "
               "kIconPixels[kIconSize * kIconSize] = {\n");
  for (std::size_t i = 0; i < argb.size(); ++i)
    std::fprintf(f, "0x%08Xu,%s", static_cast<unsigned>(argb[i]), i % 8 == 7 ? "\n" : "");
  std::fprintf(f, "};\n}  // namespace app\n");
  if (std::fclose(f) != 0) throw gfx::Error("cannot finish " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_art DATADIR GENERATEDDIR\n");
    return 2;
  }
  try {
    Faces faces;
    gfx::SaveBmp(PaintSheet(faces), std::string(argv[1]) + "/pic.bmp");
    const std::string generated = argv[2];
    WriteIcon(generated + "/icon_pixels.cpp", PaintIcon(shell::kIconSize));
    // The desktop's icons, from the same design as the window's.
    for (int side : kDesktopIconSizes)
      tools::WritePngArgb(PaintIcon(side), side,
                          generated + "/frothy-" + std::to_string(side) + ".png");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_art: %s\n", e.what());
    return 1;
  }
  return 0;
}
