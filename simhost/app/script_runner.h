// Feeds console lines to the command table and reports each failing line as
// "FILE:LINE: message" on the error console. Remembers that a line failed
// (the program then exits non-zero) and, in strict mode, stops at the first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "command_table.h"
#include "host.h"

namespace pyxsim {

// A console line that failed, as it was reported. `line` is 0 for a failure
// of the source as a whole (a script that cannot be opened).
struct LineFailure {
  std::string source;
  int line = 0;
  std::string message;
};

// Every failure is counted; the first kKept are kept for the run summary, so
// that endless bad input cannot fill the memory.
struct LineFailures {
  static constexpr size_t kKept = 100;
  uint64_t count = 0;
  std::vector<LineFailure> kept;

  void add(const std::string& source, int line, const std::string& message) {
    if (kept.size() < kKept) kept.push_back({source, line, message});
    ++count;
  }
};

class ScriptRunner {
 public:
  ScriptRunner(CommandTable& table, Host& host, bool strict) : table_(table), host_(host), strict_(strict) {}

  // One line read from `source` at `lineNumber`; answers false when it failed.
  bool runLine(const std::string& source, int lineNumber, const std::string& text);
  bool runParsed(const std::string& source, int lineNumber, const ParsedLine& line);
  // Every line of a stream; with `interactive` a prompt is shown before each
  // line and failures never stop the session.
  void runStream(std::istream& in, const std::string& source, bool interactive = false);
  // A script file; one that cannot be opened is a failure of its own.
  void runFile(const std::string& path);

  bool failed() const { return failures_.count > 0; }
  const LineFailures& failures() const { return failures_; }
  // No more lines are to be run: quit was given, or a line failed in strict mode.
  bool stopped() const { return stopped_ || host_.quitRequested(); }

 private:
  void fail(const std::string& source, int lineNumber, const std::string& message);

  CommandTable& table_;
  Host& host_;
  bool strict_;
  bool interactive_ = false;
  LineFailures failures_;
  bool stopped_ = false;
};

}  // namespace pyxsim
