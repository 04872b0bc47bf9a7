// Where cellgen's messages go: error lines to the host console, trace lines
// to the process's standard output. The plug-in supplies the host-backed
// reporter; tests and the fuzz target supply their own.
#ifndef CELLGEN_REPORTER_H
#define CELLGEN_REPORTER_H

#include <string>

namespace cellgen {

class Reporter {
 public:
  virtual ~Reporter() = default;
  // One complete message, line end included.
  virtual void error(const std::string& text) = 0;
  virtual void trace(const std::string& text) = 0;
};

// Formats a message with printf conventions; messages are short, and a longer
// one (a long file name) is still formatted in full.
std::string formatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace cellgen

#endif
