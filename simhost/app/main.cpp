// pyxsim: the stand-in simulator host. Loads plug-ins, registers their ports,
// runs console commands from -c options, scripts or the terminal, and drives
// the byte calls cycle by cycle.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>

#include "command_error.h"
#include "command_table.h"
#include "host.h"
#include "junit_report.h"
#include "options.h"
#include "script_runner.h"
#include "summary_json.h"
#include "verdict.h"

namespace {

int runProgram(int argc, char** argv) {
  using namespace pyxsim;
  Options options;
  try {
    options = parseOptions(argc, argv);
  } catch (const CommandError& e) {
    std::fprintf(stderr, "pyxsim: %s\n%s", e.what(), usageText().c_str());
    return kExitBadOptions;
  }
  if (options.help) {
    std::fputs(usageText().c_str(), stdout);
    return 0;
  }
  std::optional<SummaryFile> summaryFile;
  std::optional<SummaryFile> junitFile;
  try {
    if (!options.summaryJson.empty()) summaryFile.emplace(options.summaryJson);
    if (!options.junitXml.empty()) junitFile.emplace(options.junitXml, "JUnit report");
  } catch (const CommandError& e) {
    std::fprintf(stderr, "pyxsim: %s\n", e.what());
    return 1;
  }
  HostSettings settings;
  settings.commandLogPath = options.commandLog;
  settings.progress = ::isatty(STDERR_FILENO) == 1;
  settings.quiet = options.quiet;
  if (options.maxCycles) {
    settings.limits.maxCycles = *options.maxCycles;
    settings.limits.maxCyclesGiven = true;
  }
  if (options.idleCycles) settings.limits.idleCycles = *options.idleCycles;

  Host host(settings);
  CommandTable table(host);
  ScriptRunner runner(table, host, options.strict);
  int index = 0;
  for (const std::string& plugin : options.plugins) {
    if (runner.stopped()) break;
    ParsedLine line;
    line.words = {{"plugin", false, 0}, {plugin, true, 0}};
    runner.runParsed("-p", ++index, line);
  }
  index = 0;
  for (const Input& input : options.inputs) {
    if (runner.stopped()) break;
    if (input.kind == Input::Kind::Command) runner.runLine("-c", ++index, input.text);
    else if (input.text == "-") runner.runStream(std::cin, "<stdin>");
    else runner.runFile(input.text);
  }
  if (options.inputs.empty() && !runner.stopped())
    runner.runStream(std::cin, "<stdin>", ::isatty(STDIN_FILENO) == 1);
  LineFailures failures = runner.failures();
  try {
    host.finish();
  } catch (const CommandError& e) {
    std::fprintf(stderr, "pyxsim: %s\n", e.what());
    // The JSON summary lists it with the lines that failed.
    failures.add("pyxsim", 0, e.what());
  }
  const Verdict verdict = judgeRun(host, failures, options.failOnWarnings);
  // The console lines of the run come first: the verdict is the last line.
  std::fflush(stdout);
  std::printf("%s\n", verdict.line().c_str());
  std::fflush(stdout);
  try {
    if (summaryFile) summaryFile->write(summaryJson(host, failures, &verdict));
    if (junitFile) junitFile->write(junitXml(verdict, host.cycle()));
  } catch (const CommandError& e) {
    std::fprintf(stderr, "pyxsim: %s\n", e.what());
    return 1;
  }
  return verdict.exitStatus(failures.count > 0);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return runProgram(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pyxsim: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "pyxsim: unexpected failure\n");
  }
  return 1;
}
