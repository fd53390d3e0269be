#pragma once
// What the benchmarks share: a fake clock, and a form started on the default data in the
// working folder (build/data) with its first title frame done.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "posix/file_layer.hpp"
#include "shell/form.hpp"

namespace bench {

class BenchClock final : public game::Clock {
 public:
  std::int32_t NowMs() override { return now; }
  std::int32_t now = 100000;
};

inline std::string WorkingFolder() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) ? buffer : ".";
}

struct Started {
  Started() : form(FROTHY_FONT_PATH, &clock) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    form.FormCreate(12345, WorkingFolder(), files);
    form.Timer1Timer();
  }
  BenchClock clock;
  store::PosixFileLayer files{shell::DataDirFor(WorkingFolder())};
  shell::TForm1 form;
};

}  // namespace bench
