// Scratch directories, template files and file reading for the template tests.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace corvel::test {

// A private directory for one test, removed afterwards. root() ends in '/'.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvel_template_XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) _path = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    if (!_path.empty()) std::filesystem::remove_all(_path, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::string root() const { return _path.string() + "/"; }
  std::string path(const std::string& name) const { return root() + name; }
  void write(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Names in the directory, sorted.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(_path))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path _path;
};

// A template: XML declaration, document type with the given declarations,
// then the body.
inline std::string Template(const std::string& declarations, const std::string& body,
                            const std::string& systemId = "corvel.dtd") {
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE corvel SYSTEM \"" + systemId + "\" [\n" + declarations + "]>\n" +
         body + "\n";
}

inline const std::string kStubBody =
    "<corvel>\n"
    "<type_definitions> </type_definitions>\n"
    "<streams> </streams>\n"
    "<rx_ports> </rx_ports>\n"
    "<tx_ports> </tx_ports>\n"
    "</corvel>\n";

}  // namespace corvel::test
