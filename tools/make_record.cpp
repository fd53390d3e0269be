// Writes a fresh record file: every place of every level empty, level 1.
#include <cstdio>
#include <exception>

#include "posix/record_file.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_record FILE\n");
    return 2;
  }
  try {
    store::Save(argv[1], store::FreshRecord());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_record: %s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
