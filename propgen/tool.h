// The propgen command line: reads the property XML from `input` and writes
// the registry header to the named output file.
#pragma once

#include <cstdio>

namespace propgen {

// Runs the tool with the program's arguments; diagnostics go to `errors`.
// Returns the exit status: 0 when the header was written, 1 otherwise.
int runPropgen(int argc, const char* const* argv, std::FILE* input, std::FILE* errors);

}  // namespace propgen
