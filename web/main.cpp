// The browser platform: the same form, handlers and 25 ms tick grid as the desktop, with the
// page in place of the window. The page (pre.js) delivers the pointer, Escape and the page's
// hide and close; this file turns them into the form's handlers and presents its BackBuffer on
// the canvas.
#include <emscripten.h>
#include <emscripten/eventloop.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/form.hpp"
#include "app/scale.hpp"
#include "app/tick_schedule.hpp"
#include "game/state.hpp"
#include "gfx/image.hpp"

namespace {

// The packed data and the persistent record are two folders of the page's file system: the
// record's folder is backed by the browser's IndexedDB and filled from it before main runs.
constexpr char kDataDir[] = "/frothy";
constexpr char kRecordDir[] = "/saved/";
constexpr char kFontPath[] = "/font/face.ttf";
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

std::int64_t NowUs() {
  return static_cast<std::int64_t>(emscripten_get_now() * 1000.0);
}

struct Page {
  app::TForm1 form{kFontPath};
  app::TickSchedule ticks{0};
  std::string title;
  int scale = 1;
  bool running = false;
  std::vector<gfx::Rgb> shown;
  std::vector<std::uint32_t> rgba;
  std::vector<int> blocks;  // x, y, w, h of each block put on the canvas in this frame
  // For the page's meter (tools/web/meter.py): when the latest frame steps started, and what
  // all steps so far cost.
  std::vector<double> stepStartsMs;
  double stepCostMs = 0;     // the frame steps alone
  double presentCostMs = 0;  // putting their frames on the canvas
};

Page* g_page = nullptr;

void Report(const std::string& text) {
  PageShowError(g_page->title.c_str(), text.c_str());
}

// As the desktop window does: of the blocks the frame's damage names, only those whose pixels
// differ from the canvas's are converted and put on it.
void Present(gfx::Image& frame) {
  Page& p = *g_page;
  if (frame.Width() != kClientWidth || frame.Height() < kClientHeight) return;
  const std::size_t visible = static_cast<std::size_t>(kClientWidth) * kClientHeight;
  const bool whole = p.shown.size() != visible || frame.WhollyDamaged();
  if (whole) {
    p.shown.assign(visible, 0);
    p.rgba.assign(visible, 0);
  }
  constexpr gfx::Rect kClient{0, 0, kClientWidth, kClientHeight};
  const std::vector<gfx::Rect> blocks =
      whole ? std::vector<gfx::Rect>{kClient} : gfx::CoveringBlocks(frame.Damaged(), kClient);
  p.blocks.clear();
  for (const gfx::Rect& b : blocks) {
    const int x0 = b.X, x1 = b.X + b.W, y0 = b.Y, y1 = b.Y + b.H;
    bool changed = whole;
    for (int y = y0; y < y1; ++y) {
      const std::size_t at = static_cast<std::size_t>(y) * kClientWidth;
      const gfx::Rgb* from = frame.Row(y);
      if (!changed && std::equal(from + x0, from + x1, p.shown.begin() + at + x0)) continue;
      changed = true;
      for (int x = x0; x < x1; ++x) {
        // 0xRRGGBB to the canvas's bytes R, G, B, A in memory order.
        const gfx::Rgb c = p.shown[at + x] = from[x];
        p.rgba[at + x] = 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
      }
    }
    if (changed) p.blocks.insert(p.blocks.end(), {x0, y0, x1 - x0, y1 - y0});
  }
  frame.ClearDamage();
  if (p.blocks.empty()) return;
  PagePresent(reinterpret_cast<const std::uint8_t*>(p.rgba.data()), kClientWidth, kClientHeight,
              p.blocks.data(), static_cast<int>(p.blocks.size() / 4));
}

// The browser wakes the page at the next grid point, as the desktop's loop waits for it. A wake
// that comes late runs one step and the grid points it missed are dropped, never made up in a
// burst. (Waking on the display's rhythm instead would put steps 17 and 33 ms apart on a 60 Hz
// screen, and in no rhythm at all on a page that is not being painted.)
void OnTimer(void*);

void WaitForNextTick() {
  const double waitMs = static_cast<double>(g_page->ticks.NextDueUs() - NowUs()) / 1000.0;
  emscripten_set_timeout(OnTimer, waitMs > 0 ? waitMs : 0, nullptr);
}

void OnTimer(void*) {
  Page& p = *g_page;
  if (!p.running) return;
  const std::int64_t now = NowUs();
  if (p.ticks.Due(now)) {
    const double start = emscripten_get_now();
    double stepped = start;
    app::Guarded(
        [&] {
          p.form.Timer1Timer();
          stepped = emscripten_get_now();
          Present(p.form.G.BackBuffer);
        },
        Report);
    const double end = emscripten_get_now();
    // The meter reads the latest few thousand; a long visit keeps no more.
    if (p.stepStartsMs.size() >= 8192)
      p.stepStartsMs.erase(p.stepStartsMs.begin(), p.stepStartsMs.begin() + 4096);
    p.stepStartsMs.push_back(start);
    p.stepCostMs += stepped - start;
    p.presentCostMs += end - stepped;
    p.ticks.Ran(NowUs());
  }
  WaitForNextTick();
}

void End() {
  g_page->running = false;
}

// The first visit has no record yet: it starts from the packed fresh one, as the desktop's play
// folder starts from the default data.
void FirstVisitRecord() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path saved = fs::path(kRecordDir) / "b_data.dat";
  if (!fs::exists(saved, ec)) fs::copy_file(fs::path(kDataDir) / "b_data.dat", saved, ec);
}

}  // namespace

extern "C" {

// Pointer positions arrive in canvas pixels (the canvas is `scale` times the client area).
EMSCRIPTEN_KEEPALIVE void frothy_mouse_move(int x, int y) {
  const auto [cx, cy] = app::ToClient(x, y, g_page->scale);
  g_page->form.FormMouseMove(cx, cy);
}

EMSCRIPTEN_KEEPALIVE void frothy_mouse_down(int x, int y) {
  const auto [cx, cy] = app::ToClient(x, y, g_page->scale);
  g_page->form.FormMouseDown(cx, cy);
}

// The first user gesture: from now on the browser lets the cues sound.
EMSCRIPTEN_KEEPALIVE void frothy_audio_unlocked() {
  g_page->form.CuesMuted = false;
}

EMSCRIPTEN_KEEPALIVE void frothy_escape() {
  Page& p = *g_page;
  if (!p.running) return;
  bool end = false;
  app::Guarded([&] { end = p.form.FormKeyDownEscape(); }, Report);
  if (end) {
    End();
    PagePersist(1);
  }
}

// The page is hidden or closed: the window's close request. The game goes on if the page comes
// back; a failed save is reported and nothing else happens.
EMSCRIPTEN_KEEPALIVE void frothy_close() {
  Page& p = *g_page;
  if (!p.running) return;
  bool saved = false;
  app::Guarded(
      [&] {
        p.form.FormClose();
        saved = true;
      },
      Report);
  if (saved) PagePersist(0);
}

// Reports a failure the page met (storage) with the error box's rules.
EMSCRIPTEN_KEEPALIVE void frothy_report(const char* message) {
  Report(app::ErrorBoxText(message));
}

EMSCRIPTEN_KEEPALIVE int frothy_step_count() {
  return static_cast<int>(g_page->stepStartsMs.size());
}
EMSCRIPTEN_KEEPALIVE double frothy_step_start(int i) {
  return g_page->stepStartsMs.at(static_cast<std::size_t>(i));
}
EMSCRIPTEN_KEEPALIVE double frothy_step_cost_ms() {
  return g_page->stepCostMs;
}
// For the meter: `n` frame steps of the running game back to back, and the milliseconds they
// took; hot, as a benchmark runs them, so the figure compares with the desktop's benchmark.
// The game moves on n ticks.
EMSCRIPTEN_KEEPALIVE double frothy_meter_steps(int n) {
  const double start = emscripten_get_now();
  app::Guarded(
      [&] {
        for (int i = 0; i < n; ++i) g_page->form.Timer1Timer();
      },
      Report);
  return emscripten_get_now() - start;
}
EMSCRIPTEN_KEEPALIVE double frothy_present_cost_ms() {
  return g_page->presentCostMs;
}
}

int main() {
  static Page page;
  g_page = &page;
  // The program file is frothy.js.
  page.title = app::ApplicationTitle("frothy.js");

  app::ScaleHints hints;
  hints.displayDpi = static_cast<float>(emscripten_get_device_pixel_ratio() * 96.0);
  hints.usableWidth = PageAvailWidth();
  hints.usableHeight = PageAvailHeight();
  page.scale = app::ChooseScale(hints);
  PageSetScale(page.scale, kClientWidth, kClientHeight);

  // Until the first click the browser keeps audio shut.
  page.form.CuesMuted = true;
  page.form.RecordDir = kRecordDir;
  FirstVisitRecord();

  const std::int64_t armed = NowUs();
  page.ticks = app::TickSchedule(armed);
  if (!app::StartUp(page.form, app::UtcMsSinceMidnight(), kDataDir, Report)) {
    PageStopped();
    return 0;
  }
  page.running = true;
  WaitForNextTick();
  // main returns; the page's timers and events keep the game going.
  return 0;
}
