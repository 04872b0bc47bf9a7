// Capture of what the plug-in hands the stand-in host: console text and
// executed command lines, for as long as the capture object lives.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pyx/simhost_api.h"

namespace corvel::test {

class ConsoleCapture {
 public:
  ConsoleCapture() { simhost_set_console_sink(&ConsoleCapture::sink, this); }
  ~ConsoleCapture() { simhost_set_console_sink(nullptr, nullptr); }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  // Everything printed since the last take, then forgets it.
  std::string take() { return std::exchange(_text, std::string()); }
  const std::string& text() const { return _text; }
  void clear() { _text.clear(); }

 private:
  static void sink(void* context, const char* text, int /*isError*/) {
    static_cast<ConsoleCapture*>(context)->_text += text;
  }
  std::string _text;
};

// Every line given to TOLK_ExecuteCommandStr.
class CommandCapture {
 public:
  CommandCapture() { simhost_set_command_sink(&CommandCapture::sink, this); }
  ~CommandCapture() { simhost_set_command_sink(nullptr, nullptr); }
  CommandCapture(const CommandCapture&) = delete;
  CommandCapture& operator=(const CommandCapture&) = delete;

  const std::vector<std::string>& lines() const { return _lines; }

 private:
  static void sink(void* context, const char* line) {
    static_cast<CommandCapture*>(context)->_lines.emplace_back(line);
  }
  std::vector<std::string> _lines;
};

}  // namespace corvel::test
