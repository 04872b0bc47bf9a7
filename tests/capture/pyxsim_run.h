// Running pyxsim with the real plug-in on a script in a scenario folder, and
// reading what it left there.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace corvel::test {

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// pyxsim's exit status when the traffic failed: a PDU or a route, say.
inline constexpr int kTrafficFailed = 3;

// Runs `script` (a file in `dir`) with the console going to console.txt;
// answers true when pyxsim ended with `status` (0: everything passed).
inline bool RunPyxsim(const std::filesystem::path& dir, const std::string& script, int status = 0) {
  const std::string command = "cd '" + dir.string() + "' && '" CORVEL_BIN_DIR "/pyxsim' -p '" CORVEL_BIN_DIR
                              "/libcorvel_lite.so' " + script + " >console.txt 2>&1";
  const int raw = std::system(command.c_str());
  return raw != -1 && WIFEXITED(raw) && WEXITSTATUS(raw) == status;
}

}  // namespace corvel::test
