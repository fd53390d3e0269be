#include "desktop/x11_session.hpp"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>

namespace desktop {
namespace {

struct CloseDisplay {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
struct DestroyDatabase {
  void operator()(XrmDatabase db) const { XrmDestroyDatabase(db); }
};
using OwnedDisplay = std::unique_ptr<Display, CloseDisplay>;
using OwnedDatabase = std::unique_ptr<std::remove_pointer_t<XrmDatabase>, DestroyDatabase>;

// A protocol error (a request about a window that has just gone, say) is the X server refusing
// one request; Xlib's default handler ends the whole program for it. It is said and passed over.
extern "C" int OnXError(Display* display, XErrorEvent* error) {
  char text[160] = "";
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "frothy: the X server refused a request (%s, request %d, resource 0x%lx)\n",
               text, error->request_code, error->resourceid);
  return 0;
}

bool OnX11() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && std::strcmp(driver, "x11") == 0;
}

}  // namespace

void PassOverXErrors() {
  XSetErrorHandler(OnXError);
}

std::optional<std::string> XftDpiResource() {
  if (!OnX11()) return std::nullopt;
  // A connection of our own: the scale is chosen before the window, and SDL's connection is
  // not ours to read from. The resource string is the one the server held at this open.
  const OwnedDisplay display(XOpenDisplay(nullptr));
  if (!display) return std::nullopt;
  const char* resources = XResourceManagerString(display.get());
  if (!resources) return std::nullopt;
  XrmInitialize();
  const OwnedDatabase db(XrmGetStringDatabase(resources));
  if (!db) return std::nullopt;
  char* type = nullptr;
  XrmValue value{};
  if (!XrmGetResource(db.get(), "Xft.dpi", "Xft.Dpi", &type, &value) || !value.addr)
    return std::nullopt;
  return std::string(value.addr, ::strnlen(value.addr, value.size));
}

bool IsFramed(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
    return true;
  ::Window root = 0, parent = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(info.info.x11.display, info.info.x11.window, &root, &parent, &children, &count))
    return true;
  if (children) XFree(children);
  return parent != root;
}

}  // namespace desktop
