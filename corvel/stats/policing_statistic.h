// The police log of a transmit port ("TxPolice"): one record per policed PDU
// (its bytes in hexadecimal and the verdict with the flow's bandwidth) and
// one per frame or PDU that no flow covers. The police object's own summary
// goes to the console every `policeInterval` decisions when its police level
// asks for it.
#pragma once

#include <optional>
#include <string>

#include "corvel/stats/port_traffic_event_handler.h"

namespace corvel {

class Policing;
class QosPoliceEvent;
struct CapturedStreamPdu;

class PolicingStatistic : public PortTrafficEventHandler {
 public:
  PolicingStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory);
  ~PolicingStatistic() override;

  void update(Event& event) override;

  // " FRAMEavg(<avg>Mbps) FRAMEback2back(<b2b>Mbps)" of the police object.
  static std::string rateText(const Policing& police);
  // The same into a caller's buffer (no allocation); answers its length.
  static size_t formatRate(const Policing& police, char (&buffer)[160]) noexcept;
  // The police object's summary on the console when its level is 1 or 2 and
  // its decision count is a multiple of its interval.
  static void printSummaryWhenDue(const Policing& police);

 protected:
  PolicingStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory, std::string_view tag);

 private:
  void pduPoliced(const QosPoliceEvent& event);

  std::string _line;
};

// "IPV6:" and the flow label of an IPv6 PDU; nothing for another PDU or
// one too short to hold the label.
std::optional<std::string> ipv6FlowId(const CapturedStreamPdu& pdu);

// "Corvel> Policing event N" at verbose level 6.
void tracePoliceEvent(const Event& event);

// The information block of a policed PDU printed at police level 2.
void printPduInformation(const CapturedStreamPdu& pdu);

}  // namespace corvel
