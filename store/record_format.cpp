#include "store/record.hpp"

#include <array>
#include <string_view>

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

struct CodeText {
  int code;
  std::string_view text;
};
// Every code the player is shown a sentence for; any other code n reads "I/O エラー (n)".
constexpr std::array<CodeText, 6> kTexts{{
    {kFileMissing, "ファイルが見つかりません"},
    {kFolderMissing, "不正なファイル名です"},
    {kTooManyFiles, "オープンしたファイルが多すぎます"},
    {kAccessDenied, "ファイルへのアクセスが拒否されました"},
    {kShortFile, "ファイルの末尾以降を読み込みました"},
    {kDiskFull, "ディスクがいっぱいです"},
}};

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
  for (const CodeText& t : kTexts)
    if (t.code == code) return std::string(t.text);
  return GenericIoErrorText(code);
}

std::string GenericIoErrorText(int code) {
  return "I/O エラー (" + std::to_string(code) + ")";
}

}  // namespace store
