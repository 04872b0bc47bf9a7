#include "options.h"

#include "command_error.h"
#include "line_parser.h"

namespace pyxsim {

namespace {

uint64_t positive(const std::string& option, const std::string& text) {
  std::optional<int64_t> value = parseInteger(text);
  if (!value || *value < 1) throw CommandError(option + " needs a positive number, got \"" + text + "\"");
  return static_cast<uint64_t>(*value);
}

}  // namespace

Options parseOptions(int argc, const char* const* argv) {
  Options options;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw CommandError("option " + arg + " needs a value");
      return argv[++i];
    };
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      options.inputs.push_back({Input::Kind::Script, arg});
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-p" || arg == "--plugin") {
      options.plugins.push_back(value());
    } else if (arg == "-c" || arg == "--command") {
      options.inputs.push_back({Input::Kind::Command, value()});
    } else if (arg == "--strict") {
      options.strict = true;
    } else if (arg == "--max-cycles") {
      options.maxCycles = positive(arg, value());
    } else if (arg == "--idle-cycles") {
      options.idleCycles = positive(arg, value());
    } else if (arg == "--log") {
      options.commandLog = value();
    } else if (arg == "--summary-json") {
      options.summaryJson = value();
      if (options.summaryJson.empty()) throw CommandError("option " + arg + " needs a file name");
    } else if (arg == "--junit-xml") {
      options.junitXml = value();
      if (options.junitXml.empty()) throw CommandError("option " + arg + " needs a file name");
    } else if (arg == "--fail-on-warnings") {
      options.failOnWarnings = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else {
      throw CommandError("unknown option " + arg);
    }
  }
  return options;
}

std::string usageText() {
  return "usage: pyxsim [-p PLUGIN]... [-c COMMAND]... [SCRIPT]...\n"
         "  -p, --plugin PATH    load a plug-in before anything else (repeatable)\n"
         "  -c, --command LINE   run one console line (repeatable; in order with scripts)\n"
         "  --strict             stop at the first failing line\n"
         "  --max-cycles N       hard limit of a run without a cycle count (default 10000000)\n"
         "  --idle-cycles N      quiet cycles that end such a run (default 100000)\n"
         "  --log FILE           table-write log (default host_commands.log)\n"
         "  --summary-json FILE  write the run summary as JSON to FILE when the run ends\n"
         "  --junit-xml FILE     write the verdict as JUnit XML to FILE when the run ends\n"
         "  --fail-on-warnings   PDU and frame warnings fail the run too\n"
         "  --quiet              plug-ins leave out their enter/exit and verbose trace lines\n"
         "  -h, --help           this text\n"
         "With no script and no -c, commands are read from the standard input\n"
         "(interactively when it is a terminal). Type help for the console commands.\n"
         "Exit status: 0 passed, 1 a line failed, 2 bad options, 3 the traffic failed.\n";
}

}  // namespace pyxsim
