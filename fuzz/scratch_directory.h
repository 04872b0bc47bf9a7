// What the fuzz targets that load TCS files share: a scratch directory of
// their own, removed when the target ends, where the input and the document
// the controller loads are written and where every log of a run must land,
// and the checks that keep a run short.
//
// Log directories: every log-directory attribute (a name ending in "_dir")
// gets the scratch directory in front of its value before the controller
// loads the document; a value holding a path separator is passed over, so no
// value reaches outside. The logs are removed after every input.
#pragma once

#include <libxml/tree.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"

namespace corvel::fuzz {

// Counting loops of table definitions ("for", "loop") may run this often at
// their level; a longer table is legitimate but only slows the fuzzer down.
inline constexpr int64_t kMaxLoopValues = 64;

// True when some counting loop of the document runs more than kMaxLoopValues
// times at its level (or has a step that never ends it).
inline bool hasLongLoop(const TcsDocument& document) {
  for (xmlNode* loop : selectNodes(document.documentNode(), "//for | //loop")) {
    bool found = false;
    const int64_t first = GetAttributeInt(loop, "first", found);
    const int64_t last = GetAttributeInt(loop, "last", found);
    const int64_t incr = GetAttributeInt(loop, "incr", found);
    if (last < first) continue;
    if (incr <= 0 || (last - first) / incr >= kMaxLoopValues) return true;
  }
  return false;
}

inline bool isLogDirectory(std::string_view name) { return name.ends_with("_dir"); }

class ScratchDirectory {
 public:
  // A fresh directory /tmp/PREFIX_XXXXXX; ok() is false when none could be made.
  explicit ScratchDirectory(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "_XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return;
    _path = pattern;
    _inputFile = (_path / "input.tcs").string();
    _runFile = (_path / "run.tcs").string();
  }
  ~ScratchDirectory() {
    std::error_code error;
    if (ok()) std::filesystem::remove_all(_path, error);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  bool ok() const noexcept { return !_path.empty(); }
  const std::filesystem::path& path() const noexcept { return _path; }
  // The fuzzer's bytes (or what a target makes of them).
  const std::string& inputFile() const noexcept { return _inputFile; }
  // The document the controller loads.
  const std::string& runFile() const noexcept { return _runFile; }

  bool writeInput(const void* data, std::size_t size) const {
    std::FILE* file = std::fopen(_inputFile.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
  }

  // True when a log-directory value of the document holds a path separator.
  static bool hasLogPath(const TcsDocument& document) {
    for (xmlNode* element : selectNodes(document.documentNode(), "//*")) {
      for (const auto& [name, value] : getAttributeList(element)) {
        if (isLogDirectory(name) && value.find_first_of("/\\") != std::string::npos) return true;
      }
    }
    return false;
  }

  // Puts every log directory of the document under the scratch directory;
  // false when a value could not be written back.
  bool moveLogsHere(const TcsDocument& document) const {
    for (xmlNode* element : selectNodes(document.documentNode(), "//*")) {
      for (const auto& [name, value] : getAttributeList(element)) {
        if (!isLogDirectory(name)) continue;
        if (!SetAttribute(element, name, _path.string() + "/" + value)) return false;
      }
    }
    return true;
  }

  // Removes the logs of the last run.
  void empty() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(_path, error)) {
      if (entry.path() != _inputFile && entry.path() != _runFile) std::filesystem::remove_all(entry.path(), error);
    }
  }

 private:
  std::filesystem::path _path;
  std::string _inputFile;
  std::string _runFile;
};

}  // namespace corvel::fuzz
