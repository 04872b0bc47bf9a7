#include "propgen/tool.h"

#include <cctype>
#include <string_view>
#include <vector>

#include "propgen/property_list_builder.h"

namespace propgen {

namespace {

constexpr std::size_t kReadChunk = 32768;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

void printUsage(std::FILE* errors) {
  std::fputs(" Invalid arg\n", errors);
  std::fputs("USAGE: propgen xmlfile -o outfile\n", errors);
  std::fputs("     xmlfile:  xml config file to prepare\n", errors);
  std::fputs("   -o oufile:  the output file\n", errors);
}

void printText(std::FILE* errors, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), errors);
}

// Writes the header and its final newline; a partial file is removed.
bool writeHeader(const char* outputName, const std::string& header, std::FILE* errors) {
  std::FILE* out = std::fopen(outputName, "wt");
  if (!out) {
    std::fprintf(errors, "Cannot open output file '%s'.\n", outputName);
    return false;
  }
  const bool written = std::fwrite(header.data(), 1, header.size(), out) == header.size() &&
                       std::fputc('\n', out) != EOF;
  const bool closed = std::fclose(out) == 0;
  if (!written || !closed) {
    std::remove(outputName);
    std::fprintf(errors, "Cannot write output file '%s'.\n", outputName);
    return false;
  }
  return true;
}

}  // namespace

int runPropgen(int argc, const char* const* argv, std::FILE* input, std::FILE* errors) {
  if (argc < 4 || !equalsIgnoringCase(argv[2], "-o")) {
    printUsage(errors);
    return 1;
  }
  const char* label = argv[1];
  const char* outputName = argv[3];
  // A stale header from an earlier run must not survive a failed one.
  std::remove(outputName);

  PropertyListBuilder builder(label);
  if (!builder.ready()) {
    std::fputs("Couldn't allocate memory for parser\n", errors);
    return 1;
  }
  std::vector<char> chunk(kReadChunk);
  for (;;) {
    const std::size_t size = std::fread(chunk.data(), 1, chunk.size(), input);
    if (std::ferror(input)) {
      std::fputs("Read error\n", errors);
      return 1;
    }
    const bool isFinal = std::feof(input) != 0;
    if (!builder.parse(chunk.data(), size, isFinal)) {
      printText(errors, builder.message());
      return 1;
    }
    if (isFinal) {
      break;
    }
  }
  return writeHeader(outputName, builder.finish(), errors) ? 0 : 1;
}

}  // namespace propgen
