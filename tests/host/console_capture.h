// Collects the console text of the stand-in host library for one test.
#pragma once

#include <string>

#include "pyx/simhost_api.h"

namespace corvel::test {

class ConsoleCapture {
 public:
  ConsoleCapture() { simhost_set_console_sink(&ConsoleCapture::sink, this); }
  ~ConsoleCapture() { simhost_set_console_sink(nullptr, nullptr); }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  // Everything printed since the last take, then forgets it.
  std::string take() {
    std::string text;
    text.swap(_text);
    return text;
  }
  const std::string& text() const { return _text; }

 private:
  static void sink(void* context, const char* text, int /*isError*/) {
    static_cast<ConsoleCapture*>(context)->_text += text;
  }
  std::string _text;
};

}  // namespace corvel::test
