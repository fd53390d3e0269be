#pragma once
// Windows bitmap (BMP) files to and from images.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/image.hpp"
#include "gfx/sheet.hpp"

namespace gfx {

// Largest width or height accepted from a file; a header claiming more, or more pixels than
// kMaxBmpPixels, is refused before any pixel memory is reserved for it.
inline constexpr int kMaxBmpSide = 8192;

// Most pixels a bitmap may claim: twenty sheets' worth (5,016,000: a 600 x 418 sheet scaled to
// 2400 x 1800 fits). Only the sheet's own 600 x 418 is ever cut from it, and memory goes by what
// the header claims, not by what the file holds (a 17 KB run-length bitmap claiming 8192 x 8192
// took 335 MB): a larger claim is refused from the header alone, before anything is decoded.
inline constexpr std::int64_t kMaxBmpPixels = 20 * std::int64_t{sheet::kWidth} * sheet::kHeight;

// Largest sheet file read: the most pixels at 32 bits a pixel, and 64 KB for the headers and a
// palette. A larger file is refused before it is read.
inline constexpr std::uintmax_t kMaxSheetBytes =
    4 * static_cast<std::uintmax_t>(kMaxBmpPixels) + (std::uintmax_t{64} << 10);

// Reads any bitmap SDL understands (1, 4, 8, 16, 24, 32 bits, RLE, top-down). Throws gfx::Error
// with a readable text when the file cannot be opened, is not a regular file, is larger than
// kMaxSheetBytes or is not a valid bitmap.
Image LoadBmp(const std::string& path);

// The same for a bitmap file already in memory; `name` only labels the error texts.
Image DecodeBmp(const void* data, std::size_t size, const std::string& name);

// The sprite sheet from a bitmap file's bytes, taken over: only its top-left sheet::kWidth x
// sheet::kHeight, the part anything is cut from, is kept, and the bytes go as soon as they are
// decoded. The file, the decoded bitmap and a picture of its whole size are never held at
// once, so the largest bitmap accepted costs two of its sizes, not three.
Image DecodeSheet(std::vector<unsigned char>&& bytes, const std::string& name);

// Writes a 24-bit bitmap. Throws gfx::Error on failure.
void SaveBmp(const Image& image, const std::string& path);

}  // namespace gfx
