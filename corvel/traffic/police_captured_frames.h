// The policing stage of a transmit port. The port's policy sets give it a
// list of flows, each a pattern over the headers of the traffic it covers and
// the police object that judges that traffic. Every captured datalink frame
// is offered to the datalink flows (cell contracts), every reassembled PDU to
// the PDU flows (frame-flow and token-bucket contracts); the first flow whose
// pattern matches polices it, and the outcome is announced to the port's
// observers as a police event.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "corvel/police/policing.h"
#include "corvel/police/protocol_flow_key.h"
#include "corvel/traffic/capture_intf.h"

namespace corvel {

struct FlowPolicy;
class PortTraffic;

class PoliceCapturedFrames : public CaptureIntf {
 public:
  PoliceCapturedFrames(PortTraffic& port, int32_t busFrequencyMHz);
  ~PoliceCapturedFrames() override;

  // Takes a flow of its own from `policy`: the keys and a fresh copy of the
  // police object carrying the policy's report level. Only while the port
  // is uninitialised.
  void addFlow(const FlowPolicy& policy);
  // Initialises every flow's police object; at verbose level 6 and from 9
  // upwards prints their descriptors.
  void initialize();

  // Throw when asked before initialisation.
  int32_t datalinkFlowCount() const;
  int32_t pduFlowCount() const;
  // The port's bus frequency; every police object keeps its own time line
  // at the frequency it was built with.
  int32_t busFrequency() const noexcept { return _busFrequency; }

  void OnFrame(const CapturedStreamFrame& frame, uint32_t cycle) override;
  void OnPdu(CapturedStreamPdu& pdu, uint32_t cycle) override;
  void Stop() override;

 private:
  struct Flow {
    std::vector<ProtocolFlowKey> keys;  // outermost protocol first
    std::unique_ptr<Policing> police;
  };

  static bool matchesFrame(const Flow& flow, const CapturedStreamFrame& frame);
  static bool matchesPdu(const Flow& flow, const CapturedStreamPdu& pdu);

  PortTraffic& _port;
  int32_t _busFrequency;
  std::vector<Flow> _datalinkFlows;
  std::vector<Flow> _pduFlows;
  bool _initialized = false;
};

}  // namespace corvel
