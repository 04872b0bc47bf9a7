#include "stream_set_frames.h"

#include <pcap/pcap.h>

#include <set>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/protocols/data_generator.h"
#include "corvel/protocols/encapsulator_factory.h"
#include "corvel/protocols/pcap_stream/pcap_stream.h"
#include "corvel/tcs/stream_set_definition.h"
#include "corvel/tcs/tcs_stream_mgt.h"
#include "corvel/xml/xml_access.h"

namespace tcs2pcap {

using corvel::TcsManager;

TcsStreams::TcsStreams(const std::string& fileName) {
  try {
    corvel::LoadDocument(_document, fileName);
  } catch (const corvel::TextError& error) {
    throw Failure(std::string(error.text()));
  }
  _manager = std::make_unique<TcsManager>(_document);
  if (!_manager->readRootAttributes()) {
    throw Failure("Error, unable to read required \"<corvel ...>\" parameters.");
  }
  _manager->warnUnknownNames();
  // The controller's reading order; the port sections are the simulator's
  // business and are not read.
  const corvel::PrintUtility& printer = _manager->printer();
  auto report = [&](bool found, const char* missing) {
    if (!found && _manager->status() == TcsManager::kStatusOk) printer.print("%s", missing);
  };
  try {
    report(_manager->readTableEntries(), "Corvel>   No table data found\n");
    report(_manager->readFunctionDefinitions(), "Corvel>   No function specifications found\n");
    report(_manager->readPolicies(), "Corvel>   No policy data found\n");
    report(_manager->readStreams(), "Corvel>   No stream data found\n");
  } catch (const corvel::TextError& error) {
    // A message thrown past the manager (a duplicate stream set, a bad
    // function definition): where it was reading, before the tool's own line.
    _manager->printPlace();
    throw Failure(std::string(error.text()));
  }
  if (_manager->status() != TcsManager::kStatusOk) throw Failure("the TCS file has parse errors");
}

TcsStreams::~TcsStreams() = default;

std::vector<std::string> TcsStreams::_setIdsInFileOrder() const {
  std::vector<std::string> ids;
  std::set<std::string> seen;
  for (xmlNode* node : corvel::selectNodes(_manager->documentNode(), "//corvel/streams/stream_set")) {
    std::optional<std::string> id = corvel::GetAttribute(node, "id");
    if (id && _manager->streamSets().contains(*id) && seen.insert(*id).second) ids.push_back(*id);
  }
  return ids;
}

std::vector<SelectedStack> TcsStreams::build(const std::vector<std::string>& names) {
  const std::vector<std::string> ids = names.empty() ? _setIdsInFileOrder() : names;
  if (ids.empty()) throw Failure("the TCS file defines no stream set");
  std::vector<SelectedStack> stacks;
  for (const std::string& id : ids) {
    auto found = _manager->streamSets().find(id);
    if (found == _manager->streamSets().end()) throw Failure("no stream set \"" + id + "\"");
    corvel::StreamSetDefinition& set = *found->second;
    if (set.stacks().empty()) corvel::BuildStreamSet(*_manager, set);
    if (_manager->status() != TcsManager::kStatusOk) {
      throw Failure("stream set \"" + id + "\" cannot be built");
    }
    if (set.stacks().empty()) std::fprintf(stderr, "tcs2pcap: stream set \"%s\" has no stack\n", id.c_str());
    for (const auto& stack : set.stacks()) stacks.push_back({id, stack.get()});
  }
  return stacks;
}

namespace {

// A replayed capture is Ethernet when its records are.
bool isEthernet(const corvel::ProtocolConfig& datalink) {
  if (const auto* pcap = dynamic_cast<const corvel::PcapStreamConfig*>(&datalink))
    return pcap->trace()->linkType == corvel::CaptureTrace::kLinkTypeEthernet;
  const corvel::ProtocolKind kind = datalink.kind();
  return kind == corvel::ProtocolKind::Ethernet || kind == corvel::ProtocolKind::VLan ||
         kind == corvel::ProtocolKind::XVLan;
}

}  // namespace

int linkTypeOf(const std::vector<SelectedStack>& stacks) {
  for (const SelectedStack& selected : stacks) {
    const corvel::ProtocolStack& stack = *selected.stack;
    if (stack.count() == 0 || !isEthernet(stack.at(stack.count() - 1))) return DLT_USER0;
  }
  return DLT_EN10MB;
}

uint64_t writeFrames(const std::vector<SelectedStack>& stacks, const FrameSettings& settings,
                     const std::vector<FrameSink*>& sinks) {
  uint64_t written = 0;
  for (size_t index = 0; index < stacks.size(); ++index) {
    const SelectedStack& selected = stacks[index];
    try {
      corvel::ChainSettings chain;
      chain.computeCrc = settings.computeCrc;
      chain.streamIndex = static_cast<int32_t>(index);
      chain.rxDevice = settings.rxDevice;
      chain.rxPort = settings.rxPort;
      chain.iterationLimit = 1;  // stop after the payload's last iteration
      const std::unique_ptr<corvel::DataGenerator> builder = corvel::buildFrameBuilder(*selected.stack, chain);
      for (int64_t pdu = 1; !settings.pdus || pdu <= *settings.pdus; ++pdu) {
        const corvel::GeneratedFrameList frames = builder->generate(static_cast<int32_t>(pdu & INT32_MAX));
        if (frames.empty()) break;
        for (const corvel::GeneratedStreamFrame& frame : frames) {
          for (FrameSink* sink : sinks) sink->write(frame.data());
          ++written;
        }
      }
    } catch (const corvel::TextError& error) {
      throw Failure("stream set \"" + selected.setId + "\", stream " + std::to_string(index) + ": " +
                    error.text());
    }
  }
  return written;
}

}  // namespace tcs2pcap
