#include "app/run.hpp"

int main(int /*argc*/, char** argv) {
  return app::Run(argv[0]);
}
