// Measures the real main loop's frame timer without a display: SDL's dummy video and audio
// drivers, the default data from the working folder, ten seconds of title frames. Prints the
// tick count, the spread of the intervals, and what happens after a 100 ms stall.
//   cd build-test/data && ../tick_meter [seconds]
#include <SDL2/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "desktop/main_loop.hpp"
#include "shell/form.hpp"
#include "shell/sdl_window.hpp"

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  ::setenv("SDL_VIDEODRIVER", "dummy", 0);
  ::setenv("SDL_AUDIODRIVER", "dummy", 0);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "tick_meter: %s\n", SDL_GetError());
    return 1;
  }
  int status = 0;
  try {
    char buffer[4096];
    const std::string cwd = ::getcwd(buffer, sizeof buffer) ? buffer : ".";
    shell::SdlWindow window("FROTHY!", 1);
    desktop::DesktopPlatform platform(shell::DataDirFor(cwd), FROTHY_FONT_PATH);
    platform.Attach(window);
    shell::Shell shell(platform, "tick_meter");
    if (shell.StartUp(platform.NowUs(), 0, cwd) != shell::Shell::Start::Running) return 1;
    window.Show();

    std::vector<std::int64_t> starts;
    const std::int64_t stallAt = static_cast<std::int64_t>(seconds * 1e6);
    std::int64_t stalledTick = -1;
    desktop::RunMainLoop(platform, shell, [&](std::int64_t startUs) {
      starts.push_back(startUs);
      if (stalledTick < 0 && startUs - starts.front() >= stallAt) {
        stalledTick = static_cast<std::int64_t>(starts.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // a frame that overruns
      }
      return stalledTick < 0 || static_cast<std::int64_t>(starts.size()) < stalledTick + 8;
    });

    const auto n = static_cast<std::size_t>(stalledTick);
    std::vector<double> gaps;
    for (std::size_t i = 1; i < n; ++i) gaps.push_back(double(starts[i] - starts[i - 1]) / 1000.0);
    std::sort(gaps.begin(), gaps.end());
    const double span = double(starts[n - 1] - starts[0]) / 1e6;
    std::printf("ticks in %.3f s: %zu (expected %.0f)\n", span, n, span * 40.0 + 1);
    std::printf("interval ms: min %.2f  median %.2f  p99 %.2f  max %.2f\n", gaps.front(),
                gaps[gaps.size() / 2], gaps[gaps.size() * 99 / 100], gaps.back());
    std::printf("after a 100 ms stall, the next intervals (ms):");
    for (std::size_t i = n; i < starts.size(); ++i)
      std::printf(" %.1f", double(starts[i] - starts[i - 1]) / 1000.0);
    std::printf("\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tick_meter: %s\n", e.what());
    status = 1;
  }
  SDL_Quit();
  return status;
}
