#include "png.hpp"

#include <png.h>

#include <cstdio>
#include <memory>

namespace tools {
namespace {

struct File {
  std::FILE* f;
  ~File() {
    if (f) std::fclose(f);
  }
};

// Rows of 8-bit samples, `channels` per pixel.
void Write(const std::string& path, int width, int height, int channels,
           const std::vector<std::uint8_t>& samples) {
  File file{std::fopen(path.c_str(), "wb")};
  if (!file.f) throw gfx::Error("cannot write " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw gfx::Error("cannot write " + path);
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw gfx::Error("cannot write " + path);
  }
  png_init_io(png, file.f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y)
    png_write_row(png, samples.data() + static_cast<std::size_t>(y) * width * channels);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
}

}  // namespace

void WritePng(const gfx::Image& image, const std::string& path, int rows) {
  const int height = rows > 0 && rows < image.Height() ? rows : image.Height();
  std::vector<std::uint8_t> samples;
  samples.reserve(static_cast<std::size_t>(image.Width()) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const gfx::Rgb p = image.At(x, y);
      samples.push_back(static_cast<std::uint8_t>(p >> 16));
      samples.push_back(static_cast<std::uint8_t>(p >> 8));
      samples.push_back(static_cast<std::uint8_t>(p));
    }
  }
  Write(path, image.Width(), height, 3, samples);
}

void WritePngArgb(const std::vector<std::uint32_t>& argb, int size, const std::string& path) {
  std::vector<std::uint8_t> samples;
  samples.reserve(argb.size() * 4);
  for (std::uint32_t p : argb) {
    samples.push_back(static_cast<std::uint8_t>(p >> 16));
    samples.push_back(static_cast<std::uint8_t>(p >> 8));
    samples.push_back(static_cast<std::uint8_t>(p));
    samples.push_back(static_cast<std::uint8_t>(p >> 24));
  }
  Write(path, size, size, 4, samples);
}

}  // namespace tools
