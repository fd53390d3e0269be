#pragma once
// The program: start-up, the event loop with its 25 ms frame timer, and the two ways out.
namespace app {
// Returns the process exit status.
int Run(const char* argv0);
}  // namespace app
