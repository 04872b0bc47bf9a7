// The command line of tcs2pcap:
//   tcs2pcap FILE.tcs -o OUT.pcap [--set ID]... [--pdus N] [--rx DEV:PORT] [--hex]
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tcs2pcap {

struct Options {
  std::string tcsFile;
  std::string pcapFile;           // empty with --hex alone
  std::vector<std::string> sets;  // empty: every stream set, in file order
  std::optional<int64_t> pdus;    // PDUs per stack; absent: every iteration
  int32_t rxDevice = 0;           // receive identities of the payload tag
  int32_t rxPort = 0;
  bool hex = false;               // one hex line per frame on stdout
};

// A command line that cannot be run; its text says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws UsageError for a wrong command line.
Options parseOptions(const std::vector<std::string>& arguments);

// The usage text, ending in a newline.
const char* usageText();

}  // namespace tcs2pcap
