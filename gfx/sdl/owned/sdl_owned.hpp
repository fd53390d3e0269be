#pragma once
// One ownership style for every handle the SDL family of libraries gives out: a unique_ptr whose
// deleter is the library's own free function, so a failure half-way through a construction can
// never leak what was made before it. Written without SDL's headers, so each user names only
// the handles it has:
//   using WindowPtr = sdl::Owned<SDL_Window, SDL_DestroyWindow>;
#include <memory>

namespace sdl {

template <typename T, void (*Free)(T*)>
struct FreeWith {
  void operator()(T* handle) const noexcept {
    if (handle) Free(handle);
  }
};

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, FreeWith<T, Free>>;

}  // namespace sdl
