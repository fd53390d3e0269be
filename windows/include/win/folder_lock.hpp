#pragma once
// One running game per play folder, as on the other systems: an exclusive lock on
// "b_data.lock" beside the record (LockFileEx), taken before the record is read and held until
// the game ends. Windows drops the lock with the process, so a crashed or killed game never
// leaves the folder blocked. Where the lock file can be neither made nor opened (a folder that
// takes no new files), a named mutex made from the folder's full path stands in for it.
#include <string>

#include "shell/lock_state.hpp"

#include "win/handle.hpp"

namespace win {

inline constexpr const char* kLockFileName = "b_data.lock";

class FolderLock {
 public:
  // Held, Busy (another running game holds it) or Unsupported (no locks here: play on).
  using State = shell::LockState;

  // `dataDir` ends in a backslash or a slash. Never waits.
  explicit FolderLock(const std::string& dataDir);

  State Outcome() const { return state_; }
  // For Unsupported: the system's reason.
  const std::string& Reason() const { return reason_; }

 private:
  Handle handle_;
  State state_ = State::Unsupported;
  std::string reason_;
};

// The system's text for a Windows error code, in UTF-8.
std::string SystemText(unsigned long err);

}  // namespace win
