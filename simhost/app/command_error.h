// The one failure type of the host program: a console line that could not be
// carried out, with the message shown to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace pyxsim {

class CommandError : public std::runtime_error {
 public:
  explicit CommandError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace pyxsim
