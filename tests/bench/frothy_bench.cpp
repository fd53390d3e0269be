// Frame composition and start-up on the real frame step and the real raster, with a fake clock
// and no window but PlayTickCold's, on SDL's dummy video driver. Run from a folder holding the
// default data files (build/data).
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/form.hpp"
#include "app/window.hpp"
#include "game/scenes.hpp"
#include "gfx/draw.hpp"

namespace {

class BenchClock final : public game::Clock {
 public:
  std::int32_t NowMs() override { return now; }
  std::int32_t now = 100000;
};

std::string WorkingFolder() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) ? buffer : ".";
}

// A started form on the default data, its first title frame done.
struct Started {
  Started() : form(FROTHY_FONT_PATH, &clock) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    form.FormCreate(12345, WorkingFolder());
    form.Timer1Timer();
  }
  BenchClock clock;
  app::TForm1 form;
};

void FrameCopy(benchmark::State& state) {
  gfx::Image from(game::kFrameWidth, game::kFrameHeight), to(game::kFrameWidth, game::kFrameHeight);
  for (std::size_t i = 0; i < from.Pixels().size(); ++i)
    from.Pixels()[i] = static_cast<gfx::Rgb>(i);
  for (auto _ : state) {
    gfx::DrawImage(to, 0, 0, from);
    benchmark::DoNotOptimize(to.Pixels().data());
    benchmark::ClobberMemory();
  }
}

void TitleFrame(benchmark::State& state) {
  Started s;
  s.form.FormMouseMove(200, 197);  // over the start button
  for (auto _ : state) {
    s.form.Timer1Timer();
    benchmark::ClobberMemory();
  }
  if (s.form.G.Scene != game::kTitle) state.SkipWithError("left the title");
}

void PlayFrame(benchmark::State& state) {
  Started s;
  s.form.FormMouseDown(200, 197);
  s.form.Timer1Timer();
  s.form.G.ClockStarted = 1;  // the clock runs as after a first merge
  s.form.G.ClockStart = s.clock.now;
  for (auto _ : state) {
    s.clock.now += 25;
    s.form.Timer1Timer();
    benchmark::ClobberMemory();
  }
  if (s.form.G.Scene != game::kPlay || s.form.G.Phase != 0) state.SkipWithError("left play");
}

// A play tick as the running game meets it: after 25 ms asleep, little of what the step and
// the present touch is still in cache. Before each tick, unmeasured, more memory than the
// caches close to the core hold is written over. The window is on SDL's dummy video driver,
// whose surface is plain memory: the present's compare and copy, without a display server.
void PlayTickCold(benchmark::State& state) {
  ::setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  {
    Started s;
    app::Window window("bench", 1);
    s.form.FormMouseDown(200, 197);
    s.form.Timer1Timer();
    s.form.G.ClockStarted = 1;
    s.form.G.ClockStart = s.clock.now;
    window.Present(s.form.G.BackBuffer);
    std::vector<std::uint64_t> other(std::size_t{16} << 20 >> 3);
    for (auto _ : state) {
      state.PauseTiming();
      for (std::uint64_t& word : other) ++word;
      benchmark::ClobberMemory();
      state.ResumeTiming();
      s.clock.now += 25;
      s.form.Timer1Timer();
      window.Present(s.form.G.BackBuffer);
      benchmark::ClobberMemory();
    }
    if (s.form.G.Scene != game::kPlay || s.form.G.Phase != 0) state.SkipWithError("left play");
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void BannerFrame(benchmark::State& state) {
  Started s;
  s.form.FormMouseDown(200, 197);
  s.form.Timer1Timer();
  auto& g = s.form.G;
  g.Phase = 1;
  g.RankPos = 3;
  g.PhaseStart = s.clock.now;  // the clock stands still: the banner never times out
  for (auto _ : state) {
    s.form.Timer1Timer();
    benchmark::ClobberMemory();
  }
  if (g.Phase != 1) state.SkipWithError("the banner ended");
}

void RankingEntry(benchmark::State& state) {
  Started s;
  auto& g = s.form.G;
  for (auto& row : g.RankTable)
    for (std::size_t p = 0; p < row.size(); ++p) row[p] = static_cast<std::int32_t>(100 + 37 * p);
  g.Scene = game::kRanking;
  for (auto _ : state) {
    g.Phase = 0;
    s.form.Timer1Timer();
    benchmark::ClobberMemory();
  }
}

void StartUp(benchmark::State& state) {
  ::setenv("SDL_AUDIODRIVER", "dummy", 0);
  BenchClock clock;
  const std::string folder = WorkingFolder();
  for (auto _ : state) {
    auto form = std::make_unique<app::TForm1>(FROTHY_FONT_PATH, &clock);
    form->FormCreate(12345, folder);
    benchmark::DoNotOptimize(form->G.Level);
    state.PauseTiming();
    form.reset();  // closing the audio device is not start-up
    state.ResumeTiming();
  }
}

BENCHMARK(FrameCopy);
BENCHMARK(TitleFrame);
BENCHMARK(PlayFrame);
BENCHMARK(PlayTickCold)->Iterations(1000);
BENCHMARK(BannerFrame);
BENCHMARK(RankingEntry);
BENCHMARK(StartUp)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
