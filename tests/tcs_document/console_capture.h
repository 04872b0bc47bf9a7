// Collects the console text that the code under test prints through the
// host library, for exact comparison.
#pragma once

#include <string>

#include "pyx/simhost_api.h"

namespace corvel::test {

class ConsoleCapture {
 public:
  ConsoleCapture() { simhost_set_console_sink(&ConsoleCapture::collect, this); }
  ~ConsoleCapture() { simhost_set_console_sink(nullptr, nullptr); }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  const std::string& text() const { return _text; }
  void clear() { _text.clear(); }

 private:
  static void collect(void* context, const char* text, int /*isError*/) {
    static_cast<ConsoleCapture*>(context)->_text += text;
  }
  std::string _text;
};

}  // namespace corvel::test
