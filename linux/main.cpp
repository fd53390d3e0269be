#include "desktop/run.hpp"

int main(int /*argc*/, char** argv) {
  return desktop::Run(argv[0]);
}
