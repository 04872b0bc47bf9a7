// The command line of pyxsim:
//   pyxsim [-p PLUGIN]... [-c COMMAND]... [SCRIPT]... [--strict]
//          [--max-cycles N] [--idle-cycles N] [--log FILE] [--summary-json FILE]
//          [--junit-xml FILE] [--fail-on-warnings] [--quiet]
// Plug-ins are loaded first; -c commands and scripts then run in the order
// given. A script named "-" is the standard input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pyxsim {

struct Input {
  enum class Kind { Command, Script };
  Kind kind;
  std::string text;  // the command, or the script's path
};

struct Options {
  std::vector<std::string> plugins;
  std::vector<Input> inputs;
  bool strict = false;
  bool help = false;
  std::optional<uint64_t> maxCycles;
  std::optional<uint64_t> idleCycles;
  std::string commandLog = "host_commands.log";
  std::string summaryJson;  // empty: no JSON summary
  std::string junitXml;     // empty: no JUnit report
  bool failOnWarnings = false;
  bool quiet = false;
};

// Throws CommandError for an unknown option or a missing or bad value.
Options parseOptions(int argc, const char* const* argv);

std::string usageText();

}  // namespace pyxsim
