#include "store/record.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace store {
namespace {

constexpr std::size_t kLevelOffset = 200;
// Level-major: the entry of level index l (0 to 4) at place index p (0 to 9).
constexpr std::size_t EntryOffset(int level, int place) {
  return 4 * (static_cast<std::size_t>(kPlaces) * static_cast<std::size_t>(level) +
              static_cast<std::size_t>(place));
}
static_assert(EntryOffset(kLevels, 0) == kLevelOffset && kLevelOffset + 4 == kRecordSize);

void Put32(std::uint8_t* p, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  p[0] = static_cast<std::uint8_t>(u);
  p[1] = static_cast<std::uint8_t>(u >> 8);
  p[2] = static_cast<std::uint8_t>(u >> 16);
  p[3] = static_cast<std::uint8_t>(u >> 24);
}

std::int32_t Get32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

std::string Folder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The codes the player sees, from the system's error.
[[noreturn]] void Fail(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      throw IoError(IsFolder(Folder(path)) ? 2 : 3, IoErrorText(IsFolder(Folder(path)) ? 2 : 3));
    case EMFILE:
    case ENFILE:
      throw IoError(4, IoErrorText(4));
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      throw IoError(5, IoErrorText(5));
    case ENOSPC:
    case EDQUOT:
      throw IoError(101, IoErrorText(101));
    default:
      throw IoError(err, IoErrorText(err));
  }
}

// A file whose mode grants nobody write access is write-protected, even for a superuser whom
// the system would let through: the player asked for it to stay as it is.
// A pipe or a socket in the record's place would leave the game waiting for a writer or a
// reader that never comes.
bool Stream(const struct stat& st) { return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode); }

bool WriteProtected(const struct stat& st) {
  return S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Writes all of `bytes` or fails: a write that stops short without an error is a full disk.
void WriteAll(int fd, const RecordBytes& bytes, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno, path);
    if (n == 0) throw IoError(101, IoErrorText(101));
    done += static_cast<std::size_t>(n);
  }
}

void CloseChecked(Fd& fd, const std::string& path) {
  if (::close(fd.Release()) != 0 && errno != EINTR) Fail(errno, path);
}

// A record file that is not a regular file (a device, a pipe) cannot be replaced by renaming;
// it is written in place as the classic save did.
void SaveInPlace(const std::string& path, const RecordBytes& bytes) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (fd.Get() < 0) Fail(errno, path);
  WriteAll(fd.Get(), bytes, path);
  if (::fsync(fd.Get()) != 0 && errno != EINVAL && errno != EROFS) Fail(errno, path);
  CloseChecked(fd, path);
}

}  // namespace

Record FreshRecord() {
  Record r;
  for (auto& row : r.Ranks) row.fill(kEmpty);
  r.Level = 1;
  return r;
}

RecordBytes Encode(const Record& record) {
  RecordBytes b{};
  for (int level = 0; level < kLevels; ++level)
    for (int place = 0; place < kPlaces; ++place)
      Put32(&b[EntryOffset(level, place)], record.Ranks[level][place]);
  Put32(&b[kLevelOffset], record.Level);
  return b;
}

Record Decode(const RecordBytes& b) {
  Record r;
  for (int level = 0; level < kLevels; ++level)
    for (int place = 0; place < kPlaces; ++place)
      r.Ranks[level][place] = Get32(&b[EntryOffset(level, place)]);
  r.Level = Get32(&b[kLevelOffset]);
  return r;
}

std::string IoErrorText(int code) {
  switch (code) {
    case 2:
      return "ファイルが見つかりません";
    case 3:
      return "不正なファイル名です";
    case 4:
      return "オープンしたファイルが多すぎます";
    case 5:
      return "ファイルへのアクセスが拒否されました";
    case 100:
      return "ファイルの末尾以降を読み込みました";
    case 101:
      return "ディスクがいっぱいです";
    default:
      return "I/O エラー (" + std::to_string(code) + ")";
  }
}

void Load(const std::string& path, Record& record) {
  Fd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
  if (fd.Get() < 0) Fail(errno, path);
  struct stat st {};
  if (::fstat(fd.Get(), &st) == 0 && (WriteProtected(st) || Stream(st))) Fail(EACCES, path);
  RecordBytes bytes = Encode(record);
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno, path);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  record = Decode(bytes);  // a short file has overlaid what it had from offset 0
  CloseChecked(fd, path);
  if (got < bytes.size()) throw IoError(100, IoErrorText(100));
}

void Save(const std::string& path, const Record& record) {
  const RecordBytes bytes = Encode(record);

  // Follow a symbolic link so that the link stays and its target is what gets replaced.
  std::string target = path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && Stream(st)) Fail(EACCES, path);
  if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return SaveInPlace(target, bytes);
  if (exists) {
    // The save must be refused wherever writing the file itself would be refused.
    if (WriteProtected(st)) Fail(EACCES, path);
    Fd probe(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (probe.Get() < 0) Fail(errno, path);
  }

  std::string temp = target + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  Fd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.Get() < 0) {
    const int err = errno;
    // A folder that takes no new files still lets a writable record be rewritten in place.
    if (exists && (err == EACCES || err == EPERM)) return SaveInPlace(target, bytes);
    Fail(err, path);
  }
  temp = name.data();
  try {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.Get(), exists ? (st.st_mode & 07777) : (0666 & ~mask));
    WriteAll(fd.Get(), bytes, path);
    if (::fsync(fd.Get()) != 0) Fail(errno, path);
    CloseChecked(fd, path);
    if (::rename(temp.c_str(), target.c_str()) != 0) Fail(errno, path);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  // Make the rename itself durable; a failure here cannot lose the record any more.
  Fd dir(::open(Folder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
}

}  // namespace store
