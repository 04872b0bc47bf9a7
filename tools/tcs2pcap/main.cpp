// tcs2pcap: shows the traffic of a TCS file before any simulation. The file
// is loaded with the traffic simulator's own loader (its console lines go to
// stderr), the stream sets are built into protocol stacks as a port would
// build them, and the frames of every stack are written to a pcap file that
// Wireshark opens, or printed as hex lines.
//
// Exit status: 0 written, 1 the TCS file or its frames failed, 2 usage.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frame_sink.h"
#include "pyx/simhost_api.h"
#include "stream_set_frames.h"
#include "tcs2pcap_options.h"

namespace {

// Deletes the named file when it goes out of scope, unless kept.
class RemoveOnFailure {
 public:
  explicit RemoveOnFailure(std::string path) : _path(std::move(path)) {}
  ~RemoveOnFailure() {
    if (!_path.empty()) std::remove(_path.c_str());
  }
  RemoveOnFailure(const RemoveOnFailure&) = delete;
  RemoveOnFailure& operator=(const RemoveOnFailure&) = delete;
  void keep() { _path.clear(); }

 private:
  std::string _path;
};

// Message texts of the loader may end in a newline of their own.
void printFailure(const char* text) {
  std::string message(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  std::fprintf(stderr, "tcs2pcap: %s\n", message.c_str());
}

void consoleToStderr(void* /*context*/, const char* text, int /*isError*/) { std::fputs(text, stderr); }

int run(const tcs2pcap::Options& options) {
  tcs2pcap::TcsStreams streams(options.tcsFile);
  const std::vector<tcs2pcap::SelectedStack> stacks = streams.build(options.sets);

  std::vector<std::unique_ptr<tcs2pcap::FrameSink>> owned;
  if (!options.pcapFile.empty()) {
    owned.push_back(std::make_unique<tcs2pcap::PcapFrameSink>(options.pcapFile, tcs2pcap::linkTypeOf(stacks)));
  }
  // A run that fails after the file was created leaves no partial capture.
  RemoveOnFailure partial(options.pcapFile);
  if (options.hex) owned.push_back(std::make_unique<tcs2pcap::HexFrameSink>(stdout));
  std::vector<tcs2pcap::FrameSink*> sinks;
  for (const auto& sink : owned) sinks.push_back(sink.get());

  tcs2pcap::FrameSettings settings;
  settings.computeCrc = streams.computeCrc();
  settings.rxDevice = options.rxDevice;
  settings.rxPort = options.rxPort;
  settings.pdus = options.pdus;
  const uint64_t frames = tcs2pcap::writeFrames(stacks, settings, sinks);
  for (tcs2pcap::FrameSink* sink : sinks) sink->finish();
  owned.clear();
  partial.keep();
  std::fprintf(stderr, "tcs2pcap: %zu stream(s), %llu frame(s)%s%s\n", stacks.size(),
               static_cast<unsigned long long>(frames), options.pcapFile.empty() ? "" : " written to ",
               options.pcapFile.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  simhost_set_console_sink(&consoleToStderr, nullptr);
  tcs2pcap::Options options;
  try {
    options = tcs2pcap::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const tcs2pcap::UsageError& error) {
    std::fprintf(stderr, "tcs2pcap: %s\n%s", error.what(), tcs2pcap::usageText());
    return 2;
  }
  try {
    return run(options);
  } catch (const std::exception& error) {
    printFailure(error.what());
  } catch (...) {
    std::fprintf(stderr, "tcs2pcap: unexpected failure\n");
  }
  return 1;
}
