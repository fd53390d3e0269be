#include "gfx/ttf_text.hpp"

#include <SDL2/SDL_ttf.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cstring>
#include <vector>

#include "sdl_owned.hpp"

namespace gfx {
namespace {

// A long run of distinct texts (the clock over hours) must not grow without bound.
constexpr std::size_t kMaxCachedTexts = 1024;

void DoneLibrary(FT_LibraryRec_* library) {
  FT_Done_FreeType(library);
}
void DoneFace(FT_FaceRec_* face) {
  FT_Done_Face(face);
}

// The code point that starts `text`, and its length in bytes; a byte that starts no valid
// sequence is one U+FFFD.
std::uint32_t NextCodePoint(std::string_view text, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[0]);
  length = 1;
  if (lead < 0x80) return lead;
  const std::size_t n = (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
  if (n == 0 || n > text.size()) return 0xFFFD;
  std::uint32_t c = lead & (0x7Fu >> n);
  for (std::size_t i = 1; i < n; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 0xFFFD;
    c = c << 6 | (next & 0x3Fu);
  }
  length = n;
  return c;
}

}  // namespace

struct TtfText::Face {
  sdl::Owned<TTF_Font, TTF_CloseFont> font;
  // The same face at the same size, for the advances the pen moves by.
  sdl::Owned<FT_LibraryRec_, DoneLibrary> library;
  sdl::Owned<FT_FaceRec_, DoneFace> outlines;
  int pointSize = 0;
};

// TTF_Init is reference counted: one count per live rasteriser.
TtfText::TtfText(std::string fontPath) : path_(std::move(fontPath)) {
  if (TTF_Init() != 0) throw Error(TTF_GetError());
  try {
    // Read through SDL, which takes a UTF-8 path on every system (FreeType's own open does not
    // on Windows).
    std::size_t size = 0;
    const sdl::Owned<void, SDL_free> bytes(SDL_LoadFile(path_.c_str(), &size));
    if (!bytes) throw Error("cannot open font " + path_ + ": " + SDL_GetError());
    const auto* begin = static_cast<const unsigned char*>(bytes.get());
    file_.assign(begin, begin + size);
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
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) throw Error("cannot start FreeType");
  face->library.reset(library);
  FT_Face outlines = nullptr;
  const FT_Error opened =
      FT_New_Memory_Face(library, file_.data(), static_cast<FT_Long>(file_.size()), 0, &outlines);
  if (opened != 0) throw Error("cannot open font " + path_);
  face->outlines.reset(outlines);
  if (FT_Set_Char_Size(outlines, 0, static_cast<FT_F26Dot6>(best) * 64, 0, 0) != 0) {
    throw Error("cannot size font " + path_);
  }
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
  Face& face = FaceFor(cellHeight);
  // Laid out here rather than by SDL_ttf: each character is drawn alone and put at the pen,
  // which moves by the face's unhinted advance, as SDL_ttf does when it shapes with HarfBuzz
  // (the desktop). Without HarfBuzz (the browser, Windows) SDL_ttf kerns and rounds each step
  // its own way, and the same text would come out a pixel off here and there. Overlapping
  // coverage is OR-ed, as SDL_ttf does within a line.
  struct Placed {
    sdl::Owned<SDL_Surface, SDL_FreeSurface> glyph;
    int x, y;  // where its top left goes on the line
  };
  std::vector<Placed> placed;
  const int ascent = TTF_FontAscent(face.font.get());
  FT_Pos pen = 0;  // 26.6
  int left = 0, right = 0, top = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t length = 0;
    const std::uint32_t c = NextCodePoint(utf8.substr(at), length);
    at += length;
    int minX = 0, maxX = 0, maxY = 0;
    if (TTF_GlyphMetrics32(face.font.get(), c, &minX, &maxX, nullptr, &maxY, nullptr) != 0) {
      continue;
    }
    const int x = static_cast<int>(pen >> 6);
    left = std::min(left, x + minX);
    right = std::max(right, x + maxX);
    top = std::min(top, ascent - maxY);
    // A glyph drawn alone starts at its ink when that lies left of the pen or above the line.
    placed.push_back(
        {sdl::Owned<SDL_Surface, SDL_FreeSurface>(TTF_RenderGlyph32_Shaded(
             face.font.get(), c, SDL_Color{255, 255, 255, 255}, SDL_Color{0, 0, 0, 255})),
         x + std::min(0, minX), std::min(0, ascent - maxY)});
    FT_Fixed step = 0;
    FT_Get_Advance(face.outlines.get(), FT_Get_Char_Index(face.outlines.get(), c),
                   FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT, &step);
    pen += (step + (1 << 9)) >> 10;  // 16.16 to 26.6
  }
  right = std::max(right, static_cast<int>(pen >> 6));
  if (right > left) {
    mask.Width = right - left;
    mask.Coverage.assign(static_cast<std::size_t>(mask.Width) * cellHeight, 0);
    for (const Placed& p : placed) {
      const SDL_Surface* s = p.glyph.get();
      if (!s) continue;
      const auto* pixels = static_cast<const std::uint8_t*>(s->pixels);
      const SDL_Color* palette = s->format->palette ? s->format->palette->colors : nullptr;
      for (int y = 0; y < s->h; ++y) {
        const int row = p.y - top + y;
        if (row < 0 || row >= cellHeight) continue;
        for (int x = 0; x < s->w; ++x) {
          const int col = p.x - left + x;
          if (col < 0 || col >= mask.Width) continue;
          const std::uint8_t index = pixels[static_cast<std::size_t>(y) * s->pitch + x];
          mask.Coverage[static_cast<std::size_t>(row) * mask.Width + col] |=
              palette ? palette[index].r : index;
        }
      }
    }
  }
  ++maskCount_;
  return byText.emplace(std::string(utf8), std::move(mask)).first->second;
}

}  // namespace gfx
