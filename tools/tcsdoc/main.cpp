// tcsdoc [--reference FILE] [--schema FILE]: writes the TCS reference and
// schema; without options both go to docs/tcs-reference.md and
// schema/tcs.xsd under the working directory. Exit status 0 written, 1 a
// file could not be written, 2 usage error.
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

#include "writers.h"

namespace {

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) return true;
  std::fprintf(stderr, "tcsdoc: cannot write %s\n", path.c_str());
  return false;
}

int usage() {
  std::fprintf(stderr, "usage: tcsdoc [--reference FILE] [--schema FILE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::string reference;
    std::string schema;
    for (int i = 1; i < argc; ++i) {
      const bool hasValue = i + 1 < argc;
      if (std::strcmp(argv[i], "--reference") == 0 && hasValue) {
        reference = argv[++i];
      } else if (std::strcmp(argv[i], "--schema") == 0 && hasValue) {
        schema = argv[++i];
      } else {
        return usage();
      }
    }
    if (reference.empty() && schema.empty()) {
      reference = "docs/tcs-reference.md";
      schema = "schema/tcs.xsd";
    }
    bool written = true;
    if (!reference.empty()) written = writeFile(reference, tcsdoc::referenceMarkdown()) && written;
    if (!schema.empty()) written = writeFile(schema, tcsdoc::schemaXsd()) && written;
    return written ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tcsdoc: %s\n", error.what());
    return 1;
  } catch (...) {
    std::fprintf(stderr, "tcsdoc: unexpected failure\n");
    return 1;
  }
}
