// Helpers shared by the protocol tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "corvel/host/text_error.h"
#include "corvel/protocols/protocol_config.h"
#include "pyx/simhost_api.h"

namespace corvel::test {

// The message of the TextError that `action` throws, or "(no exception)".
inline std::string throwText(const std::function<void()>& action) {
  try {
    action();
  } catch (const TextError& e) {
    return e.text();
  }
  return "(no exception)";
}

inline std::string zeros(size_t digits) { return std::string(digits, '0'); }

inline std::vector<uint8_t> headerOf(const ProtocolConfig& c) {
  return {c.headerBytes().begin(), c.headerBytes().end()};
}
inline std::vector<uint8_t> trailerOf(const ProtocolConfig& c) {
  return {c.trailerBytes().begin(), c.trailerBytes().end()};
}

// Collects host console text while alive.
class ConsoleCapture {
 public:
  ConsoleCapture() { simhost_set_console_sink(&ConsoleCapture::sink, this); }
  ~ConsoleCapture() { simhost_set_console_sink(nullptr, nullptr); }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;
  const std::string& text() const { return _text; }

 private:
  static void sink(void* context, const char* text, int) {
    static_cast<ConsoleCapture*>(context)->_text += text;
  }
  std::string _text;
};

}  // namespace corvel::test
