// The console commands of the host: the built-in commands with their argument
// shapes, and the commands that plug-ins registered with the host library,
// called with their declared string and integer arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host.h"
#include "line_parser.h"

namespace pyxsim {

class CommandTable {
 public:
  explicit CommandTable(Host& host);

  // Runs one parsed, non-empty line; throws CommandError.
  void execute(const ParsedLine& line);
  // The built-ins and the registered plug-in commands with their arguments,
  // or the usage of one command.
  std::string help(const std::string& name = {}) const;

 private:
  struct Arg {
    const char* name;
    bool integer;
    bool optional;
    int64_t min;
    int64_t max;
  };
  struct Value {
    std::string text;
    int64_t number = 0;
    bool present = false;
  };
  using Values = std::vector<Value>;
  struct Builtin {
    const char* name;
    std::vector<Arg> args;
    const char* description;
    std::function<void(const Values&)> run;
    // The usage line when the arguments alone do not say it well.
    const char* usageText = nullptr;
  };

  static std::string usage(const Builtin& builtin);
  Values checkArguments(const Builtin& builtin, const ParsedLine& line) const;
  void callPluginCommand(const ParsedLine& line);

  Host& host_;
  std::vector<Builtin> builtins_;
};

}  // namespace pyxsim
