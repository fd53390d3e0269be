// Renders the game's screens headlessly through the real frame step, with a fixed seed and a
// fake clock, into PNG pictures for the README. The same data gives the same files. It also
// draws the ranking of the record in the folder (stored-ranking.png), which the browser's and
// Windows' tests compare their own ranking screens with.
//   cd build/data && ../render_screens ../../docs
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "game/scenes.hpp"
#include "gfx/bmp.hpp"
#include "png.hpp"
#include "posix/file_layer.hpp"
#include "shell/form.hpp"

namespace {

class StoppedClock final : public game::Clock {
 public:
  std::int32_t NowMs() override { return now; }
  std::int32_t now = 1'000'000;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_screens OUTDIR  (run in a folder with the default data)\n");
    return 2;
  }
  const std::string out = argv[1];
  ::setenv("SDL_AUDIODRIVER", "dummy", 0);
  try {
    StoppedClock clock;
    shell::TForm1 form(FROTHY_FONT_PATH, &clock);
    store::PosixFileLayer files("./");
    form.FormCreate(20261208, ".", files);
    auto& g = form.G;
    const store::RankTable stored = g.RankTable;
    g.RankTable[0] = {31, 47, 112, -1, -1, -1, -1, -1, -1, -1};
    g.RankTable[2] = {58, 104, -1, -1, -1, -1, -1, -1, -1, -1};
    g.Level = 1;
    const auto tick = [&](int ms) {
      clock.now += ms;
      form.Timer1Timer();
    };

    // The sprite sheet itself, lit looks and all.
    tools::WritePng(gfx::LoadBmp("pic.bmp"), out + "/sheet.png");

    // Title, the pointer on the start button.
    form.FormMouseMove(200, 197);
    tick(25);
    tools::WritePng(g.BackBuffer, out + "/title.png", game::kClientHeight);

    // Play: a dozen merges, the clock running.
    form.FormMouseDown(200, 197);
    tick(25);
    for (int frames = 0; frames < 500 && g.BubblesLeft > 38; ++frames) {
      std::int32_t x = 0, y = 0;
      if (frames % 12 == 0 && game::FirstMergePoint(g, x, y)) form.FormMouseDown(x, y);
      tick(25);
    }
    tools::WritePng(g.BackBuffer, out + "/play.png", game::kClientHeight);

    // Merge down to one: the banner with the place the time took.
    for (int frames = 0; frames < 20000 && g.Phase == 0; ++frames) {
      std::int32_t x = 0, y = 0;
      if (game::FirstMergePoint(g, x, y)) form.FormMouseDown(x, y);
      tick(25);
    }
    tick(25);
    tools::WritePng(g.BackBuffer, out + "/finish.png", game::kClientHeight);

    // The ranking screen with the new time among the others.
    g.Scene = game::kRanking;
    g.Phase = 0;
    tick(25);
    tools::WritePng(g.BackBuffer, out + "/ranking.png", game::kClientHeight);

    g.RankTable = stored;
    g.Phase = 0;
    tick(25);
    tools::WritePng(g.BackBuffer, out + "/stored-ranking.png", game::kClientHeight);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "render_screens: %s\n", e.what());
    return 1;
  }
  return 0;
}
