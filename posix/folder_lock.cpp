#include "posix/folder_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "posix/fd.hpp"

namespace store {
namespace {

// Whether the descriptor is a plain file: only such a lock file is taken. A named pipe, a
// device or a folder in its place is never locked through, and never waited on.
bool IsPlainFile(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

int OpenLockTarget(const std::string& dataDir, int& err) {
  // Relative to the folder, so a folder of any length works.
  Fd folder = OpenFolderAt(AT_FDCWD, dataDir);
  if (folder.Get() < 0) {
    err = errno;
    return -1;
  }
  // Not following a link: the lock must not create or hold a file somewhere else. Not
  // blocking: opening a named pipe would wait for a writer that never comes.
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  int fd = ::openat(folder.Get(), kLockFileName, O_RDWR | O_CREAT | kFlags, 0666);
  // A lock file made by another user, or a read-only folder: a read-only descriptor takes the
  // same lock on a local file system.
  if (fd < 0) fd = ::openat(folder.Get(), kLockFileName, O_RDONLY | kFlags);
  if (fd >= 0 && IsPlainFile(fd)) return fd;
  if (fd >= 0) ::close(fd);  // not a file: the folder itself is locked instead
  return folder.Release();
}

}  // namespace

FolderLock::State RefusedLockState(int err) {
  return err == EWOULDBLOCK ? FolderLock::State::Busy : FolderLock::State::Unsupported;
}

FolderLock::FolderLock(const std::string& dataDir) {
  int err = 0;
  fd_ = OpenLockTarget(dataDir, err);
  if (fd_ < 0) {
    reason_ = std::strerror(err);
    return;
  }
  int r = 0;
  do {
    r = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  if (r == 0) {
    state_ = State::Held;
    return;
  }
  err = errno;
  state_ = RefusedLockState(err);
  reason_ = std::strerror(err);
  ::close(fd_);
  fd_ = -1;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace store
