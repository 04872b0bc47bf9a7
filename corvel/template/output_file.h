// A file that appears whole or not at all: the text is written to a new
// temporary file beside the target (same directory, so the final rename
// stays within one file system) and moved into place only on commit. An
// uncommitted temporary file is removed when the object ends.
#pragma once

#include <string>
#include <string_view>

namespace corvel {

class OutputFile {
 public:
  explicit OutputFile(std::string path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Writes the whole text to a new temporary file; false with `error` set
  // (the system's reason) when it cannot.
  bool write(std::string_view text, std::string& error);
  // The temporary file holding the text after a successful write.
  const std::string& temporaryPath() const noexcept { return _temporary; }

  enum class Commit { kDone, kExists, kFailed };
  // Moves the temporary file to the target. Without `replace` an existing
  // target is left alone (kExists) — also one that appeared after any check.
  Commit commit(bool replace, std::string& error);

 private:
  void discard() noexcept;

  std::string _path;
  std::string _temporary;
};

// Writes the text to the file in place, created or truncated; false when it
// cannot be opened as a regular file (never blocking on a FIFO) or written.
bool writeWholeFile(const std::string& path, std::string_view text);

// Whether anything (also a dangling symbolic link) has the name.
bool pathExists(const std::string& path) noexcept;

// The directory joined with a file name: '/' between them unless the
// directory is empty (the working directory) or already ends in '/'.
std::string joinPath(const std::string& directory, const std::string& name);

}  // namespace corvel
