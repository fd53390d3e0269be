#include "gfx/bmp.hpp"

#include <SDL2/SDL.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "sdl_owned.hpp"
#include "store/data_file.hpp"

namespace gfx {
namespace {

using SurfacePtr = sdl::Owned<SDL_Surface, SDL_FreeSurface>;

std::int32_t Le32(const unsigned char* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

// The decoder would reserve memory for whatever size the header claims before it finds out
// that the pixels are not there; refuse absurd sizes up front.
void CheckClaimedSize(const unsigned char* h, std::size_t size, const std::string& name) {
  if (size < 26 || h[0] != 'B' || h[1] != 'M') return;  // the decoder reports it
  const std::int32_t infoSize = Le32(&h[14]);
  std::int64_t w = 0, hgt = 0;
  if (infoSize == 12) {  // OS/2 core header: 16-bit sizes
    w = h[18] | h[19] << 8;
    hgt = h[20] | h[21] << 8;
  } else {
    w = Le32(&h[18]);
    hgt = Le32(&h[22]);
  }
  if (std::llabs(w) > kMaxBmpSide || std::llabs(hgt) > kMaxBmpSide) {
    throw Error(name + ": the bitmap claims " + std::to_string(w) + " x " +
                std::to_string(std::llabs(hgt)) + " pixels, more than " +
                std::to_string(kMaxBmpSide) + " x " + std::to_string(kMaxBmpSide));
  }
  if (std::llabs(w) * std::llabs(hgt) > kMaxBmpPixels) {
    throw Error(name + ": the bitmap claims " + std::to_string(w) + " x " +
                std::to_string(std::llabs(hgt)) + " pixels, more than a sheet can use (at most " +
                std::to_string(kMaxBmpPixels) + " pixels; the sheet is " +
                std::to_string(sheet::kWidth) + " x " + std::to_string(sheet::kHeight) + ")");
  }
  // Uncompressed pixels must be in the file: a short one is refused before its surface is made.
  if (infoSize >= 40 && size >= 34) {
    const int bits = h[28] | h[29] << 8;
    const std::int32_t compression = Le32(&h[30]);
    const std::int64_t offset = static_cast<std::uint32_t>(Le32(&h[10]));
    if ((compression == 0 || compression == 3) && bits > 0 && bits <= 32) {
      const std::int64_t rowBytes = (std::llabs(w) * bits + 31) / 32 * 4;
      const std::int64_t needed = offset + rowBytes * std::llabs(hgt);
      if (needed > static_cast<std::int64_t>(size))
        throw Error(name + ": the file ends before its pixels do (" + std::to_string(size) +
                    " of " + std::to_string(needed) + " bytes)");
    }
  }
}

// The bitmap as SDL decodes it, in its own format.
SurfacePtr LoadSurface(const void* data, std::size_t size, const std::string& name) {
  CheckClaimedSize(static_cast<const unsigned char*>(data), size, name);
  SDL_RWops* rw =
      SDL_RWFromConstMem(data, static_cast<int>(std::min<std::size_t>(size, INT32_MAX)));
  if (!rw) throw Error(name + ": " + SDL_GetError());
  SurfacePtr loaded(SDL_LoadBMP_RW(rw, 1));
  if (!loaded) throw Error(name + ": " + SDL_GetError());
  return loaded;
}

// The bitmap's top-left `maxW` x `maxH` pixels at most (all of it by default).
Image ToImage(const SurfacePtr& loaded, const std::string& name, int maxW = INT_MAX,
              int maxH = INT_MAX) {
  // Converted straight into the image's own pixels: one copy, not two.
  Image image;
  try {
    image = Image(std::min(loaded->w, maxW), std::min(loaded->h, maxH));
  } catch (const std::bad_alloc&) {
    throw Error(name + ": not enough memory for " + std::to_string(loaded->w) + " x " +
                std::to_string(loaded->h) + " pixels");
  }
  if (image.Empty()) throw Error(name + ": the bitmap has no pixels");
  SurfacePtr view(SDL_CreateRGBSurfaceWithFormatFrom(image.Pixels().data(), image.Width(),
                                                     image.Height(), 32, image.Width() * 4,
                                                     SDL_PIXELFORMAT_RGB888));
  if (!view) throw Error(name + ": " + SDL_GetError());
  SDL_SetSurfaceBlendMode(loaded.get(), SDL_BLENDMODE_NONE);
  SDL_Rect part{0, 0, image.Width(), image.Height()};
  if (SDL_BlitSurface(loaded.get(), &part, view.get(), nullptr) != 0)
    throw Error(name + ": " + SDL_GetError());
  for (Rgb& p : image.Pixels()) p &= 0xFFFFFF;
  return image;
}

}  // namespace

Image LoadBmp(const std::string& path) {
  std::vector<unsigned char> bytes;
  try {
    bytes = store::ReadDataFile(path, kMaxSheetBytes);
  } catch (const store::DataFileError& e) {
    throw Error(e.what());
  }
  const SurfacePtr loaded = LoadSurface(bytes.data(), bytes.size(), path);
  // The file's bytes go before the image is made: never the file, the decoded bitmap and the
  // image at once.
  std::vector<unsigned char>().swap(bytes);
  return ToImage(loaded, path);
}

Image DecodeBmp(const void* data, std::size_t size, const std::string& name) {
  return ToImage(LoadSurface(data, size, name), name);
}

Image DecodeSheet(std::vector<unsigned char>&& bytes, const std::string& name) {
  const SurfacePtr loaded = LoadSurface(bytes.data(), bytes.size(), name);
  std::vector<unsigned char>().swap(bytes);
  return ToImage(loaded, name, sheet::kWidth, sheet::kHeight);
}

void SaveBmp(const Image& image, const std::string& path) {
  SurfacePtr s(
      SDL_CreateRGBSurfaceWithFormat(0, image.Width(), image.Height(), 24, SDL_PIXELFORMAT_BGR24));
  if (!s) throw Error(path + ": " + SDL_GetError());
  for (int y = 0; y < image.Height(); ++y) {
    auto* row = static_cast<std::uint8_t*>(s->pixels) + static_cast<std::size_t>(y) * s->pitch;
    for (int x = 0; x < image.Width(); ++x) {
      const Rgb p = image.At(x, y);
      row[3 * x + 0] = static_cast<std::uint8_t>(p);
      row[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(p >> 16);
    }
  }
  if (SDL_SaveBMP(s.get(), path.c_str()) != 0) throw Error(path + ": " + SDL_GetError());
}

}  // namespace gfx
