#pragma once
// The play folder on Windows, as the shell sees it: the data files, the record and the lock.
#include <memory>
#include <string>

#include "shell/platform.hpp"
#include "win/folder_lock.hpp"

namespace win {

class WinFileLayer final : public shell::FileLayer {
 public:
  // `dataDir` ends in a backslash.
  explicit WinFileLayer(std::string dataDir) : dataDir_(std::move(dataDir)) {}

  shell::LockState LockFolder(std::string& reason) override;
  void RemoveStaleTemporaries() override;
  std::vector<unsigned char> ReadDataFile(const std::string& name,
                                          std::uintmax_t maxBytes) override;
  void LoadRecord(store::Record& record) override;
  void SaveRecord(const store::Record& record) override;

 private:
  std::string RecordPath() const { return dataDir_ + "b_data.dat"; }

  std::string dataDir_;
  std::unique_ptr<FolderLock> lock_;
};

}  // namespace win
