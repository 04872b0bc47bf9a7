#include "script_runner.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "command_error.h"
#include "line_parser.h"
#include "line_reader.h"
#include "pyx/tolk.h"

namespace pyxsim {

void ScriptRunner::fail(const std::string& source, int lineNumber, const std::string& message) {
  if (lineNumber > 0) TOLK_printf_error("%s:%d: %s\n", source.c_str(), lineNumber, message.c_str());
  else TOLK_printf_error("%s: %s\n", source.c_str(), message.c_str());
  failures_.add(source, lineNumber, message);
  if (strict_ && !interactive_) stopped_ = true;
}

bool ScriptRunner::runLine(const std::string& source, int lineNumber, const std::string& text) {
  try {
    return runParsed(source, lineNumber, parseLine(text));
  } catch (const CommandError& e) {
    fail(source, lineNumber, e.what());
  }
  return false;
}

bool ScriptRunner::runParsed(const std::string& source, int lineNumber, const ParsedLine& line) {
  try {
    table_.execute(line);
    return true;
  } catch (const CommandError& e) {
    fail(source, lineNumber, e.what());
  } catch (const std::exception& e) {
    fail(source, lineNumber, std::string("internal error: ") + e.what());
  }
  return false;
}

void ScriptRunner::runStream(std::istream& in, const std::string& source, bool interactive) {
  interactive_ = interactive;
  LineReader reader(in);
  std::string text;
  bool truncated = false;
  while (!stopped()) {
    if (interactive) {
      std::fputs("(pyxsim) ", stdout);
      std::fflush(stdout);
    }
    if (!reader.next(text, truncated)) break;
    if (truncated) {
      fail(source, reader.lineNumber(),
           "line longer than " + std::to_string(LineReader::kMaxLine) + " characters");
      continue;
    }
    runLine(source, reader.lineNumber(), text);
  }
  if (interactive) std::fputs("\n", stdout);
  interactive_ = false;
}

void ScriptRunner::runFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    fail(path, 0, std::string("cannot open: ") + std::strerror(errno));
    return;
  }
  runStream(in, path);
}

}  // namespace pyxsim
