// The Windows program: a GUI program (no console) whose entry is main, as MinGW starts it;
// SDL's own entry wrapper is not used.
#define SDL_MAIN_HANDLED
#include "win/platform.hpp"

int main() {
  return win::Run();
}
