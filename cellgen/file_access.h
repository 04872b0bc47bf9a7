// Access to the files that a configuration names: the configuration itself,
// the data files of GENR and RAW streams and the LOGFILE. Everything that
// reads goes through a LineSource with a bounded line length, so an endless or
// binary file can never grow a buffer without limit.
#ifndef CELLGEN_FILE_ACCESS_H
#define CELLGEN_FILE_ACCESS_H

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace cellgen {

class LineSource {
 public:
  enum class Status { line, end, tooLong, readError };

  virtual ~LineSource() = default;
  // Reads the next line without its line end ("\n" or "\r\n"). A last line
  // without a line end still counts. `tooLong` means the line held more than
  // the reader's limit; reading stops there.
  virtual Status next(std::string& line) = 0;
};

class FileAccess {
 public:
  virtual ~FileAccess() = default;
  // Null when the file cannot be opened for reading (the reason is in errno
  // for real files).
  virtual std::unique_ptr<LineSource> openLines(const std::string& name, std::size_t maxLength) = 0;
  // Creates the file, or truncates it, and leaves it empty; false on failure.
  virtual bool createEmpty(const std::string& name) = 0;
};

// Real files through the C library.
class StdioFileAccess final : public FileAccess {
 public:
  std::unique_ptr<LineSource> openLines(const std::string& name, std::size_t maxLength) override;
  bool createEmpty(const std::string& name) override;
};

// Files held in memory: used by the fuzz target so that no input can touch
// the real file system, and by tests.
class MemoryFileAccess final : public FileAccess {
 public:
  void put(const std::string& name, std::string content);
  std::unique_ptr<LineSource> openLines(const std::string& name, std::size_t maxLength) override;
  bool createEmpty(const std::string& name) override;
  const std::set<std::string>& created() const { return _created; }

 private:
  std::map<std::string, std::string> _files;
  std::set<std::string> _created;
};

}  // namespace cellgen

#endif
