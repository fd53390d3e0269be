#include "posix/record_file.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "posix/fd.hpp"

namespace store {
namespace {

// A chain of links longer than this is a loop, as the system counts it.
constexpr int kMaxLinks = 40;
// The random tail of a temporary name: "b_data.dat." and six letters or digits, as mkstemp
// makes them (earlier versions of the game used mkstemp, and their leftovers go too).
constexpr std::size_t kTempTail = 6;

[[noreturn]] void Throw(int code) {
  throw IoError(code, IoErrorText(code));
}

[[noreturn]] void Fail(int err, bool folderMissing = false) {
  throw ErrorFor(err, folderMissing);
}

// A pipe or a socket in the record's place would leave the game waiting for a writer or a
// reader that never comes.
bool Stream(const struct stat& st) {
  return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
}

// A file whose mode grants nobody write access is write-protected, even for a superuser whom
// the system would let through: the player asked for it to stay as it is.
bool WriteProtected(const struct stat& st) {
  return S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

std::pair<std::string, std::string> Split(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Opens a folder of any length: a path beyond the system's limit is walked one step at a time.
Fd OpenFolderAt(int at, const std::string& folder) {
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  Fd fd(::openat(at, folder.c_str(), kFlags));
  if (fd.Get() >= 0 || errno != ENAMETOOLONG) return fd;
  Fd dir(::openat(at, folder.front() == '/' ? "/" : ".", kFlags));
  std::size_t from = 0;
  while (dir.Get() >= 0 && from < folder.size()) {
    std::size_t to = folder.find('/', from);
    if (to == std::string::npos) to = folder.size();
    if (to > from) dir = Fd(::openat(dir.Get(), folder.substr(from, to - from).c_str(), kFlags));
    from = to + 1;
  }
  return dir;
}

// A user-private group (named after the user, no other members) lets nobody else in.
bool IsPrivateGroupOf(gid_t gid, uid_t uid) {
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* pwp = nullptr;
  if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &pwp) != 0 || !pwp) return false;
  if (pw.pw_gid != gid) return false;
  const std::string user = pw.pw_name;
  group gr{};
  group* grp = nullptr;
  if (::getgrgid_r(gid, &gr, buf.data(), buf.size(), &grp) != 0 || !grp) return false;
  if (user != gr.gr_name) return false;
  for (char** m = gr.gr_mem; *m; ++m)
    if (user != *m) return false;
  return true;
}

// Whether a user other than the player (or the superuser) can add or replace names in the
// folder.
bool OthersCanWrite(const struct stat& folder) {
  const uid_t me = ::geteuid();
  if ((folder.st_mode & S_IWUSR) && folder.st_uid != me && folder.st_uid != 0) return true;
  if ((folder.st_mode & S_IWGRP) && !IsPrivateGroupOf(folder.st_gid, me)) return true;
  return (folder.st_mode & S_IWOTH) != 0;
}

// Where the record really is, after its links.
struct Place {
  Fd dir;
  std::string name;
  bool exists = false;
  struct stat st {};
};

// A link is followed only when nobody but the player could have put it there: the player (or
// the superuser) owns it, or no one else can write to its folder. Otherwise someone sharing the
// folder could aim the record at any of the player's files and have the next save overwrite it.
Place Resolve(const std::string& path) {
  auto [folder, name] = Split(path);
  Place p{OpenFolderAt(AT_FDCWD, folder), name};
  if (p.dir.Get() < 0) Fail(errno, true);
  for (int hop = 0;; ++hop) {
    if (p.name.empty() || p.name == "." || p.name == "..") Fail(EISDIR);
    if (::fstatat(p.dir.Get(), p.name.c_str(), &p.st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) return p;
      Fail(errno);
    }
    if (!S_ISLNK(p.st.st_mode)) {
      p.exists = true;
      return p;
    }
    if (hop == kMaxLinks) Fail(ELOOP);
    struct stat dirSt {};
    if (::fstat(p.dir.Get(), &dirSt) != 0) Fail(errno);
    if (p.st.st_uid != ::geteuid() && p.st.st_uid != 0 && OthersCanWrite(dirSt)) {
      throw IoError(5, IoErrorText(5) + ": " + path +
                           " is a link made by another user in a folder others can write to");
    }
    std::vector<char> target(static_cast<std::size_t>(p.st.st_size > 0 ? p.st.st_size : 0) +
                             PATH_MAX);
    const ssize_t n = ::readlinkat(p.dir.Get(), p.name.c_str(), target.data(), target.size());
    if (n < 0) Fail(errno);
    const std::string to(target.data(), static_cast<std::size_t>(n));
    auto [toFolder, toName] = Split(to);
    p.name = toName;
    if (to.find('/') == std::string::npos) continue;
    Fd next = OpenFolderAt(p.dir.Get(), toFolder);
    if (next.Get() < 0) Fail(errno, true);
    p.dir = std::move(next);
  }
}

// Writes all of `bytes` or fails: a write that stops short without an error is a full disk.
// A regular file is written at offset 0, a device as it comes.
void WriteAll(int fd, const RecordBytes& bytes, bool positioned) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = positioned ? ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                            static_cast<off_t>(done))
                                 : ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno);
    if (n == 0) Throw(101);
    done += static_cast<std::size_t>(n);
  }
}

void Flush(int fd) {
  // Devices and some file systems cannot be flushed; that is no reason to fail the save.
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) Fail(errno);
}

void CloseChecked(Fd& fd) {
  if (::close(fd.Release()) != 0 && errno != EINTR) Fail(errno);
}

// A file-size limit below one record would stop the write half-way through the old bytes.
void CheckSizeLimit() {
  rlimit lim{};
  if (::getrlimit(RLIMIT_FSIZE, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY &&
      lim.rlim_cur < kRecordSize)
    Fail(EFBIG);
}

// Writes the record over the one that is there, and only then cuts what lies beyond it, so that
// no moment leaves less than a whole record: before the write the old record is there, after it
// the new one (followed, until the cut, by the old file's tail, which a load never reads). The
// file keeps its owner, group, mode and every hard link to it.
void SaveInPlace(const Place& p, const RecordBytes& bytes) {
  constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  Fd fd(::openat(p.dir.Get(), p.name.c_str(), O_RDWR | kFlags));
  if (fd.Get() < 0 && (errno == EACCES || errno == EPERM))
    fd = Fd(::openat(p.dir.Get(), p.name.c_str(), O_WRONLY | kFlags));
  if (fd.Get() < 0) Fail(errno == ELOOP ? EACCES : errno);  // made a link meanwhile
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) Fail(errno);
  if (Stream(st) || S_ISDIR(st.st_mode)) Fail(EACCES);
  if (!S_ISREG(st.st_mode)) {
    WriteAll(fd.Get(), bytes, false);
    Flush(fd.Get());
    CloseChecked(fd);
    return;
  }
  if (st.st_dev != p.st.st_dev || st.st_ino != p.st.st_ino) Fail(EACCES);  // replaced meanwhile
  CheckSizeLimit();
  // The old bytes go back if the write fails part-way.
  RecordBytes old{};
  const ssize_t had = ::pread(fd.Get(), old.data(), old.size(), 0);
  try {
    WriteAll(fd.Get(), bytes, true);
  } catch (...) {
    if (had > 0) (void)!::pwrite(fd.Get(), old.data(), static_cast<std::size_t>(had), 0);
    throw;
  }
  Flush(fd.Get());
  if (st.st_size > static_cast<off_t>(kRecordSize)) {
    if (::ftruncate(fd.Get(), static_cast<off_t>(kRecordSize)) != 0) Fail(errno);
    Flush(fd.Get());
  }
  CloseChecked(fd);
}

bool IsTempName(const std::string& base, const char* name) {
  const std::size_t len = std::strlen(name);
  if (len != base.size() + 1 + kTempTail || base.compare(0, base.size(), name, base.size()) != 0 ||
      name[base.size()] != '.')
    return false;
  for (std::size_t i = base.size() + 1; i < len; ++i) {
    const char c = name[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// A new file beside the record, readable only by us until it has the record's mode.
Fd CreateTemp(int dir, const std::string& base, std::string& name) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[kTempTail]{};
    // getentropy rather than getrandom: the browser build's C library has only the former.
    if (::getentropy(random, sizeof random) != 0) {
      for (auto& r : random) r = static_cast<unsigned char>(std::rand());
    }
    name = base + ".";
    for (unsigned char r : random) name += kChars[r % (sizeof kChars - 1)];
    Fd fd(::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Get() >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return Fd(-1);
}

}  // namespace

// The record's codes say what the player can do about it, so every system error that means one
// of them is named here; the rest keep their own number in the generic text. (Matching by value
// alone once showed an I/O error as "access refused" and an unreachable network file system as
// "disk full".)
IoError ErrorFor(int err, bool folderMissing) {
  int code = 0;
  switch (err) {
    case ENOENT:
      code = folderMissing ? 3 : 2;
      break;
    case ENOTDIR:
    case ENAMETOOLONG:
      code = 3;
      break;
    case EMFILE:
    case ENFILE:
      code = 4;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      code = 5;
      break;
    case ENOSPC:
    case EDQUOT:
      code = 101;
      break;
    default:
      return IoError(err, GenericIoErrorText(err));
  }
  return IoError(code, IoErrorText(code));
}

void Load(const std::string& path, Record& record) {
  const Place p = Resolve(path);
  if (!p.exists) Throw(2);
  Fd fd(::openat(p.dir.Get(), p.name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) Fail(errno == ELOOP ? EACCES : errno);
  struct stat st {};
  if (::fstat(fd.Get(), &st) == 0 && (WriteProtected(st) || Stream(st))) Fail(EACCES);
  RecordBytes bytes = Encode(record);
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  record = Decode(bytes);  // a short file has overlaid what it had from offset 0
  CloseChecked(fd);
  if (got < bytes.size()) Throw(100);
}

void Save(const std::string& path, const Record& record) {
  const RecordBytes bytes = Encode(record);
  const Place p = Resolve(path);
  const int dir = p.dir.Get();
  if (p.exists) {
    if (Stream(p.st) || S_ISDIR(p.st.st_mode)) Fail(EACCES);
    if (!S_ISREG(p.st.st_mode)) return SaveInPlace(p, bytes);
    // The save must be refused wherever writing the file itself would be refused.
    if (WriteProtected(p.st)) Fail(EACCES);
    if (::faccessat(dir, p.name.c_str(), W_OK, AT_EACCESS) != 0) Fail(errno);
    // Renaming a new file over the record would hand it to whoever saved last and cut its other
    // hard links, and a sticky folder may not allow it at all: such a record is written where
    // it is.
    struct stat dirSt {};
    if (::fstat(dir, &dirSt) != 0) Fail(errno);
    if (p.st.st_uid != ::geteuid() || p.st.st_nlink != 1 || (dirSt.st_mode & S_ISVTX))
      return SaveInPlace(p, bytes);
  }

  std::string temp;
  Fd fd = CreateTemp(dir, p.name, temp);
  if (fd.Get() < 0) {
    const int err = errno;
    // A folder that takes no new files still lets a writable record be rewritten in place.
    if (p.exists &&
        (err == EACCES || err == EPERM || err == EROFS || err == ENOSPC || err == EDQUOT))
      return SaveInPlace(p, bytes);
    Fail(err);
  }
  try {
    if (p.exists) {
      // The group goes with the record too; a group we cannot give the new file means writing
      // in place after all.
      struct stat tempSt {};
      if (::fstat(fd.Get(), &tempSt) != 0) Fail(errno);
      if (tempSt.st_gid != p.st.st_gid &&
          ::fchown(fd.Get(), static_cast<uid_t>(-1), p.st.st_gid) != 0) {
        fd.Reset();
        (void)::unlinkat(dir, temp.c_str(), 0);
        return SaveInPlace(p, bytes);
      }
      if (::fchmod(fd.Get(), p.st.st_mode & 07777) != 0) Fail(errno);
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      if (::fchmod(fd.Get(), 0666 & ~mask) != 0) Fail(errno);
    }
    WriteAll(fd.Get(), bytes, true);
    if (::fsync(fd.Get()) != 0) Fail(errno);
    CloseChecked(fd);
    if (::renameat(dir, temp.c_str(), dir, p.name.c_str()) != 0) Fail(errno);
  } catch (...) {
    (void)::unlinkat(dir, temp.c_str(), 0);
    throw;
  }
  // Make the rename itself durable; a failure here cannot lose the record any more.
  (void)::fsync(dir);
}

int RemoveStaleTemporaries(const std::string& path) {
  const auto [folder, name] = Split(path);
  Fd dir = OpenFolderAt(AT_FDCWD, folder);
  if (dir.Get() < 0) return 0;
  Fd listing(::openat(dir.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  DIR* d = listing.Get() >= 0 ? ::fdopendir(listing.Get()) : nullptr;
  if (!d) return 0;
  listing.Release();  // the listing owns it now
  int removed = 0;
  const uid_t me = ::geteuid();
  while (const dirent* e = ::readdir(d)) {
    if (!IsTempName(name, e->d_name)) continue;
    // Only a plain file of ours, no bigger than a record: what a save that was cut short leaves
    // behind, never someone else's file that happens to have such a name.
    struct stat st {};
    if (::fstatat(dir.Get(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != me || st.st_size > static_cast<off_t>(kRecordSize) || st.st_nlink != 1)
      continue;
    if (::unlinkat(dir.Get(), e->d_name, 0) == 0) ++removed;
  }
  ::closedir(d);
  return removed;
}

}  // namespace store
