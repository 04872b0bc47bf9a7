// The table writes a plug-in asks for through TOLK_ExecuteCommandStr: a real
// host would apply them to the processor's memory; this one records each as
// one line of a log file and counts them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace pyxsim {

class CommandLog {
 public:
  // Creates (truncates) the file. When that fails the lines are only counted
  // and error() tells why.
  explicit CommandLog(const std::string& path);
  ~CommandLog();
  CommandLog(const CommandLog&) = delete;
  CommandLog& operator=(const CommandLog&) = delete;

  // Routes the host library's executed command lines here.
  void attach();
  void detach();

  // One command line; line breaks inside it become blanks so that every
  // command stays one line of the log.
  void record(const char* line);

  uint64_t count() const { return count_; }
  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };

  std::string path_;
  std::string error_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::string buffer_;
  uint64_t count_ = 0;
  bool attached_ = false;
};

}  // namespace pyxsim
