// The browser platform: the page in place of the window, on the same shell as the desktop. The
// page (pre.js) delivers the pointer, Escape and the page's hide and close; this file hands
// them to the shell, keeps the tick grid with the browser's timers and puts the shell's changed
// blocks on the canvas.
#include <emscripten.h>
#include <emscripten/eventloop.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "audio/media_player.hpp"
#include "posix/record_file.hpp"
#include "shell/form.hpp"
#include "shell/scale.hpp"
#include "shell/shell.hpp"
#include "store/data_file.hpp"

namespace {

// The packed data and the persistent record are two folders of the page's file system: the
// record's folder is backed by the browser's IndexedDB and filled from it before main runs.
constexpr char kDataDir[] = "/frothy";
constexpr char kRecordPath[] = "/saved/b_data.dat";
constexpr char kFontPath[] = "/font/face.ttf";
constexpr char kAlreadyRunning[] = "FROTHY! is already running in another tab";
using game::kClientHeight;
using game::kClientWidth;

// The page's side of the platform, in JavaScript (pre.js has the rest).
// clang-format off
EM_JS(void, PagePresent, (const std::uint8_t* rgba, int width, int height, const int* blocks, int count), {
  frothyPage.present(HEAPU8.subarray(rgba, rgba + width * height * 4), width, height,
                     HEAP32.subarray(blocks >> 2, (blocks >> 2) + count * 4));
});
EM_JS(void, PageShowError, (const char* title, const char* text), {
  frothyPage.showError(UTF8ToString(title), UTF8ToString(text));
});
EM_JS(void, PagePersist, (int thenEnd), { frothyPage.persist(thenEnd !== 0); });
EM_JS(void, PageStopped, (), { frothyPage.stopped(); });
EM_JS(void, PageSetScale, (int scale, int width, int height), { frothyPage.setScale(scale, width, height); });
EM_JS(int, PageAvailWidth, (), { return Math.floor(screen.availWidth * (devicePixelRatio || 1)); });
EM_JS(int, PageAvailHeight, (), { return Math.floor(screen.availHeight * (devicePixelRatio || 1)); });
// clang-format on

// The play folder in the page: the packed data, and the record in the browser's storage.
class PageFiles final : public shell::FileLayer {
 public:
  // One tab holds the game: the page sees to that before the program starts.
  shell::LockState LockFolder(std::string& /*reason*/) override { return shell::LockState::Held; }
  void RemoveStaleTemporaries() override { store::RemoveStaleTemporaries(kRecordPath); }
  std::vector<unsigned char> ReadDataFile(const std::string& name,
                                          std::uintmax_t maxBytes) override {
    return store::ReadDataFile(std::string(kDataDir) + "/" + name, maxBytes);
  }
  void LoadRecord(store::Record& record) override {
    // The first visit has no record yet: it starts from the packed fresh one, as the desktop's
    // play folder starts from the default data.
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(kRecordPath, ec))
      fs::copy_file(fs::path(kDataDir) / "b_data.dat", kRecordPath, ec);
    store::Load(kRecordPath, record);
  }
  void SaveRecord(const store::Record& record) override { store::Save(kRecordPath, record); }
};

std::int64_t NowUs() {
  return static_cast<std::int64_t>(emscripten_get_now() * 1000.0);
}

class Page final : public shell::Platform {
 public:
  std::int64_t NowUs() override { return ::NowUs(); }
  shell::FileLayer& Files() override { return files_; }
  std::string FontPath() override { return kFontPath; }

  shell::Screen BeginPresent() override {
    presentStartMs = emscripten_get_now();
    const std::size_t visible = static_cast<std::size_t>(kClientWidth) * kClientHeight;
    const bool fresh = shown_.size() != visible;
    if (fresh) {
      shown_.assign(visible, 0);
      rgba_.assign(visible, 0);
    }
    return {shown_.data(), kClientWidth, fresh};
  }

  void ShowBlocks(const std::vector<gfx::Rect>& blocks) override {
    blocks_.clear();
    for (const gfx::Rect& b : blocks) {
      for (int y = b.Y; y < b.Y + b.H; ++y) {
        const std::size_t at = static_cast<std::size_t>(y) * kClientWidth;
        for (int x = b.X; x < b.X + b.W; ++x) {
          // 0xRRGGBB to the canvas's bytes R, G, B, A in memory order.
          const gfx::Rgb c = shown_[at + x];
          rgba_[at + x] = 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
        }
      }
      blocks_.insert(blocks_.end(), {b.X, b.Y, b.W, b.H});
    }
    PagePresent(reinterpret_cast<const std::uint8_t*>(rgba_.data()), kClientWidth, kClientHeight,
                blocks_.data(), static_cast<int>(blocks_.size() / 4));
  }

  void ShowError(const std::string& title, const std::string& text) override {
    PageShowError(title.c_str(), text.c_str());
  }
  // Each save reaches the browser's storage; the game's end shows the end screen after it.
  void Saved(bool ok) override {
    if (ok) PagePersist(0);
  }
  void Ended() override { PagePersist(1); }

  double presentStartMs = 0;

 private:
  PageFiles files_;
  std::vector<gfx::Rgb> shown_;
  std::vector<std::uint32_t> rgba_;
  std::vector<int> blocks_;  // x, y, w, h of each block put on the canvas in this frame
};

struct Game {
  Page page;
  shell::Shell shell{page, shell::ApplicationTitle("frothy.js")};  // the program file
  int scale = 1;
  // For the page's meter (tools/web/meter.py): when the latest frame steps started, and what
  // all steps so far cost.
  std::vector<double> stepStartsMs;
  double stepCostMs = 0;     // the frame steps alone
  double presentCostMs = 0;  // putting their frames on the canvas
};

Game* g_game = nullptr;

// The browser wakes the page at the next grid point, as the desktop's loop waits for it. A wake
// that comes late runs one step and the grid points it missed are dropped, never made up in a
// burst. (Waking on the display's rhythm instead would put steps 17 and 33 ms apart on a 60 Hz
// screen, and in no rhythm at all on a page that is not being painted.)
void OnTimer(void*);

void WaitForNextTick() {
  const double waitMs = static_cast<double>(g_game->shell.NextTickUs() - NowUs()) / 1000.0;
  emscripten_set_timeout(OnTimer, waitMs > 0 ? waitMs : 0, nullptr);
}

void OnTimer(void*) {
  Game& g = *g_game;
  if (g.shell.Ended()) return;
  if (g.shell.TickDue(NowUs())) {
    const double start = emscripten_get_now();
    g.page.presentStartMs = start;
    g.shell.Tick();
    const double end = emscripten_get_now();
    // The meter reads the latest few thousand; a long visit keeps no more.
    if (g.stepStartsMs.size() >= 8192)
      g.stepStartsMs.erase(g.stepStartsMs.begin(), g.stepStartsMs.begin() + 4096);
    g.stepStartsMs.push_back(start);
    g.stepCostMs += g.page.presentStartMs - start;
    g.presentCostMs += end - g.page.presentStartMs;
  }
  WaitForNextTick();
}

}  // namespace

extern "C" {

// Pointer positions arrive in canvas pixels (the canvas is `scale` times the client area).
EMSCRIPTEN_KEEPALIVE void frothy_mouse_move(int x, int y) {
  const auto [cx, cy] = shell::ToClient(x, y, g_game->scale);
  g_game->shell.MouseMove(cx, cy);
}

EMSCRIPTEN_KEEPALIVE void frothy_mouse_down(int x, int y) {
  const auto [cx, cy] = shell::ToClient(x, y, g_game->scale);
  g_game->shell.MouseDown(cx, cy);
}

// The first user gesture: from now on the browser lets the cues sound.
EMSCRIPTEN_KEEPALIVE void frothy_audio_unlocked() {
  audio::MediaPlayer::SetMuted(false);
}

EMSCRIPTEN_KEEPALIVE void frothy_escape() {
  g_game->shell.Escape();
}

// The page is hidden or closed: the window's close request. The game goes on if the page comes
// back; a failed save is reported and nothing else happens.
EMSCRIPTEN_KEEPALIVE void frothy_close() {
  Game& g = *g_game;
  if (g.shell.Ended()) return;
  bool saved = false;
  shell::Guarded(
      [&] {
        g.shell.Form1.FormClose();
        saved = true;
      },
      [&](const std::string& text) { g.page.ShowError(g.shell.Title(), text); });
  if (saved) PagePersist(0);
}

// Reports a failure the page met (storage) with the error box's rules.
EMSCRIPTEN_KEEPALIVE void frothy_report(const char* message) {
  g_game->page.ShowError(g_game->shell.Title(), shell::ErrorBoxText(message));
}

EMSCRIPTEN_KEEPALIVE int frothy_step_count() {
  return static_cast<int>(g_game->stepStartsMs.size());
}
EMSCRIPTEN_KEEPALIVE double frothy_step_start(int i) {
  return g_game->stepStartsMs.at(static_cast<std::size_t>(i));
}
EMSCRIPTEN_KEEPALIVE double frothy_step_cost_ms() {
  return g_game->stepCostMs;
}
// For the meter: `n` frame steps of the running game back to back, and the milliseconds they
// took; hot, as a benchmark runs them, so the figure compares with the desktop's benchmark.
// The game moves on n ticks.
EMSCRIPTEN_KEEPALIVE double frothy_meter_steps(int n) {
  const double start = emscripten_get_now();
  shell::Guarded(
      [&] {
        for (int i = 0; i < n; ++i) g_game->shell.Form1.Timer1Timer();
      },
      [](const std::string& text) { g_game->page.ShowError(g_game->shell.Title(), text); });
  return emscripten_get_now() - start;
}
EMSCRIPTEN_KEEPALIVE double frothy_present_cost_ms() {
  return g_game->presentCostMs;
}
}

int main() {
  static Game game;
  g_game = &game;

  shell::ScaleHints hints;
  hints.displayDpi = static_cast<float>(emscripten_get_device_pixel_ratio() * 96.0);
  hints.usableWidth = PageAvailWidth();
  hints.usableHeight = PageAvailHeight();
  game.scale = shell::ChooseScale(hints);
  PageSetScale(game.scale, kClientWidth, kClientHeight);

  // Until the first click the browser keeps audio shut.
  audio::MediaPlayer::SetMuted(true);
  if (game.shell.LockFolder(kAlreadyRunning) != shell::Shell::Start::Running ||
      game.shell.StartUp(NowUs(), shell::UtcMsSinceMidnight(), kDataDir) !=
          shell::Shell::Start::Running) {
    PageStopped();
    return 0;
  }
  WaitForNextTick();
  // main returns; the page's timers and events keep the game going.
  return 0;
}
