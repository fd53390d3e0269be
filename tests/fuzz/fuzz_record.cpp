// Any bytes as the record file, read the way start-up reads it, then shown: the ranking screen
// writes every entry as a time, and a game at the loaded level plays a few frames. A damaged
// entry or level must neither crash nor reach undefined behaviour.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "game/scenes.hpp"
#include "gfx/ttf_text.hpp"
#include "posix/file_layer.hpp"
#include "shell/form.hpp"

namespace {

struct StepClock final : game::Clock {
  std::int32_t NowMs() override { return now; }
  std::int32_t now = 1000;
};
struct SilentCues final : game::Cues {
  void Play(game::Cue) override {}
};

// Built once: opening the face and cutting the sheet cost far more than one input.
struct Rig {
  Rig() {
    gfx::Image sheet(gfx::sheet::kWidth, gfx::sheet::kHeight);
    for (int y = 0; y < sheet.Height(); ++y)
      for (int x = 0; x < sheet.Width(); ++x) sheet.Row(y)[x] = static_cast<gfx::Rgb>(y << 12 | x);
    base.Sprites = gfx::CutSprites(sheet);
    base.BackBuffer = gfx::Image(600, 400);
    base.DataDir = "./";
  }
  void Tick(game::GameState& g, game::Random& rng) {
    clock.now += 25;
    game::Timer1Timer(g, rng, platform);
  }
  StepClock clock;
  SilentCues cues;
  gfx::TtfText text{FROTHY_FONT_PATH};
  game::Platform platform{clock, cues, text};
  game::GameState base;
  // One folder per process, so parallel fuzzing jobs never read each other's input.
  std::string dir = (std::filesystem::temp_directory_path() /
                     ("frothy_fuzz_record." + std::to_string(::getpid())))
                        .string();
  bool made = std::filesystem::create_directories(dir);
  std::string path = dir + "/b_data.dat";
  store::PosixFileLayer files{dir + "/"};
};

Rig& TheRig() {
  static Rig rig;
  return rig;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TheRig();  // a missing face fails here, before the first input
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Rig& rig = TheRig();
  std::FILE* f = std::fopen(rig.path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();

  game::GameState g = rig.base;
  try {
    shell::ReadRecordInto(g, rig.files);
  } catch (const store::IoError&) {
    // A short file: the game goes on with what it had, so the checks below apply as well.
  }
  std::remove(rig.path.c_str());  // now, not at exit: libFuzzer may skip the exit handlers
  if (g.Level < 1 || g.Level > 5) std::abort();

  game::Random rng;
  game::SeedRandom(rng, 0);
  g.Scene = game::kRanking;
  g.Phase = 0;
  rig.Tick(g, rng);  // writes the whole table
  g.Clicked = 1;
  rig.Tick(g, rng);  // back to the title, drawn in the next tick
  rig.Tick(g, rng);
  g.MouseX = 200;  // on START: spawns at the loaded level and plays the first frame
  g.MouseY = 197;
  g.Clicked = 1;
  rig.Tick(g, rng);
  for (int i = 0; i < 4; ++i) {
    g.Clicked = 1;
    game::FirstMergePoint(g, g.MouseX, g.MouseY);
    rig.Tick(g, rng);
  }
  if (g.Scene != game::kPlay) std::abort();
  return 0;
}
