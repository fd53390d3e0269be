#include "win/play_folder.hpp"

#include <shlobj.h>
#include <windows.h>

#include "win/folder_lock.hpp"
#include "win/handle.hpp"
#include "win/utf16.hpp"

namespace win {
namespace {

std::string WithBackslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  return dir;
}

// Whether the game could keep its lock file there, and so its record.
bool Writable(const std::string& dir) {
  const Handle h(::CreateFileW(Wide(dir + kLockFileName).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return h.Valid();
}

std::string LocalAppData() {
  wchar_t* path = nullptr;
  std::string out;
  if (::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path) == S_OK) out = Utf8(path);
  ::CoTaskMemFree(path);
  return out;
}

}  // namespace

std::string ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L"\\/");
  return Utf8(slash == std::wstring::npos ? L".\\" : path.substr(0, slash + 1));
}

PlayFolder ChoosePlayFolder(const std::string& programDir, std::string fallbackDir) {
  PlayFolder out;
  out.dir = WithBackslash(programDir);
  if (Writable(out.dir)) return out;
  if (fallbackDir.empty()) fallbackDir = LocalAppData();
  if (fallbackDir.empty()) return out;  // nowhere else: play on, saves will say why
  const std::string dir = WithBackslash(fallbackDir) + "FROTHY\\";
  out.made = ::CreateDirectoryW(Wide(dir).c_str(), nullptr) != 0;
  if (!out.made && ::GetLastError() != ERROR_ALREADY_EXISTS) return out;
  CopyMissing(out.dir, dir, kDefaultFiles);
  out.dir = dir;
  out.moved = true;
  return out;
}

int CopyMissing(const std::string& from, const std::string& to,
                const std::vector<std::string>& names) {
  int copied = 0;
  for (const std::string& name : names) {
    // Fails, leaving it alone, where the player already has a file of that name.
    const std::wstring target = Wide(to + name);
    if (!::CopyFileW(Wide(from + name).c_str(), target.c_str(), TRUE)) continue;
    // A copy of a read-only default would refuse every save.
    const DWORD attrs = ::GetFileAttributesW(target.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY))
      ::SetFileAttributesW(target.c_str(), attrs & ~DWORD{FILE_ATTRIBUTE_READONLY});
    ++copied;
  }
  return copied;
}

}  // namespace win
