#pragma once
// The play folder on a POSIX system (the Linux desktop; the browser's in-memory files too): the
// data files, the record with every safety rule of record_file.hpp, and the folder's lock.
#include <memory>
#include <string>

#include "posix/folder_lock.hpp"
#include "shell/platform.hpp"

namespace store {

class PosixFileLayer : public shell::FileLayer {
 public:
  // `dataDir` ends with '/'.
  explicit PosixFileLayer(std::string dataDir) : dataDir_(std::move(dataDir)) {}

  shell::LockState LockFolder(std::string& reason) override;
  void RemoveStaleTemporaries() override;
  std::vector<unsigned char> ReadDataFile(const std::string& name,
                                          std::uintmax_t maxBytes) override;
  void LoadRecord(Record& record) override;
  void SaveRecord(const Record& record) override;

 private:
  std::string RecordPath() const { return dataDir_ + "b_data.dat"; }

  std::string dataDir_;
  std::unique_ptr<FolderLock> lock_;
};

}  // namespace store
