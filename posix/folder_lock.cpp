#include "posix/folder_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace store {
namespace {

int OpenLockTarget(const std::string& dataDir, int& err) {
  const std::string path = dataDir + kLockFileName;
  // Not following a link: the lock must not create or hold a file somewhere else.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd >= 0) return fd;
  // A lock file made by another user, or a read-only folder: a read-only descriptor takes the
  // same lock on a local file system.
  fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd >= 0) return fd;
  fd = ::open(dataDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) err = errno;
  return fd;
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
