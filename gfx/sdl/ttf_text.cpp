#include "gfx/ttf_text.hpp"

#include <SDL2/SDL_ttf.h>

#include <algorithm>
#include <cstring>

#include "sdl_owned.hpp"

namespace gfx {
namespace {

// A long run of distinct texts (the clock over hours) must not grow without bound.
constexpr std::size_t kMaxCachedTexts = 1024;

}  // namespace

struct TtfText::Face {
  sdl::Owned<TTF_Font, TTF_CloseFont> font;
  int pointSize = 0;
};

// TTF_Init is reference counted: one count per live rasteriser.
TtfText::TtfText(std::string fontPath) : path_(std::move(fontPath)) {
  if (TTF_Init() != 0) throw Error(TTF_GetError());
  try {
    FaceFor(18);  // fail at start-up, not in the first frame that writes text
  } catch (...) {
    TTF_Quit();
    throw;
  }
}

TtfText::~TtfText() {
  faces_.clear();
  TTF_Quit();
}

TtfText::Face& TtfText::FaceFor(int cellHeight) {
  auto it = faces_.find(cellHeight);
  if (it != faces_.end()) return *it->second;
  auto face = std::make_unique<Face>();
  face->font.reset(TTF_OpenFont(path_.c_str(), cellHeight));
  if (!face->font) throw Error(std::string("cannot open font ") + path_ + ": " + TTF_GetError());
  // Light hinting snaps strokes to whole rows, so thin horizontal strokes (the hyphens of an
  // empty place) come out in their full colour instead of a paler blur.
  TTF_SetFontHinting(face->font.get(), TTF_HINTING_LIGHT);
  // Line height grows with the point size: take the largest size whose line fits the cell,
  // resizing the one open face rather than reopening the file for every probe.
  auto fits = [&](int pt) {
    return TTF_SetFontSize(face->font.get(), pt) == 0 &&
           TTF_FontHeight(face->font.get()) <= cellHeight;
  };
  int best = 1;
  for (int pt = cellHeight; pt >= 1; --pt) {
    if (fits(pt)) {
      best = pt;
      break;
    }
  }
  TTF_SetFontSize(face->font.get(), best);
  face->pointSize = best;
  return *faces_.emplace(cellHeight, std::move(face)).first->second;
}

int TtfText::PointSizeFor(int cellHeight) {
  return FaceFor(cellHeight).pointSize;
}

const TextMask& TtfText::Render(std::string_view utf8, int cellHeight) {
  auto& byText = masks_[cellHeight];
  if (auto it = byText.find(utf8); it != byText.end()) return it->second;
  if (maskCount_ >= kMaxCachedTexts) {
    for (auto& [height, texts] : masks_) texts.clear();
    maskCount_ = 0;
  }

  TextMask mask;
  mask.Height = cellHeight;
  const std::string text(utf8);
  Face& face = FaceFor(cellHeight);
  int w = 0, h = 0;
  if (!text.empty() && TTF_SizeUTF8(face.font.get(), text.c_str(), &w, &h) == 0 && w > 0) {
    // Shaded rendering gives an 8-bit surface whose index is the glyph coverage.
    const sdl::Owned<SDL_Surface, SDL_FreeSurface> s(TTF_RenderUTF8_Shaded(
        face.font.get(), text.c_str(), SDL_Color{255, 255, 255, 255}, SDL_Color{0, 0, 0, 255}));
    if (s) {
      mask.Width = w;
      mask.Coverage.assign(static_cast<std::size_t>(w) * cellHeight, 0);
      const int rows = std::min(s->h, cellHeight);
      const int cols = std::min(s->w, w);
      const auto* pixels = static_cast<const std::uint8_t*>(s->pixels);
      const SDL_Color* palette = s->format->palette ? s->format->palette->colors : nullptr;
      for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
          const std::uint8_t index = pixels[static_cast<std::size_t>(y) * s->pitch + x];
          mask.Coverage[static_cast<std::size_t>(y) * w + x] = palette ? palette[index].r : index;
        }
      }
    }
  }
  ++maskCount_;
  return byText.emplace(text, std::move(mask)).first->second;
}

}  // namespace gfx
