// Frame composition and start-up on the real frame step and the real raster, with a fake clock
// and no window. Run from a folder holding the default data files (build/data).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "game/scenes.hpp"
#include "gfx/draw.hpp"
#include "started.hpp"

namespace {

using bench::BenchClock;
using bench::Started;
using bench::WorkingFolder;

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
    auto form = std::make_unique<shell::TForm1>(FROTHY_FONT_PATH, &clock);
    store::PosixFileLayer files(shell::DataDirFor(folder));
    form->FormCreate(12345, folder, files);
    benchmark::DoNotOptimize(form->G.Level);
    state.PauseTiming();
    form.reset();  // closing the audio device is not start-up
    state.ResumeTiming();
  }
}

BENCHMARK(FrameCopy);
BENCHMARK(TitleFrame);
BENCHMARK(PlayFrame);
BENCHMARK(BannerFrame);
BENCHMARK(RankingEntry);
BENCHMARK(StartUp)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
