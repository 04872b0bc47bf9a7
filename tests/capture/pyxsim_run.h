// Running pyxsim with the real plug-in on a script in a scenario folder, and
// reading what it left there.
#pragma once

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

// Runs `script` (a file in `dir`) with the console going to console.txt;
// answers true when pyxsim ended well.
inline bool RunPyxsim(const std::filesystem::path& dir, const std::string& script) {
  const std::string command = "cd '" + dir.string() + "' && '" CORVEL_BIN_DIR "/pyxsim' -p '" CORVEL_BIN_DIR
                              "/libcorvel_lite.so' " + script + " >console.txt 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace corvel::test
