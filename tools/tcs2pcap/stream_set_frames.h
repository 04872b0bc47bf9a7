// The traffic of a TCS file's stream sets, as the traffic simulator loads
// and builds it: the document and the TCS manager of one load, the stacks of
// the chosen stream sets in order, and their frames.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "corvel/protocols/protocol_stack.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/tcs/tcs_manager.h"
#include "frame_sink.h"

namespace tcs2pcap {

// A failure that ends the run: loading, building or writing went wrong. Its
// text is printed after "tcs2pcap: ".
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SelectedStack {
  std::string setId;
  const corvel::ProtocolStack* stack = nullptr;
};

class TcsStreams {
 public:
  // Loads the file and reads its sections as the plug-in does (tables and
  // their host commands, functions, policies, streams), printing the same
  // console lines. Throws Failure when the file does not load or a section
  // reports a parse error.
  explicit TcsStreams(const std::string& fileName);
  ~TcsStreams();
  TcsStreams(const TcsStreams&) = delete;
  TcsStreams& operator=(const TcsStreams&) = delete;

  // Builds the named stream sets, or every set in file order when `names`
  // is empty, and lists their stacks set by set. Throws Failure for an
  // unknown name or a set whose building reported a parse error.
  std::vector<SelectedStack> build(const std::vector<std::string>& names);

  bool computeCrc() const { return _manager->computeCrc(); }

 private:
  std::vector<std::string> _setIdsInFileOrder() const;

  corvel::TcsDocument _document;
  std::unique_ptr<corvel::TcsManager> _manager;  // borrows _document: goes first
};

// DLT_EN10MB when every stack ends in an Ethernet, VLAN or XVLAN layer,
// otherwise DLT_USER0 (a pcap file has one link type for all its frames).
int linkTypeOf(const std::vector<SelectedStack>& stacks);

struct FrameSettings {
  bool computeCrc = true;
  int32_t rxDevice = 0;
  int32_t rxPort = 0;
  std::optional<int64_t> pdus;  // per stack; absent: every iteration
};

// Builds the frames of every stack, stack by stack, and hands each to every
// sink. The stream index of a stack's payload tag is its position in
// `stacks`. Returns the number of frames. Throws Failure when a stack cannot
// be built into frames.
uint64_t writeFrames(const std::vector<SelectedStack>& stacks, const FrameSettings& settings,
                     const std::vector<FrameSink*>& sinks);

}  // namespace tcs2pcap
