// Time from the start of the process to the first presented frame, through the real start-up
// and main loop (run it in a folder with the default data, on a display).
//   cd build-test/data && DISPLAY=... ../startup_meter
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "desktop/run.hpp"
#include "shell/platform.hpp"

namespace {

// The process's start on the monotonic clock, from /proc (clock ticks since boot).
double ProcessAgeMs() {
  std::ifstream in("/proc/self/stat");
  std::string field;
  for (int i = 0; i < 22 && in >> field; ++i) {
  }
  const double started = std::stod(field) / static_cast<double>(::sysconf(_SC_CLK_TCK));
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return (static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - started) * 1e3;
}

}  // namespace

int main(int /*argc*/, char** argv) {
  const std::int64_t entered = shell::SteadyNowUs();
  const double ageAtEntry = ProcessAgeMs();
  double firstFrameUs = 0;
  const int status = desktop::Run(argv[0], [&](std::int64_t) {
    firstFrameUs = static_cast<double>(shell::SteadyNowUs() - entered);
    return false;
  });
  std::printf(
      "first frame presented %.1f ms after main() (process age at main(): %.0f ms, "
      "10 ms resolution)\n",
      firstFrameUs / 1000.0, ageAtEntry);
  return status;
}
