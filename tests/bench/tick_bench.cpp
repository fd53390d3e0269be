// A play tick as the running game meets it: after 25 ms asleep, little of what the frame step
// and the present touch is still in cache. Before each tick, unmeasured, more memory than the
// caches close to the core hold is written over. The window is on SDL's dummy video driver,
// whose surface is plain memory: the present's compare and copy, without a display server.
// Run from a folder holding the default data files (build/data). Apart from frothy_bench, so
// that linking the window does not move the composition benchmarks' code about.
// RecordSave is what a tick that ranks a time or changes the level adds after its present: the
// record replaced whole, flushed to the disk of the working folder (in a folder of its own).
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "game/scenes.hpp"
#include "posix/file_layer.hpp"
#include "shell/sdl_window.hpp"
#include "started.hpp"

namespace {

void PlayTickCold(benchmark::State& state) {
  ::setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  {
    bench::Started s;
    shell::SdlWindow window("bench", 1);
    s.form.FormMouseDown(200, 197);
    s.form.Timer1Timer();
    s.form.G.ClockStarted = 1;  // the clock runs as after a first merge
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

BENCHMARK(PlayTickCold)->Iterations(1000);

void RecordSave(benchmark::State& state) {
  char name[] = "bench-save-XXXXXX";
  if (!::mkdtemp(name)) {
    state.SkipWithError("no folder for the record");
    return;
  }
  {
    store::PosixFileLayer files(bench::WorkingFolder() + "/" + name + "/");
    store::Record record = store::FreshRecord();
    std::vector<double> ms;
    for (auto _ : state) {
      record.Level = 1 + record.Level % 5;  // a new level each time, as the title's arrows
      const auto start = std::chrono::steady_clock::now();
      files.SaveRecord(record);
      const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
      state.SetIterationTime(spent.count());
      ms.push_back(spent.count() * 1000);
    }
    std::sort(ms.begin(), ms.end());
    state.counters["p50_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[ms.size() * 99 / 100];
    state.counters["max_ms"] = ms.back();
  }
  std::filesystem::remove_all(name);
}

BENCHMARK(RecordSave)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
