#pragma once
// The program: start-up, the event loop with its 25 ms frame timer, and the two ways out.
#include <cstdint>
#include <functional>

namespace desktop {
// Returns the process exit status. `afterTick`, for measuring tools, is called after every frame
// step with the time it started (the platform's clock); returning false ends the loop without a
// save.
int Run(const char* argv0, std::function<bool(std::int64_t)> afterTick = {});
}  // namespace desktop
