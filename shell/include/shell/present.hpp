#pragma once
// The present's compare: of the blocks the frame's damage names, those whose pixels differ from
// what the screen holds are copied into it. Every platform presents through this.
#include <vector>

#include "gfx/image.hpp"
#include "shell/platform.hpp"

namespace shell {

// Copies the changed blocks of `frame` (its top 600 x 399) into `screen` and puts them in
// `changed`; the whole client when the screen is fresh or the frame wholly damaged. Takes the
// frame's damage. A frame of another size shows nothing.
void ComparePresent(gfx::Image& frame, const Screen& screen, std::vector<gfx::Rect>& changed);

}  // namespace shell
