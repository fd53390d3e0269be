#pragma once
// Windows bitmap (BMP) files to and from images.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gfx/image.hpp"

namespace gfx {

// Largest width or height accepted from a file; a header claiming more is refused before any
// pixel memory is reserved for it.
inline constexpr int kMaxBmpSide = 8192;

// Largest sheet file read: thirty times what a 600 x 418 sheet takes even at 32 bits a pixel.
// A larger file is refused before it is read.
inline constexpr std::uintmax_t kMaxSheetBytes = std::uintmax_t{32} << 20;

// Reads any bitmap SDL understands (1, 4, 8, 16, 24, 32 bits, RLE, top-down). Throws gfx::Error
// with a readable text when the file cannot be opened, is not a regular file, is larger than
// kMaxSheetBytes or is not a valid bitmap.
Image LoadBmp(const std::string& path);

// The same for a bitmap file already in memory; `name` only labels the error texts.
Image DecodeBmp(const void* data, std::size_t size, const std::string& name);

// Writes a 24-bit bitmap. Throws gfx::Error on failure.
void SaveBmp(const Image& image, const std::string& path);

}  // namespace gfx
