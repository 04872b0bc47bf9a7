#include "corvel/stats/zelmor_police_statistic.h"

#include "corvel/stats/event.h"
#include "corvel/stats/policing_statistic.h"

namespace corvel {

ZelmorPoliceStatistic::ZelmorPoliceStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory)
    : PortTrafficEventHandler(port, runRecords, directory, "TxZelmorPolice") {}

ZelmorPoliceStatistic::~ZelmorPoliceStatistic() = default;

void ZelmorPoliceStatistic::update(Event& event) {
  if (!hasFile() || event.category() != enEventCategoryPolice) return;
  tracePoliceEvent(event);
  if (event.kind() != enEventKindPduNotPoliced) return;
  const auto* police = dynamic_cast<const QosPoliceEvent*>(&event);
  _line = "Port " + std::to_string(port()) + " Device " + std::to_string(device()) + "PDU not policed";
  if (police != nullptr && police->pdu() != nullptr) {
    if (auto flow = ipv6FlowId(*police->pdu())) _line += "FlowId=" + *flow;
  }
  _line.push_back('\n');
  log().write(_line);
}

}  // namespace corvel
