#pragma once
// Reading a whole data file (the sprite sheet, a sound cue) into memory, with the checks every
// such file needs before a byte of it is read. Declared here for every system; each file layer
// (posix/, windows/) implements it with its system's means.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace store {

class DataFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file's bytes. Refused with a DataFileError whose text names the file and says what is
// wrong: it cannot be opened (the system's reason), it is not a regular file (a folder, a named
// pipe, a socket or a device: a pipe would leave the game waiting for a writer that never
// comes), or it is larger than `maxBytes`, checked before anything is read.
std::vector<unsigned char> ReadDataFile(const std::string& path, std::uintmax_t maxBytes);

// The refusals, worded the same by every file layer: `kind` is what the file is instead ("a
// folder", "a named pipe", "a device").
DataFileError NotAPlainFile(const std::string& path, const std::string& kind);
DataFileError TooLarge(const std::string& path, std::uintmax_t bytes, std::uintmax_t maxBytes);

}  // namespace store
