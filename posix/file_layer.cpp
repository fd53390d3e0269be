#include "posix/file_layer.hpp"

#include "posix/record_file.hpp"
#include "store/data_file.hpp"

namespace store {

shell::LockState PosixFileLayer::LockFolder(std::string& reason) {
  lock_ = std::make_unique<FolderLock>(dataDir_);
  reason = lock_->Reason();
  return lock_->Outcome();
}

void PosixFileLayer::RemoveStaleTemporaries() {
  store::RemoveStaleTemporaries(RecordPath());
}

std::vector<unsigned char> PosixFileLayer::ReadDataFile(const std::string& name,
                                                        std::uintmax_t maxBytes) {
  return store::ReadDataFile(dataDir_ + name, maxBytes);
}

void PosixFileLayer::LoadRecord(Record& record) {
  Load(RecordPath(), record);
}

void PosixFileLayer::SaveRecord(const Record& record) {
  Save(RecordPath(), record);
}

}  // namespace store
