// The pyxsim binary run in the scratch directory of a HostFixture, with its
// exit code and what it wrote to stdout and stderr.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "host_fixture.h"

namespace pyxsim::test {

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class ProgramTest : public HostFixture {
 protected:
  std::string readFile(const std::string& name) const {
    std::ifstream in(dir_ / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void writeFile(const std::string& name, const std::string& text) const { std::ofstream(dir_ / name) << text; }

  // Runs pyxsim in the scratch directory with `arguments` (shell words).
  Outcome pyxsim(const std::string& arguments, const std::string& input = "") const {
    writeFile("stdin.txt", input);
    const std::string command = "cd " + dir_.string() + " && " + binPath("pyxsim") + " " + arguments +
                                " < stdin.txt > stdout.txt 2> stderr.txt";
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = readFile("stdout.txt");
    outcome.err = readFile("stderr.txt");
    return outcome;
  }

  std::string fake() const { return "-p " + fakePluginPath(); }
};

}  // namespace pyxsim::test
