#include "propgen_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace propgen_test {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string inputPath(const std::string& name) { return std::string(PROPGEN_INPUTS) + "/" + name; }

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "propgen_test_XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) {
    throw std::runtime_error("cannot create a scratch directory");
  }
  _dir = buffer.data();
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(_dir, ignored);
}

}  // namespace propgen_test
