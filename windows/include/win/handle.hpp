#pragma once
// A Windows file or object handle that closes itself.
#include <windows.h>

#include <utility>

namespace win {

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(Handle&& other) noexcept : h_(other.Release()) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Reset();
      h_ = other.Release();
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
  void Reset() {
    if (Valid()) ::CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE));
  }

 private:
  HANDLE h_;
};

}  // namespace win
