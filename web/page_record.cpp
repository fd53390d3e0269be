#include "page_record.hpp"

#include <emscripten.h>

#include <array>

namespace web {
namespace {

constexpr int kErrorSize = 512;

// clang-format off
EM_JS(int, PageLoadRecord, (std::uint8_t* out, int size, char* error, int errorSize), {
  try {
    var bytes = frothyPage.loadRecord(size);
    if (bytes === null) return 0;
    HEAPU8.set(bytes, out);
    return 1;
  } catch (e) {
    stringToUTF8(String(e && e.message ? e.message : e), error, errorSize);
    return -1;
  }
});
EM_JS(int, PageSaveRecord, (const std::uint8_t* bytes, int size, char* error, int errorSize), {
  var why = frothyPage.saveRecord(HEAPU8.subarray(bytes, bytes + size));
  stringToUTF8(why, error, errorSize);
  return why.length === 0 ? 1 : 0;
});
EM_JS(int, PageHasStorage, (), { return frothyPage.storageless ? 0 : 1; });
// clang-format on

}  // namespace

Loaded LoadRecordBytes(store::RecordBytes& bytes, std::string& error) {
  std::array<char, kErrorSize> text{};
  const int got =
      PageLoadRecord(bytes.data(), static_cast<int>(bytes.size()), text.data(), kErrorSize);
  if (got > 0) return Loaded::Record;
  if (got == 0) return Loaded::None;
  error = text.data();
  return Loaded::Failed;
}

bool SaveRecordBytes(const store::RecordBytes& bytes, std::string& error) {
  std::array<char, kErrorSize> text{};
  if (PageSaveRecord(bytes.data(), static_cast<int>(bytes.size()), text.data(), kErrorSize))
    return true;
  error = text.data();
  return false;
}

bool PageKeepsRecords() {
  return PageHasStorage() != 0;
}

}  // namespace web
