#include "store/data_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "posix/fd.hpp"

namespace store {
namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a plain file";
}

}  // namespace

std::vector<unsigned char> ReadDataFile(const std::string& path, std::uintmax_t maxBytes) {
  // Opened relative to its folder, so a play folder of any length works. Not blocking: opening
  // a named pipe would otherwise wait for a writer before the check below.
  const auto slash = path.find_last_of('/');
  const Fd dir = slash == std::string::npos
                     ? Fd(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
                     : OpenFolderAt(AT_FDCWD, slash == 0 ? "/" : path.substr(0, slash));
  if (dir.Get() < 0) throw DataFileError(path + ": " + std::strerror(errno));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  Fd fd(::openat(dir.Get(), name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.Get() < 0) throw DataFileError(path + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) throw DataFileError(path + ": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) throw NotAPlainFile(path, KindOf(st.st_mode));
  const auto size = static_cast<std::uintmax_t>(st.st_size);
  if (size > maxBytes) throw TooLarge(path, size, maxBytes);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw DataFileError(path + ": " + std::strerror(errno));
    if (n == 0) break;  // shrank meanwhile: the decoders judge what is there
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

}  // namespace store
