#pragma once
// The record file: the ten best times of each of the five levels and the level chosen last.
// Exactly 204 bytes, no header: 50 little-endian int32 entries, level-major (level L, place p at
// byte 40 (L - 1) + 4 (p - 1)), then Level as a little-endian int32. An entry is a time written
// minutes x 100 + seconds, or -1 for an empty place. This is the format alone, the same on
// every system; reading and writing the file is each platform's file layer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace store {

inline constexpr int kLevels = 5;
inline constexpr int kPlaces = 10;
inline constexpr std::int32_t kEmpty = -1;
inline constexpr std::size_t kRecordSize = 204;

// [level - 1][place - 1]
using RankTable = std::array<std::array<std::int32_t, kPlaces>, kLevels>;
using RecordBytes = std::array<std::uint8_t, kRecordSize>;

struct Record {
  RankTable Ranks{};
  std::int32_t Level = 0;
  bool operator==(const Record&) const = default;
};

// All 50 entries empty, Level 1.
Record FreshRecord();

RecordBytes Encode(const Record& record);
Record Decode(const RecordBytes& bytes);

// The codes of a failed open, read or write that the player is shown a sentence for, the same
// on every system; each file layer maps its system's errors onto them by meaning.
inline constexpr int kFileMissing = 2;
inline constexpr int kFolderMissing = 3;
inline constexpr int kTooManyFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kShortFile = 100;
inline constexpr int kDiskFull = 101;

// A failed open, read or write, with the code and text the player is shown: 2 file missing,
// 3 folder missing, 4 too many open files, 5 access refused, 100 file shorter than a record,
// 101 disk full; any other code n reads "I/O エラー (n)".
class IoError : public std::runtime_error {
 public:
  IoError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// The text for a code (the table above, else the generic text).
std::string IoErrorText(int code);
// "I/O エラー (n)", also for a system error whose number happens to equal a code above.
std::string GenericIoErrorText(int code);

}  // namespace store
