#pragma once
// TextRasterizer on one TrueType face through SDL_ttf. Each cell height opens the face once,
// at the largest size whose line height fits the cell; each distinct (text, height) is
// rasterised once and kept, so steady frames never touch the glyph renderer.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gfx/image.hpp"
#include "gfx/text.hpp"

namespace gfx {

class TtfText final : public TextRasterizer {
 public:
  // Throws gfx::Error when the face cannot be opened.
  explicit TtfText(std::string fontPath);
  ~TtfText() override;
  TtfText(const TtfText&) = delete;
  TtfText& operator=(const TtfText&) = delete;

  const TextMask& Render(std::string_view utf8, int cellHeight) override;

  // Point size chosen for a cell height (opens the face at that height if needed).
  int PointSizeFor(int cellHeight);

 private:
  struct Face;
  Face& FaceFor(int cellHeight);

  std::string path_;
  std::vector<unsigned char> file_;  // the face's bytes, read once, for FreeType's advances
  std::map<int, std::unique_ptr<Face>> faces_;
  std::map<int, std::map<std::string, TextMask, std::less<>>> masks_;  // by height, then text
  std::size_t maskCount_ = 0;
};

}  // namespace gfx
