#include "tcs2pcap_options.h"

#include <charconv>
#include <string_view>

namespace tcs2pcap {

namespace {

// A whole decimal number in [minimum, maximum], or nothing.
std::optional<int64_t> parseNumber(std::string_view text, int64_t minimum, int64_t maximum) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  if (value < minimum || value > maximum) return std::nullopt;
  return value;
}

// The payload tag holds the device in three bits and the port in five.
void parseRx(std::string_view text, Options& options) {
  const size_t colon = text.find(':');
  const std::optional<int64_t> device =
      colon == std::string_view::npos ? std::nullopt : parseNumber(text.substr(0, colon), 0, 7);
  const std::optional<int64_t> port =
      colon == std::string_view::npos ? std::nullopt : parseNumber(text.substr(colon + 1), 0, 31);
  if (!device || !port) throw UsageError("--rx wants DEV:PORT with a device 0-7 and a port 0-31");
  options.rxDevice = static_cast<int32_t>(*device);
  options.rxPort = static_cast<int32_t>(*port);
}

}  // namespace

const char* usageText() {
  return "usage: tcs2pcap FILE.tcs -o OUT.pcap [--set ID]... [--pdus N] [--rx DEV:PORT] [--hex]\n"
         "  Builds the frames of the stream sets of a TCS file and writes them to a pcap file.\n"
         "  -o OUT.pcap    the pcap file to write (optional with --hex)\n"
         "  --set ID       only this stream set (repeatable; default: every set, in file order)\n"
         "  --pdus N       at most N PDUs of every stack (default: all of the payload's iterations)\n"
         "  --rx DEV:PORT  receive device and port written into the payload tag (default 0:0)\n"
         "  --hex          print every frame as one lower-case hex line on stdout\n";
}

Options parseOptions(const std::vector<std::string>& arguments) {
  Options options;
  auto value = [&](size_t& i) -> const std::string& {
    if (i + 1 >= arguments.size()) throw UsageError(arguments[i] + " needs a value");
    return arguments[++i];
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-o") {
      options.pcapFile = value(i);
    } else if (argument == "--set") {
      options.sets.push_back(value(i));
    } else if (argument == "--pdus") {
      options.pdus = parseNumber(value(i), 1, INT32_MAX);
      if (!options.pdus) throw UsageError("--pdus wants a whole number from 1");
    } else if (argument == "--rx") {
      parseRx(value(i), options);
    } else if (argument == "--hex") {
      options.hex = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      throw UsageError("unknown option " + argument);
    } else if (options.tcsFile.empty()) {
      options.tcsFile = argument;
    } else {
      throw UsageError("more than one TCS file given");
    }
  }
  if (options.tcsFile.empty()) throw UsageError("no TCS file given");
  if (options.pcapFile.empty() && !options.hex) throw UsageError("no output: give -o OUT.pcap or --hex");
  return options;
}

}  // namespace tcs2pcap
