#pragma once
// Text rasterising behind TextOut: a text becomes a coverage mask one character cell high.
#include <cstdint>
#include <string_view>
#include <vector>

namespace gfx {

// Glyph coverage of one line of text, 0 (background) to 255 (glyph), row-major.
// Width is the advance width of the whole text; Height is exactly the requested cell height.
struct TextMask {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Coverage;
};

class TextRasterizer {
 public:
  virtual ~TextRasterizer() = default;
  // The mask of a UTF-8 text at a cell height in pixels. The reference stays valid until the
  // next call.
  virtual const TextMask& Render(std::string_view utf8, int cellHeight) = 0;
};

}  // namespace gfx
