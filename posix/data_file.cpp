#include "store/data_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

std::string Size(std::uintmax_t bytes) {
  char text[32];
  if (bytes >= (std::uintmax_t{1} << 20))
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  else
    std::snprintf(text, sizeof text, "%ju bytes", bytes);
  return text;
}

}  // namespace

std::vector<unsigned char> ReadDataFile(const std::string& path, std::uintmax_t maxBytes) {
  // Not blocking: opening a named pipe would otherwise wait for a writer before the check below.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.Get() < 0) throw DataFileError(path + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) throw DataFileError(path + ": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode))
    throw DataFileError(path + ": " + KindOf(st.st_mode) + ", not a file the game can read");
  const auto size = static_cast<std::uintmax_t>(st.st_size);
  if (size > maxBytes)
    throw DataFileError(path + ": " + Size(size) +
                        ", far more than the game's data can be (at most " + Size(maxBytes) + ")");
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
