// Scratch directories, template texts and a step runner for the template tests.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "corvel/template/template_mgr.h"

namespace corvel::test {

inline std::string ReadFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// A private directory for one test, removed afterwards; root() ends in '/'.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvel_template_XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) _root = pattern + "/";
  }
  ~Scratch() {
    std::error_code ignored;
    if (!_root.empty()) std::filesystem::remove_all(_root, ignored);
  }
  const std::string& root() const { return _root; }
  std::string path(const std::string& name) const { return _root + name; }
  // "<fifo>" and "<dir>" make a FIFO or a directory of the name.
  void write(const std::string& name, const std::string& content) const {
    if (content == "<fifo>") ::mkfifo(path(name).c_str(), 0600);
    else if (content == "<dir>") ::mkdir(path(name).c_str(), 0700);
    else std::ofstream(path(name), std::ios::binary) << content;
  }
  std::string read(const std::string& name) const { return ReadFile(path(name)); }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(_root)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string _root;
};

// Console text with every "@" replaced by the scratch root.
inline std::string Rooted(std::string text, const Scratch& dir) {
  for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) text.replace(at, 1, dir.root());
  return text;
}

inline std::string Template(const std::string& declarations, const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE corvel SYSTEM \"corvel.dtd\" [\n" + declarations + "]>\n" + body + "\n";
}

inline const std::string kStubBody =
    "<corvel>\n<type_definitions> </type_definitions>\n<streams> </streams>\n"
    "<rx_ports> </rx_ports>\n<tx_ports> </tx_ports>\n</corvel>\n";

// One manager call written as a line: "root [DIR]" (the scratch root when no
// DIR), "load" (template.tcs), "set NAME VALUE", "extract FILE OVERWRITE".
inline bool Do(TemplateMgr& manager, const Scratch& dir, const std::string& step) {
  std::istringstream in(step);
  std::string verb, first, rest;
  in >> verb >> first;
  std::getline(in >> std::ws, rest);
  if (verb == "root") return manager.SetCorvelRoot(first.empty() ? dir.root().c_str() : first.c_str());
  if (verb == "load") return manager.ReadTemplateStub("template.tcs");
  if (verb == "set") return manager.SetParameter(first.c_str(), rest.c_str());
  return manager.extractTcs(first.c_str(), rest == "1");
}

}  // namespace corvel::test
