#include "win/folder_lock.hpp"

#include <windows.h>

#include <cwctype>

#include "win/utf16.hpp"

namespace win {

std::string SystemText(unsigned long err) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, err, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring out = n ? std::wstring(text, n) : L"error " + std::to_wstring(err);
  if (text) ::LocalFree(text);
  while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L'.'))
    out.pop_back();
  return Utf8(out);
}

FolderLock::FolderLock(const std::string& dataDir) {
  const std::wstring dir = Wide(dataDir);
  const std::wstring path = dir + Wide(kLockFileName);
  handle_ = Handle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_.Valid())
    handle_ = Handle(::CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (handle_.Valid()) {
    OVERLAPPED whole{};
    if (::LockFileEx(handle_.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                     &whole)) {
      state_ = State::Held;
      return;
    }
    const DWORD err = ::GetLastError();
    handle_.Reset();
    if (err == ERROR_LOCK_VIOLATION || err == ERROR_IO_PENDING) {
      state_ = State::Busy;
      return;
    }
    reason_ = SystemText(err);
    return;
  }
  // No lock file: a mutex named after the folder's full path, case folded as Windows compares
  // paths, with the one character a name may not hold replaced.
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = ::GetFullPathNameW(dir.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n >= full.size()) {
    full.resize(n);
    n = ::GetFullPathNameW(dir.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  full.resize(n);
  std::wstring name = L"Local\\FROTHY!";
  for (wchar_t c : full) name += c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c));
  handle_ = Handle(::CreateMutexW(nullptr, TRUE, name.c_str()));
  if (!handle_.Valid()) {
    reason_ = SystemText(::GetLastError());
    return;
  }
  state_ = ::GetLastError() == ERROR_ALREADY_EXISTS ? State::Busy : State::Held;
  if (state_ == State::Busy) handle_.Reset();
}

}  // namespace win
