#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "store/data_file.hpp"
#include "win/folder_lock.hpp"
#include "win/handle.hpp"
#include "win/utf16.hpp"

namespace store {
namespace {

std::string Size(std::uintmax_t bytes) {
  char text[32];
  if (bytes >= (std::uintmax_t{1} << 20))
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  else
    std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
  return text;
}

}  // namespace

std::vector<unsigned char> ReadDataFile(const std::string& path, std::uintmax_t maxBytes) {
  const std::wstring wide = win::Wide(path);
  const DWORD attrs = ::GetFileAttributesW(wide.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
    throw DataFileError(path + ": a folder, not a file the game can read");
  win::Handle h(::CreateFileW(wide.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) throw DataFileError(path + ": " + win::SystemText(::GetLastError()));
  switch (::GetFileType(h.Get())) {
    case FILE_TYPE_DISK:
      break;
    case FILE_TYPE_PIPE:
      throw DataFileError(path + ": a named pipe, not a file the game can read");
    case FILE_TYPE_CHAR:
      throw DataFileError(path + ": a device, not a file the game can read");
    default:
      throw DataFileError(path + ": not a plain file, not a file the game can read");
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(h.Get(), &size))
    throw DataFileError(path + ": " + win::SystemText(::GetLastError()));
  const auto bytes = static_cast<std::uintmax_t>(size.QuadPart);
  if (bytes > maxBytes)
    throw DataFileError(path + ": " + Size(bytes) +
                        ", far more than the game's data can be (at most " + Size(maxBytes) + ")");
  std::vector<unsigned char> out(static_cast<std::size_t>(bytes));
  std::size_t got = 0;
  while (got < out.size()) {
    DWORD n = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(out.size() - got, 1u << 30));
    if (!::ReadFile(h.Get(), out.data() + got, want, &n, nullptr))
      throw DataFileError(path + ": " + win::SystemText(::GetLastError()));
    if (n == 0) break;  // shrank meanwhile: the decoders judge what is there
    got += n;
  }
  out.resize(got);
  return out;
}

}  // namespace store
