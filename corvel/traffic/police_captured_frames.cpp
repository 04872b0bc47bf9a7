#include "corvel/traffic/police_captured_frames.h"

#include <algorithm>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"
#include "corvel/police/flow_policy.h"
#include "corvel/protocols/captured_stream_frame.h"
#include "corvel/stats/event.h"
#include "corvel/traffic/port_traffic.h"

namespace corvel {

PoliceCapturedFrames::PoliceCapturedFrames(PortTraffic& port, int32_t busFrequencyMHz)
    : _port(port), _busFrequency(busFrequencyMHz) {}

PoliceCapturedFrames::~PoliceCapturedFrames() = default;

void PoliceCapturedFrames::addFlow(const FlowPolicy& policy) {
  if (_port.state() != enPortStateUninitialized) _port.announceError("Port is not in the uninitialized state");
  if (!policy.police) return;
  if (policy.level != ProtocolFlowKey::kLevelDatalink && policy.level != ProtocolFlowKey::kLevelPdu) return;
  Flow flow;
  // The policy keeps its keys innermost first; patterns are laid over the
  // bytes from the outermost header inwards.
  flow.keys.assign(policy.keys.rbegin(), policy.keys.rend());
  flow.police = policy.police->clone();
  if (policy.policeLevel > 0) flow.police->setPoliceLevel(policy.policeLevel, policy.policeInterval);
  (policy.level == ProtocolFlowKey::kLevelDatalink ? _datalinkFlows : _pduFlows).push_back(std::move(flow));
}

void PoliceCapturedFrames::initialize() {
  const bool printDescriptors = verboseAt(6) || verboseFrom(9);
  for (auto* flows : {&_datalinkFlows, &_pduFlows}) {
    for (Flow& flow : *flows) {
      flow.police->initialize();
      if (printDescriptors) flow.police->print();
    }
  }
  _initialized = true;
}

int32_t PoliceCapturedFrames::datalinkFlowCount() const {
  if (!_initialized) {
    throw TextError("Unable to retreive total datalonk flows because object is not initialized.");
  }
  return static_cast<int32_t>(_datalinkFlows.size());
}

int32_t PoliceCapturedFrames::pduFlowCount() const {
  if (!_initialized) throw TextError("Unable to retreive total pdu flows because object is not initialized.");
  return static_cast<int32_t>(_pduFlows.size());
}

// A datalink flow's first key is the frame's datalink header and must be of
// the frame's kind; the keys after it lie over the headers that follow, each
// at the offset the patterns before it reach.
bool PoliceCapturedFrames::matchesFrame(const Flow& flow, const CapturedStreamFrame& frame) {
  std::span<const uint8_t> bytes(frame.data);
  size_t offset = 0;
  bool first = true;
  for (const ProtocolFlowKey& key : flow.keys) {
    if (offset > bytes.size()) return false;
    const int32_t type = first ? frame.protocolType : key.type();
    if (!key.matches(type, bytes.subspan(offset))) return false;
    offset += static_cast<size_t>(key.length());
    first = false;
  }
  return true;
}

// A PDU no longer holds its datalink header, so a PDU flow's datalink keys
// are not compared. Its other keys, outermost first, must each match a layer
// of the key's kind deeper than the layer the key before it matched (a
// policy need not name every layer: a UDP key alone finds the UDP header
// inside IPv4).
bool PoliceCapturedFrames::matchesPdu(const Flow& flow, const CapturedStreamPdu& pdu) {
  std::span<const uint8_t> bytes(pdu.data);
  const size_t layers = std::min(pdu.layerTypes.size(), pdu.layerOffsets.size());
  size_t layer = 0;
  for (const ProtocolFlowKey& key : flow.keys) {
    if (key.isDatalink()) continue;
    bool found = false;
    for (; layer < layers && !found; ++layer) {
      const size_t offset = pdu.layerOffsets[layer];
      found = offset <= bytes.size() && key.matches(pdu.layerTypes[layer], bytes.subspan(offset));
    }
    if (!found) return false;
  }
  return true;
}

void PoliceCapturedFrames::OnFrame(const CapturedStreamFrame& frame, uint32_t cycle) {
  if (_datalinkFlows.empty()) return;
  Flow* match = nullptr;
  for (Flow& flow : _datalinkFlows) {
    if (matchesFrame(flow, frame)) {
      match = &flow;
      break;
    }
  }
  if (match == nullptr) {
    QosPoliceEvent event(_port.identity(), enEventKindFrameNotPoliced);
    event.setFrame(&frame);
    _port.announce(event);
    return;
  }
  Policing& police = *match->police;
  if (verboseAt(6)) sharedPrinter().print("Corvel> Policing frame\n");
  const auto length = static_cast<int32_t>(frame.data.size());
  police.setFrameSize(length);
  bool late = false;
  const bool decision = police.isCellConformant(cycle, length, &late);
  police.record(decision, false, late);
  QosPoliceEvent event(_port.identity(), enEventKindFramePoliced);
  event.setFrame(&frame);
  event.setPolice(&police);
  _port.announce(event);
}

void PoliceCapturedFrames::OnPdu(CapturedStreamPdu& pdu, uint32_t /*cycle*/) {
  if (_pduFlows.empty()) return;
  Flow* match = nullptr;
  for (Flow& flow : _pduFlows) {
    if (matchesPdu(flow, pdu)) {
      match = &flow;
      break;
    }
  }
  if (match == nullptr) {
    QosPoliceEvent event(_port.identity(), enEventKindPduNotPoliced);
    event.setPdu(&pdu);
    _port.announce(event);
    return;
  }
  Policing& police = *match->police;
  if (verboseAt(6)) sharedPrinter().print("Corvel> Policing pdu\n");
  police.setFrameSize(pdu.carriedBytes);
  // A PDU reassembled from several cells has no single arrival to judge.
  if (pdu.frameCount != 1) return;
  PolicedPdu policed;
  policed.firstByteCycle = pdu.firstCycle;
  policed.lastByteCycle = pdu.lastCycle;
  policed.carriedBytes = pdu.carriedBytes;
  policed.pduBytes = static_cast<int32_t>(pdu.data.size());
  bool flagA = false;
  bool flagB = false;
  const bool decision = police.isFlowConformant(&flagA, &flagB, policed);
  // The first PDU of a flow starts its clock (and, for a token bucket, is
  // metered) but is neither recorded nor announced.
  if (police.isFirstOfFlow()) return;
  police.record(decision, flagA, flagB);
  QosPoliceEvent event(_port.identity(), enEventKindPduPoliced);
  event.setPdu(&pdu);
  event.setPolice(&police);
  _port.announce(event);
}

void PoliceCapturedFrames::Stop() {
  _datalinkFlows.clear();
  _pduFlows.clear();
}

}  // namespace corvel
