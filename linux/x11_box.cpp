#include "desktop/x11_box.hpp"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <memory>
#include <vector>

#include "desktop/main_loop.hpp"

namespace desktop {
namespace {

// The box's look: light text on a dark ground, one framed OK button whose label lights up
// under the pointer.
constexpr unsigned kGround = 0x383635;
constexpr unsigned kText = 0xD1CFCD;
constexpr unsigned kButtonEdge = 0x8C8781;
constexpr unsigned kButton = 0x696663;
constexpr unsigned kButtonLit = 0xCDCA35;
// Any medium upright 12-point face of the server's core fonts, in every charset the locale
// needs: the Japanese texts come from a Japanese face.
constexpr const char* kFontPattern = "-*-*-medium-r-normal--*-120-*-*-*-*-*-*";
constexpr const char* kOk = "OK";
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 100;
constexpr int kMinButtonWidth = 64;

struct CloseDisplay {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

// Xlib picks the font set's charsets by the locale: the session's (UTF-8, as start-up made
// sure) for as long as the box is up, the game's own C locale again afterwards. Only the
// character type is changed; nothing else in the game reads it meanwhile.
class SessionCharacterType {
 public:
  SessionCharacterType() {
    const char* was = std::setlocale(LC_CTYPE, nullptr);
    was_ = was ? was : "C";
    std::setlocale(LC_CTYPE, "");
  }
  ~SessionCharacterType() { std::setlocale(LC_CTYPE, was_.c_str()); }
  SessionCharacterType(const SessionCharacterType&) = delete;
  SessionCharacterType& operator=(const SessionCharacterType&) = delete;

 private:
  std::string was_;
};

struct Line {
  std::string text;
  int width = 0;
};

class Box {
 public:
  Box(Display* display, XFontSet font, const std::string& message) : d_(display), font_(font) {
    const XFontSetExtents* ext = XExtentsOfFontSet(font_);
    ascent_ = -ext->max_logical_extent.y;
    lineHeight_ = ext->max_logical_extent.height + 2;
    std::size_t from = 0;
    while (from <= message.size()) {
      std::size_t to = message.find('\n', from);
      if (to == std::string::npos) to = message.size();
      Line line{message.substr(from, to - from)};
      if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
      line.width = Width(line.text);
      lines_.push_back(line);
      from = to + 1;
    }
    // One line's height is the margin all round; the button is two text heights tall.
    const int margin = lineHeight_;
    const int textWidth =
        std::max_element(lines_.begin(), lines_.end(), [](const Line& a, const Line& b) {
          return a.width < b.width;
        })->width;
    buttonW_ = std::max(kMinButtonWidth, Width(kOk)) + lineHeight_;
    buttonH_ = 2 * lineHeight_;
    width_ = std::max({kMinWidth, 2 * margin + textWidth, buttonW_ + 2 * margin});
    const int textBottom = margin + static_cast<int>(lines_.size()) * lineHeight_;
    height_ = std::max(kMinHeight, textBottom + margin / 2 + buttonH_ + margin);
    buttonX_ = (width_ - buttonW_) / 2;
    buttonY_ = textBottom + (height_ - textBottom - buttonH_) / 2;
    textX_ = margin;
    textY_ = margin;
  }

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Makes and maps the window at (x, y) of the root window.
  void Open(const std::string& title, int x, int y, ::Window parent) {
    const int screen = DefaultScreen(d_);
    const ::Window root = RootWindow(d_, screen);
    ground_ = Pixel(kGround);
    text_ = Pixel(kText);
    edge_ = Pixel(kButtonEdge);
    button_ = Pixel(kButton);
    litText_ = Pixel(kButtonLit);
    XSetWindowAttributes attrs{};
    attrs.background_pixel = ground_;
    attrs.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                       ButtonReleaseMask | PointerMotionMask | LeaveWindowMask;
    window_ = XCreateWindow(d_, root, x, y, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWBackPixel | CWEventMask, &attrs);
    // WM_NAME as the standard types window managers and tools read (STRING, or COMPOUND_TEXT
    // beyond Latin-1), never the locale's own encoding; _NET_WM_NAME in UTF-8 beside it.
    char* list[] = {const_cast<char*>(title.c_str())};
    XTextProperty name{};
    if (Xutf8TextListToTextProperty(d_, list, 1, XStdICCTextStyle, &name) >= Success) {
      XSetWMName(d_, window_, &name);
      XSetWMIconName(d_, window_, &name);
      XFree(name.value);
    }
    XChangeProperty(d_, window_, Intern("_NET_WM_NAME"), Intern("UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XClassHint cls{const_cast<char*>("frothy"), const_cast<char*>("Frothy")};
    XSetClassHint(d_, window_, &cls);
    const ::Atom dialog = Intern("_NET_WM_WINDOW_TYPE_DIALOG");
    XChangeProperty(d_, window_, Intern("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dialog), 1);
    if (parent) {
      XSetTransientForHint(d_, window_, parent);
      const ::Atom modal = Intern("_NET_WM_STATE_MODAL");
      XChangeProperty(d_, window_, Intern("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&modal), 1);
    }
    deleteWindow_ = Intern("WM_DELETE_WINDOW");
    protocols_ = Intern("WM_PROTOCOLS");
    XSetWMProtocols(d_, window_, &deleteWindow_, 1);
    // A fixed size where it was put.
    const std::unique_ptr<XSizeHints, int (*)(void*)> hints(XAllocSizeHints(), XFree);
    if (hints) {
      hints->flags = USPosition | USSize | PMinSize | PMaxSize;
      hints->x = x;
      hints->y = y;
      hints->width = hints->min_width = hints->max_width = width_;
      hints->height = hints->min_height = hints->max_height = height_;
      XSetWMNormalHints(d_, window_, hints.get());
    }
    gc_ = XCreateGC(d_, window_, 0, nullptr);
    XMapRaised(d_, window_);
  }

  void Close() {
    if (gc_) XFreeGC(d_, gc_);
    if (window_) XDestroyWindow(d_, window_);
    XFlush(d_);
  }

  // Handles one event of the box's connection; true once the box is answered.
  bool Handle(const XEvent& e) {
    switch (e.type) {
      case Expose:
        if (e.xexpose.count == 0) Draw();
        return false;
      case KeyPress:
        pressedKey_ = XLookupKeysym(const_cast<XKeyEvent*>(&e.xkey), 0);
        return false;
      case KeyRelease: {
        // Answered on the release of a key pressed here, so the release goes nowhere else.
        const KeySym key = XLookupKeysym(const_cast<XKeyEvent*>(&e.xkey), 0);
        return key == pressedKey_ &&
               (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space);
      }
      case ButtonPress:
        pressedOnButton_ = e.xbutton.button == Button1 && OnButton(e.xbutton.x, e.xbutton.y);
        return false;
      case ButtonRelease: {
        const bool answered =
            e.xbutton.button == Button1 && pressedOnButton_ && OnButton(e.xbutton.x, e.xbutton.y);
        pressedOnButton_ = false;
        return answered;
      }
      case MotionNotify:
        SetLit(OnButton(e.xmotion.x, e.xmotion.y));
        return false;
      case LeaveNotify:
        SetLit(false);
        return false;
      case ClientMessage:
        return e.xclient.message_type == protocols_ && e.xclient.format == 32 &&
               static_cast<::Atom>(e.xclient.data.l[0]) == deleteWindow_;
      default:
        return false;
    }
  }

 private:
  int Width(const std::string& text) const {
    XRectangle ink{}, logical{};
    Xutf8TextExtents(font_, text.data(), static_cast<int>(text.size()), &ink, &logical);
    return logical.width;
  }

  ::Atom Intern(const char* name) const { return XInternAtom(d_, name, False); }

  unsigned long Pixel(unsigned rgb) const {
    XColor c{};
    c.red = static_cast<unsigned short>((rgb >> 16 & 0xFF) * 0x101);
    c.green = static_cast<unsigned short>((rgb >> 8 & 0xFF) * 0x101);
    c.blue = static_cast<unsigned short>((rgb & 0xFF) * 0x101);
    c.flags = DoRed | DoGreen | DoBlue;
    if (!XAllocColor(d_, DefaultColormap(d_, DefaultScreen(d_)), &c))
      return (rgb >> 16 & 0xFF) > 0x80 ? WhitePixel(d_, DefaultScreen(d_))
                                       : BlackPixel(d_, DefaultScreen(d_));
    return c.pixel;
  }

  bool OnButton(int x, int y) const {
    return x >= buttonX_ && x < buttonX_ + buttonW_ && y >= buttonY_ && y < buttonY_ + buttonH_;
  }

  void SetLit(bool lit) {
    if (lit == lit_) return;
    lit_ = lit;
    Draw();
  }

  void Fill(unsigned long pixel, int x, int y, int w, int h) {
    XSetForeground(d_, gc_, pixel);
    XFillRectangle(d_, window_, gc_, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
  }

  void Draw() {
    Fill(ground_, 0, 0, width_, height_);
    XSetForeground(d_, gc_, text_);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const Line& line = lines_[i];
      Xutf8DrawString(d_, window_, font_, gc_, textX_,
                      textY_ + ascent_ + static_cast<int>(i) * lineHeight_, line.text.data(),
                      static_cast<int>(line.text.size()));
    }
    // The button answers Return: a wider ground marks it as the default.
    Fill(button_, buttonX_ - 2, buttonY_ - 2, buttonW_ + 4, buttonH_ + 4);
    XSetForeground(d_, gc_, edge_);
    XDrawRectangle(d_, window_, gc_, buttonX_, buttonY_, static_cast<unsigned>(buttonW_),
                   static_cast<unsigned>(buttonH_));
    XSetForeground(d_, gc_, lit_ ? litText_ : text_);
    const int labelX = buttonX_ + (buttonW_ - Width(kOk)) / 2;
    const int labelY = buttonY_ + (buttonH_ - lineHeight_) / 2 + ascent_ + 1;
    Xutf8DrawString(d_, window_, font_, gc_, labelX, labelY, kOk,
                    static_cast<int>(std::strlen(kOk)));
    XFlush(d_);
  }

  Display* d_;
  XFontSet font_;
  std::vector<Line> lines_;
  int ascent_ = 0, lineHeight_ = 0;
  int width_ = 0, height_ = 0;
  int textX_ = 0, textY_ = 0;
  int buttonX_ = 0, buttonY_ = 0, buttonW_ = 0, buttonH_ = 0;
  ::Window window_ = 0;
  GC gc_ = nullptr;
  unsigned long ground_ = 0, text_ = 0, edge_ = 0, button_ = 0, litText_ = 0;
  ::Atom protocols_ = 0, deleteWindow_ = 0;
  KeySym pressedKey_ = NoSymbol;
  bool pressedOnButton_ = false;
  bool lit_ = false;
};

::Window X11WindowOf(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}

// Waits for the box's answer or for the end of the session: asleep in poll until the box's
// connection has an event or a session signal has come, whichever thread it came to.
void WaitForAnswer(Display* display, Box& box) {
  bool answered = false;
  while (!answered && !SessionEnding()) {
    while (!answered && XPending(display) > 0) {
      XEvent e;
      XNextEvent(display, &e);
      answered = box.Handle(e);
    }
    if (answered || SessionEnding()) break;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {SessionEndingFd(), POLLIN, 0}};
    // Without the signals' pipe, the flag is looked at ten times a second.
    ::poll(fds, fds[1].fd >= 0 ? 2 : 1, fds[1].fd >= 0 ? -1 : 100);
  }
}

}  // namespace

bool ShowX11ErrorBox(const std::string& title, const std::string& message, SDL_Window* parent) {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) return false;
  if (SessionEnding()) return true;  // nobody is left to read it
  const SessionCharacterType ctype;
  if (!XSupportsLocale()) return false;
  const std::unique_ptr<Display, CloseDisplay> display(XOpenDisplay(nullptr));
  if (!display) return false;
  char** missing = nullptr;
  int missingCount = 0;
  XFontSet font = XCreateFontSet(display.get(), kFontPattern, &missing, &missingCount, nullptr);
  if (missing) XFreeStringList(missing);
  if (!font) return false;
  Box box(display.get(), font, message);
  // Centred across the parent and a third of the way down it, or so on the first display.
  const ::Window parentWindow = X11WindowOf(parent);
  int x = 0, y = 0;
  XWindowAttributes attrs{};
  ::Window child = 0;
  if (parentWindow && XGetWindowAttributes(display.get(), parentWindow, &attrs) &&
      XTranslateCoordinates(display.get(), parentWindow, DefaultRootWindow(display.get()), 0, 0, &x,
                            &y, &child)) {
    x += (attrs.width - box.Width()) / 2;
    y += (attrs.height - box.Height()) / 3;
  } else {
    SDL_Rect bounds{0, 0, DisplayWidth(display.get(), DefaultScreen(display.get())),
                    DisplayHeight(display.get(), DefaultScreen(display.get()))};
    SDL_GetDisplayBounds(0, &bounds);
    x = bounds.x + (bounds.w - box.Width()) / 2;
    y = bounds.y + (bounds.h - box.Height()) / 3;
  }
  box.Open(title, x, y, parentWindow);
  WaitForAnswer(display.get(), box);
  box.Close();
  XFreeFontSet(display.get(), font);
  return true;
}

}  // namespace desktop
