// A play tick as the running game meets it: after 25 ms asleep, little of what the frame step
// and the present touch is still in cache. Before each tick, unmeasured, more memory than the
// caches close to the core hold is written over. The window is on SDL's dummy video driver,
// whose surface is plain memory: the present's compare and copy, without a display server.
// Run from a folder holding the default data files (build/data). Apart from frothy_bench, so
// that linking the window does not move the composition benchmarks' code about.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/scenes.hpp"
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

}  // namespace

BENCHMARK_MAIN();
