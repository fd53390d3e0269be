#include <cinttypes>
#include <cstdio>

#include "store/data_file.hpp"

namespace store {
namespace {

std::string Size(std::uintmax_t bytes) {
  char text[32];
  if (bytes >= (std::uintmax_t{1} << 20))
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  else
    std::snprintf(text, sizeof text, "%" PRIuMAX " bytes", bytes);
  return text;
}

}  // namespace

DataFileError NotAPlainFile(const std::string& path, const std::string& kind) {
  return DataFileError(path + ": " + kind + ", not a file the game can read");
}

DataFileError TooLarge(const std::string& path, std::uintmax_t bytes, std::uintmax_t maxBytes) {
  return DataFileError(path + ": " + Size(bytes) +
                       ", far more than the game's data can be (at most " + Size(maxBytes) + ")");
}

}  // namespace store
