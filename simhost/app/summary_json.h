// The run summary as a JSON document, for scripts that check a run without
// reading the console: the cycles run, what every port moved and what the
// host lost of it, the table writes the plug-ins asked for and the console
// lines that failed. The document names its format and version; a field that
// changes its meaning or goes away takes a new version.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "host.h"
#include "script_runner.h"
#include "verdict.h"

namespace pyxsim {

inline constexpr const char* kSummaryFormat = "pyxsim-run-summary";
inline constexpr int kSummaryVersion = 1;

// The document, indented by two, with a line break at the end. Bytes of
// names and messages that are not UTF-8 become U+FFFD. With a verdict the
// document gains "verdict", "reasons", "plugin_runs" and, per port, the
// figures of the last run report that named the port ("plugin").
std::string summaryJson(const Host& host, const LineFailures& failures, const Verdict* verdict = nullptr);


// The file of --summary-json. It is created when the program starts, so that
// a path that cannot be written is refused before anything runs, and written
// once when the run has ended.
class SummaryFile {
 public:
  // Creates (truncates) the file; throws CommandError naming it.
  // `what` names the file in messages ("run summary", "JUnit report").
  explicit SummaryFile(std::string path, std::string what = "run summary");

  // Writes `text` and closes the file; throws CommandError naming it when a
  // byte did not reach the file.
  void write(const std::string& text);

  const std::string& path() const { return path_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };

  std::string path_;
  std::string what_;
  std::unique_ptr<std::FILE, FileCloser> file_;
};

}  // namespace pyxsim
