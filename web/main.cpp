// The browser platform: the page in place of the window, on the same shell as the desktop. The
// page (pre.js) delivers the pointer in client pixels, Escape and the page's close; this file
// hands them to the shell, keeps the tick grid with the browser's timers, puts the shell's
// changed blocks on the canvas and keeps the record in the page's storage (page_record.hpp).
#include <emscripten.h>
#include <emscripten/eventloop.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio/media_player.hpp"
#include "game/scenes.hpp"
#include "game/state.hpp"
#include "page_record.hpp"
#include "posix/record_file.hpp"
#include "shell/form.hpp"
#include "shell/shell.hpp"
#include "store/data_file.hpp"
#include "store/record.hpp"

namespace {

// The packed data are a folder of the page's file system; the record is the page's storage.
constexpr char kDataDir[] = "/frothy";
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
EM_JS(void, PageEnded, (int saved), { frothyPage.ended(saved !== 0); });
EM_JS(void, PageStopped, (), { frothyPage.stopped(); });
EM_JS(void, PageScene, (int scene), { frothyPage.scene(scene); });
EM_JS(void, PageSetClientSize, (int width, int height), { frothyPage.setClientSize(width, height); });
// clang-format on

// The play folder in the page: the packed data, and the record in the page's own storage.
// One tab holds the game: the page sees to that before the program starts.
class PageFiles final : public shell::FileLayer {
 public:
  shell::LockState LockFolder(std::string& /*reason*/) override { return shell::LockState::Held; }

  std::vector<unsigned char> ReadDataFile(const std::string& name,
                                          std::uintmax_t maxBytes) override {
    return store::ReadDataFile(std::string(kDataDir) + "/" + name, maxBytes);
  }

  void LoadRecord(store::Record& record) override {
    store::RecordBytes bytes{};
    std::string error;
    switch (web::LoadRecordBytes(bytes, error)) {
      case web::Loaded::Record:
        record = store::Decode(bytes);
        return;
      case web::Loaded::None:
        // The first visit starts from the packed fresh record, as the desktop's play folder
        // starts from the default data.
        store::Load(std::string(kDataDir) + "/b_data.dat", record);
        return;
      case web::Loaded::Failed:
        break;
    }
    // Only damaged copies: they are replaced at the next save, as a short file is.
    throw store::IoError(store::kShortFile, error);
  }

  // Without any storage the page has said so once, and the times last for the visit: there is
  // nothing to try again, and nothing to report at every save.
  void SaveRecord(const store::Record& record) override {
    std::string error;
    lastKept_ = web::SaveRecordBytes(store::Encode(record), error);
    if (!lastKept_ && web::PageKeepsRecords()) throw std::runtime_error(error);
  }
  bool LastKept() const { return lastKept_; }

 private:
  bool lastKept_ = false;
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

  // The blocks that changed, converted to the canvas's bytes and put on it.
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
  // No threads here: the record goes to memory and the page's storage in the tick.
  bool SavesAside() override { return false; }
  // The end screen says the times are saved only when they were. A game moved to another tab
  // shows that tab's notice instead, which the page puts up itself.
  void Ended() override {
    if (!movedAway) PageEnded(files_.LastKept() ? 1 : 0);
  }

  double presentStartMs = 0;
  bool movedAway = false;

 private:
  PageFiles files_;
  std::vector<gfx::Rgb> shown_;
  std::vector<std::uint32_t> rgba_;
  std::vector<int> blocks_;  // x, y, w, h of each block put on the canvas in this frame
};

struct Game {
  Page page;
  shell::Shell shell{page, shell::ApplicationTitle("frothy.js")};  // the program file
  int scene = -1;  // the scene the page's Escape control was last told
  // For the page's meter (tools/web/meter.py): when the latest frame steps started, and what
  // all steps so far cost.
  std::vector<double> stepStartsMs;
  double stepCostMs = 0;     // the frame steps alone
  double presentCostMs = 0;  // putting their frames on the canvas
};

Game* g_game = nullptr;

// The Escape control says what Escape does in the scene now.
void TellTheScene() {
  Game& g = *g_game;
  if (g.shell.Form1.G.Scene != g.scene) PageScene(g.scene = g.shell.Form1.G.Scene);
}

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
    TellTheScene();
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

void Report(const std::string& text) {
  g_game->page.ShowError(g_game->shell.Title(), text);
}

}  // namespace

extern "C" {

// Pointer positions arrive in client pixels: the page maps them from whatever scale it shows.
EMSCRIPTEN_KEEPALIVE void frothy_mouse_move(int x, int y) {
  g_game->shell.MouseMove(x, y);
}

EMSCRIPTEN_KEEPALIVE void frothy_mouse_down(int x, int y) {
  g_game->shell.MouseDown(x, y);
}

// The first user gesture: from now on the browser lets the cues sound.
EMSCRIPTEN_KEEPALIVE void frothy_audio_unlocked() {
  audio::MediaPlayer::SetMuted(false);
}

EMSCRIPTEN_KEEPALIVE void frothy_escape() {
  g_game->shell.Escape();
}

// The page is closed (`stop` 0), or another tab takes the game over (`stop` 1). A browser does
// not let a page refuse its closing, and a page put away may come back, so a close saves what
// the record lacks and the game goes on; a take-over saves once and ends.
EMSCRIPTEN_KEEPALIVE void frothy_close(int stop) {
  Game& g = *g_game;
  if (g.shell.Ended()) return;
  if (stop) {
    g.page.movedAway = true;
    g.shell.EndSession();
    return;
  }
  g.shell.SaveUnsaved();
}

// A write the page's storage finished after the save returned failed: told as a failing save.
EMSCRIPTEN_KEEPALIVE void frothy_save_failed(const char* message) {
  g_game->shell.SaveFailed(message);
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
      Report);
  return emscripten_get_now() - start;
}
EMSCRIPTEN_KEEPALIVE double frothy_present_cost_ms() {
  return g_game->presentCostMs;
}
// For the tests: a client point where bubbles overlap now, as y * 65536 + x, or -1 for none.
EMSCRIPTEN_KEEPALIVE int frothy_merge_point() {
  std::int32_t x = 0, y = 0;
  if (!game::FirstMergePoint(g_game->shell.Form1.G, x, y)) return -1;
  return y * 65536 + x;
}
}

namespace {

// Start-up, a step to a task: the browser paints and takes input between the program's
// arrival and each step, rather than in one long stretch of them all.
void StartUpStep(void*);

void StartUpDone(std::optional<shell::Shell::Start> start) {
  if (!start) {
    emscripten_set_timeout(StartUpStep, 0, nullptr);
  } else if (*start == shell::Shell::Start::Running) {
    WaitForNextTick();
  } else {
    PageStopped();
  }
}

void StartUpStep(void*) {
  StartUpDone(g_game->shell.ContinueStartUp());
}

void StartUpPage(void*) {
  Game& g = *g_game;
  // Until the first click the browser keeps audio shut.
  audio::MediaPlayer::SetMuted(true);
  if (g.shell.LockFolder(kAlreadyRunning) != shell::Shell::Start::Running) {
    PageStopped();
    return;
  }
  StartUpDone(g.shell.BeginStartUp(NowUs(), shell::UtcMsSinceMidnight(), kDataDir));
}

}  // namespace

int main() {
  static Game game;
  g_game = &game;
  PageSetClientSize(kClientWidth, kClientHeight);
  emscripten_set_timeout(StartUpPage, 0, nullptr);
  // main returns; the page's timers and events keep the game going.
  return 0;
}
