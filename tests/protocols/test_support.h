// Helpers shared by the protocol tests.
#pragma once

#include "tests/support/console_capture.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "corvel/base/text_error.h"
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

}  // namespace corvel::test
