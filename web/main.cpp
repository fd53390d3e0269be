// The browser platform: the same form, handlers and 25 ms tick grid as the desktop, with the
// page in place of the window. The page (pre.js) delivers the pointer in client pixels, Escape
// and the page's close; this file turns them into the form's handlers, presents its BackBuffer
// on the canvas and keeps the record in the page's storage (page_record.hpp).
#include <emscripten.h>
#include <emscripten/eventloop.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/form.hpp"
#include "app/tick_schedule.hpp"
#include "game/scenes.hpp"
#include "game/state.hpp"
#include "gfx/image.hpp"
#include "page_record.hpp"
#include "store/record.hpp"

namespace {

// The packed data and the record are two folders of the page's file system: the record's is
// filled from the page's storage before start-up reads it.
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
EM_JS(void, PageEnded, (int saved), { frothyPage.ended(saved !== 0); });
EM_JS(void, PageStopped, (), { frothyPage.stopped(); });
EM_JS(void, PageScene, (int scene), { frothyPage.scene(scene); });
EM_JS(void, PageSetClientSize, (int width, int height), { frothyPage.setClientSize(width, height); });
// clang-format on

std::int64_t NowUs() {
  return static_cast<std::int64_t>(emscripten_get_now() * 1000.0);
}

struct Page {
  app::TForm1 form{kFontPath};
  app::TickSchedule ticks{0};
  std::string title;
  bool running = false;
  int scene = -1;                // the scene the page's Escape control was last told
  store::RecordBytes saved{};    // the record as the page's storage last took it
  store::RecordBytes unsaved{};  // the record a save last failed to keep
  bool saveFailing = false;
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

store::RecordBytes RecordNow() {
  const game::GameState& g = g_page->form.G;
  return store::Encode(store::Record{g.RankTable, g.Level});
}

// Puts the record in the page's storage; on failure `error` says why.
bool SaveRecord(std::string& error) {
  Page& p = *g_page;
  const store::RecordBytes now = RecordNow();
  if (!web::SaveRecordBytes(now, error)) {
    p.unsaved = now;
    return false;
  }
  p.saved = now;
  p.saveFailing = false;
  return true;
}

// Besides the close requests, the record is saved as soon as it changes (a finishing time
// enters the table, the level changes on the title), so that no time rests on the page's last
// moments. A failure is reported once until a save succeeds again; without any storage the
// page has said so already.
void SaveWhenChanged() {
  Page& p = *g_page;
  const store::RecordBytes now = RecordNow();
  if (now == p.saved || (p.saveFailing && now == p.unsaved)) return;
  std::string error;
  if (SaveRecord(error)) return;
  if (!p.saveFailing && web::PageKeepsRecords()) Report(app::ErrorBoxText(error));
  p.saveFailing = true;
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
    SaveWhenChanged();
    if (p.form.G.Scene != p.scene) PageScene(p.scene = p.form.G.Scene);
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

// Puts the page's newest record where start-up reads it. The first visit has none yet: it
// starts from the packed fresh one, as the desktop's play folder starts from the default data.
// Returns why the page's record could not be read ("" when it could, or there is none).
std::string PrepareRecord() {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(kRecordDir, ec);
  const fs::path path = fs::path(kRecordDir) / "b_data.dat";
  store::RecordBytes bytes{};
  std::string error;
  if (web::LoadRecordBytes(bytes, error) == web::Loaded::Record) {
    // C's files rather than a stream: the streams would add a sixth to the program's size.
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return "";
  }
  fs::copy_file(fs::path(kDataDir) / "b_data.dat", path, fs::copy_options::overwrite_existing, ec);
  return error;
}

}  // namespace

extern "C" {

// Pointer positions arrive in client pixels: the page maps them from whatever scale it shows.
EMSCRIPTEN_KEEPALIVE void frothy_mouse_move(int x, int y) {
  g_page->form.FormMouseMove(x, y);
}

EMSCRIPTEN_KEEPALIVE void frothy_mouse_down(int x, int y) {
  g_page->form.FormMouseDown(x, y);
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
  if (!end) return;
  // A failed save keeps the game on the title, as on the desktop; without any storage there is
  // nothing to try again, and the end screen says the times were not saved.
  std::string error;
  const bool saved = SaveRecord(error);
  if (!saved && web::PageKeepsRecords()) {
    Report(app::ErrorBoxText(error));
    return;
  }
  End();
  PageEnded(saved ? 1 : 0);
}

// The page is closed (`stop` 0), or another tab takes the game over (`stop` 1): the window's
// close request. The record is saved unless the page's storage holds it already; a failed save
// is reported. A browser does not let a page refuse its closing.
EMSCRIPTEN_KEEPALIVE void frothy_close(int stop) {
  Page& p = *g_page;
  if (!p.running) return;
  app::Guarded([&] { p.form.FormClose(); }, Report);
  std::string error;
  if (RecordNow() != p.saved && !SaveRecord(error) && web::PageKeepsRecords())
    Report(app::ErrorBoxText(error));
  if (stop) End();
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
// For the tests: a client point where bubbles overlap now, as y * 65536 + x, or -1 for none.
EMSCRIPTEN_KEEPALIVE int frothy_merge_point() {
  std::int32_t x = 0, y = 0;
  if (!game::FirstMergePoint(g_page->form.G, x, y)) return -1;
  return y * 65536 + x;
}
}

namespace {

// Start-up, in a task of its own: the browser paints and takes input between the program's
// arrival and the game's start-up, rather than in one long stretch of both.
void StartUpPage(void*) {
  Page& page = *g_page;
  // Until the first click the browser keeps audio shut.
  page.form.CuesMuted = true;
  page.form.RecordDir = kRecordDir;
  const std::string recordError = PrepareRecord();

  const std::int64_t armed = NowUs();
  page.ticks = app::TickSchedule(armed);
  if (!app::StartUp(page.form, app::UtcMsSinceMidnight(), kDataDir, Report)) {
    PageStopped();
    return;
  }
  if (!recordError.empty()) Report(app::ErrorBoxText(recordError));
  page.saved = RecordNow();
  page.running = true;
  WaitForNextTick();
}

}  // namespace

int main() {
  static Page page;
  g_page = &page;
  // The program file is frothy.js.
  page.title = app::ApplicationTitle("frothy.js");
  PageSetClientSize(kClientWidth, kClientHeight);
  emscripten_set_timeout(StartUpPage, 0, nullptr);
  // main returns; the page's timers and events keep the game going.
  return 0;
}
