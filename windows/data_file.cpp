#include <windows.h>

#include <algorithm>

#include "store/data_file.hpp"
#include "win/folder_lock.hpp"
#include "win/handle.hpp"
#include "win/utf16.hpp"

namespace store {
std::vector<unsigned char> ReadDataFile(const std::string& path, std::uintmax_t maxBytes) {
  const std::wstring wide = win::Wide(path);
  const DWORD attrs = ::GetFileAttributesW(wide.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
    throw NotAPlainFile(path, "a folder");
  win::Handle h(::CreateFileW(wide.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) throw DataFileError(path + ": " + win::SystemText(::GetLastError()));
  switch (::GetFileType(h.Get())) {
    case FILE_TYPE_DISK:
      break;
    case FILE_TYPE_PIPE:
      throw NotAPlainFile(path, "a named pipe");
    case FILE_TYPE_CHAR:
      throw NotAPlainFile(path, "a device");
    default:
      throw NotAPlainFile(path, "not a plain file");
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(h.Get(), &size))
    throw DataFileError(path + ": " + win::SystemText(::GetLastError()));
  const auto bytes = static_cast<std::uintmax_t>(size.QuadPart);
  if (bytes > maxBytes) throw TooLarge(path, bytes, maxBytes);
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
