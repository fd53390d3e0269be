#pragma once
// A file descriptor that closes itself, and folders opened whatever the length of their path.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <utility>

namespace store {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(other.Release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = other.Release();
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  }

 private:
  int fd_;
};

// Opens a folder of any length: a path beyond the system's limit is walked one step at a time.
inline Fd OpenFolderAt(int at, const std::string& folder) {
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

}  // namespace store
