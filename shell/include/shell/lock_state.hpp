#pragma once
// What taking the play folder's lock came to; on its own, so that a file layer's lock needs
// nothing else of the contract.

namespace shell {

// One game per play folder.
enum class LockState {
  Held,         // this game holds the folder
  Busy,         // another running game holds it: start-up reports and ends
  Unsupported,  // the folder takes no locks: play on, unprotected
};

}  // namespace shell
