#pragma once
// One running game per play folder. Each game loads the record at start-up and writes its own
// copy at the end, so a second game in the same folder would overwrite the first one's times.
// The folder is held through an exclusive advisory lock on "b_data.lock" beside the record,
// taken before the record is read and kept until the game ends. The lock belongs to the open
// file: it dies with its process, so a crashed or killed game never leaves the folder blocked.
#include <string>

#include "shell/lock_state.hpp"

namespace store {

inline constexpr const char* kLockFileName = "b_data.lock";

class FolderLock {
 public:
  // Held, Busy (another running game holds it) or Unsupported (no locks here: play on).
  using State = shell::LockState;

  // Takes the lock on `dataDir` (ending in '/'): the lock file, created when missing, or, where
  // it can be neither created nor opened (a read-only folder) or is not a plain file (a named
  // pipe, a folder, a device), the folder itself. Never waits.
  explicit FolderLock(const std::string& dataDir);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  State Outcome() const { return state_; }
  // For Unsupported: the system's reason.
  const std::string& Reason() const { return reason_; }

 private:
  int fd_ = -1;
  State state_ = State::Unsupported;
  std::string reason_;
};

// How a refused lock (the errno of flock) is taken: held elsewhere, or not supported here.
FolderLock::State RefusedLockState(int err);

}  // namespace store
