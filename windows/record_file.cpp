#include "win/record_file.hpp"

#include <windows.h>

#include <cstdint>
#include <utility>

#include "win/handle.hpp"
#include "win/utf16.hpp"

namespace win {
namespace {

// The random tail of a temporary name: "b_data.dat." and six letters or digits, as on the
// other systems.
constexpr std::size_t kTempTail = 6;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

[[noreturn]] void Throw(int code) {
  throw store::IoError(code, store::IoErrorText(code));
}

[[noreturn]] void Fail(DWORD err) {
  throw ErrorFor(err);
}

std::pair<std::wstring, std::wstring> Split(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {L".", path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// Reads up to bytes.size() bytes from offset 0; returns how many there were.
std::size_t ReadAt0(HANDLE h, store::RecordBytes& bytes) {
  std::size_t got = 0;
  while (got < bytes.size()) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(got);
    DWORD n = 0;
    if (!::ReadFile(h, bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &n, &at)) {
      const DWORD err = ::GetLastError();
      if (err == ERROR_HANDLE_EOF) break;
      Fail(err);
    }
    if (n == 0) break;
    got += n;
  }
  return got;
}

// Writes all of `size` bytes at offset 0 or fails: a write that stops short without an error is
// a full disk.
void WriteAt0(HANDLE h, const std::uint8_t* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(done);
    DWORD n = 0;
    if (!::WriteFile(h, data + done, static_cast<DWORD>(size - done), &n, &at))
      Fail(::GetLastError());
    if (n == 0) Throw(store::kDiskFull);
    done += n;
  }
}

void Flush(HANDLE h) {
  if (!::FlushFileBuffers(h)) Fail(::GetLastError());
}

// A record that is no plain file on a disk (a pipe, a device) would leave the game waiting.
void RequireDiskFile(HANDLE h) {
  if (::GetFileType(h) != FILE_TYPE_DISK) Throw(store::kAccessDenied);
}

// Writes the record over the one that is there and only then cuts what lies beyond it, so that
// no moment leaves less than a whole record. The file keeps its attributes, its security and
// every hard link to it.
void SaveInPlace(const std::wstring& path, const store::RecordBytes& bytes) {
  Handle h(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) Fail(::GetLastError());
  RequireDiskFile(h.Get());
  // The old bytes go back if the write fails part-way.
  store::RecordBytes old{};
  const std::size_t had = ReadAt0(h.Get(), old);
  try {
    WriteAt0(h.Get(), bytes.data(), bytes.size());
  } catch (...) {
    if (had > 0) {
      OVERLAPPED at{};
      DWORD n = 0;
      (void)::WriteFile(h.Get(), old.data(), static_cast<DWORD>(had), &n, &at);
    }
    throw;
  }
  Flush(h.Get());
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(h.Get(), &size) &&
      size.QuadPart > static_cast<LONGLONG>(store::kRecordSize)) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(store::kRecordSize);
    if (!::SetFilePointerEx(h.Get(), end, nullptr, FILE_BEGIN) || !::SetEndOfFile(h.Get()))
      Fail(::GetLastError());
    Flush(h.Get());
  }
}

bool IsTempName(const std::wstring& base, const std::wstring& name) {
  if (name.size() != base.size() + 1 + kTempTail || name.compare(0, base.size(), base) != 0 ||
      name[base.size()] != L'.')
    return false;
  for (std::size_t i = base.size() + 1; i < name.size(); ++i) {
    const wchar_t c = name[i];
    if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')))
      return false;
  }
  return true;
}

// A new file beside the record, made only if no file of that name exists.
Handle CreateTemp(const std::wstring& folder, const std::wstring& base, std::wstring& temp) {
  static constexpr wchar_t kChars[] =
      L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  std::uint64_t state = static_cast<std::uint64_t>(now.QuadPart) ^
                        (std::uint64_t{::GetCurrentProcessId()} << 32) ^ 0x9E3779B97F4A7C15u;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = folder + L"\\" + base + L".";
    for (std::size_t i = 0; i < kTempTail; ++i) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      temp += kChars[state % (sizeof kChars / sizeof kChars[0] - 1)];
    }
    Handle h(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h.Valid() || ::GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  ::SetLastError(ERROR_FILE_EXISTS);
  return Handle();
}

// The errors that mean the folder takes no new file, or the record cannot be replaced, while
// the record itself may still be written.
bool WritableInPlace(DWORD err) {
  return err == ERROR_ACCESS_DENIED || err == ERROR_WRITE_PROTECT || err == ERROR_DISK_FULL ||
         err == ERROR_HANDLE_DISK_FULL || err == ERROR_SHARING_VIOLATION;
}

}  // namespace

store::IoError ErrorFor(unsigned long err) {
  int code = 0;
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
      code = store::kFileMissing;
      break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE:
      code = store::kFolderMissing;
      break;
    case ERROR_TOO_MANY_OPEN_FILES:
      code = store::kTooManyFiles;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      code = store::kAccessDenied;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      code = store::kDiskFull;
      break;
    default:
      return store::IoError(static_cast<int>(err),
                            store::GenericIoErrorText(static_cast<int>(err)));
  }
  return store::IoError(code, store::IoErrorText(code));
}

void Load(const std::string& utf8Path, store::Record& record) {
  const std::wstring path = Wide(utf8Path);
  // A read-only record fails to load as it would fail to save, even for an administrator whom
  // the system lets through (and under Wine, for root).
  const DWORD attrs = ::GetFileAttributesW(path.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY))
    Throw(store::kAccessDenied);
  Handle h(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) Fail(::GetLastError());
  RequireDiskFile(h.Get());
  store::RecordBytes bytes = store::Encode(record);
  const std::size_t got = ReadAt0(h.Get(), bytes);
  record = store::Decode(bytes);  // a short file has overlaid what it had from offset 0
  if (got < bytes.size()) Throw(store::kShortFile);
}

void Save(const std::string& utf8Path, const store::Record& record) {
  const store::RecordBytes bytes = store::Encode(record);
  const std::wstring path = Wide(utf8Path);
  const auto [folder, name] = Split(path);
  const DWORD attrs = ::GetFileAttributesW(path.c_str());
  const bool exists = attrs != INVALID_FILE_ATTRIBUTES;
  if (!exists && ::GetLastError() != ERROR_FILE_NOT_FOUND) Fail(::GetLastError());
  if (exists) {
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) Throw(store::kAccessDenied);
    // A read-only record stays as the player asked.
    if (attrs & FILE_ATTRIBUTE_READONLY) Throw(store::kAccessDenied);
    // A record behind a link keeps its link, and one with other hard links keeps them: both are
    // written where they are.
    if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) return SaveInPlace(path, bytes);
    Handle h(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) Fail(::GetLastError());
    RequireDiskFile(h.Get());
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(h.Get(), &info) && info.nNumberOfLinks > 1)
      return SaveInPlace(path, bytes);
  }

  std::wstring temp;
  Handle fd = CreateTemp(folder, name, temp);
  if (!fd.Valid()) {
    const DWORD err = ::GetLastError();
    if (exists && WritableInPlace(err)) return SaveInPlace(path, bytes);
    Fail(err);
  }
  DWORD err = ERROR_SUCCESS;
  try {
    WriteAt0(fd.Get(), bytes.data(), bytes.size());
    Flush(fd.Get());
  } catch (const store::IoError& e) {
    fd.Reset();
    ::DeleteFileW(temp.c_str());
    // A disk too full for a new file still has room for the record's own bytes.
    if (exists && e.Code() == store::kDiskFull) return SaveInPlace(path, bytes);
    throw;
  }
  fd.Reset();
  if (!::MoveFileExW(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    err = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    // Another program holding the record open (a virus scanner, an editor) keeps a new file
    // from taking its place, but often lets it be written.
    if (exists && WritableInPlace(err)) return SaveInPlace(path, bytes);
    Fail(err);
  }
}

int RemoveStaleTemporaries(const std::string& utf8Path) {
  const auto [folder, name] = Split(Wide(utf8Path));
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = folder + L"\\" + name + L".*";
  HANDLE find = ::FindFirstFileW(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int removed = 0;
  do {
    // Only a plain file no bigger than a record: what a save that was cut short leaves behind.
    if (!IsTempName(name, found.cFileName)) continue;
    if (found.dwFileAttributes &
        (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY))
      continue;
    if (found.nFileSizeHigh != 0 || found.nFileSizeLow > store::kRecordSize) continue;
    if (::DeleteFileW((folder + L"\\" + found.cFileName).c_str())) ++removed;
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  return removed;
}

}  // namespace win
