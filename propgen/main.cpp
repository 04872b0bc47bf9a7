// propgen: turns an XML property file, read from standard input, into the C
// header holding the property registry table.
#include <cstdio>
#include <exception>

#include "propgen/tool.h"

int main(int argc, char** argv) {
  try {
    return propgen::runPropgen(argc, argv, stdin, stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "propgen: %s\n", e.what());
  } catch (...) {
    std::fputs("propgen: unexpected failure\n", stderr);
  }
  return 1;
}
