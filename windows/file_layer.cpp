#include "win/file_layer.hpp"

#include "store/data_file.hpp"
#include "win/record_file.hpp"

namespace win {

shell::LockState WinFileLayer::LockFolder(std::string& reason) {
  lock_ = std::make_unique<FolderLock>(dataDir_);
  reason = lock_->Reason();
  return lock_->Outcome();
}

void WinFileLayer::RemoveStaleTemporaries() {
  win::RemoveStaleTemporaries(RecordPath());
}

std::vector<unsigned char> WinFileLayer::ReadDataFile(const std::string& name,
                                                      std::uintmax_t maxBytes) {
  return store::ReadDataFile(dataDir_ + name, maxBytes);
}

void WinFileLayer::LoadRecord(store::Record& record) {
  Load(RecordPath(), record);
}

void WinFileLayer::SaveRecord(const store::Record& record) {
  Save(RecordPath(), record);
}

}  // namespace win
