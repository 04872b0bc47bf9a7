// The one exception type of the traffic simulator: a failure carried as its
// message text. Entry points tell it apart from any other exception.
#pragma once

#include <stdexcept>
#include <string>

namespace corvel {

class TextError : public std::runtime_error {
 public:
  explicit TextError(const std::string& text) : std::runtime_error(text) {}
  explicit TextError(const char* text) : std::runtime_error(text) {}
  const char* text() const noexcept { return what(); }
};

}  // namespace corvel
