#include "corvel/stats/project3g_wireless_statistic.h"

#include <cstdio>

#include "corvel/base/print_utility.h"
#include "corvel/police/policing.h"
#include "corvel/stats/event.h"
#include "corvel/stats/policing_statistic.h"

namespace corvel {

Project3GWirelessStatistic::Project3GWirelessStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory)
    : PortTrafficEventHandler(port, runRecords, directory, "Tx3GPolice") {}

Project3GWirelessStatistic::~Project3GWirelessStatistic() = default;

void Project3GWirelessStatistic::update(Event& event) {
  if (!hasFile() || event.category() != enEventCategoryPolice) return;
  tracePoliceEvent(event);
  const auto* police = dynamic_cast<const QosPoliceEvent*>(&event);
  if (police == nullptr) return;
  switch (event.kind()) {
    case enEventKindPduNotPoliced:
      _line = "PDU ";
      if (police->pdu() != nullptr) {
        if (auto flow = ipv6FlowId(*police->pdu())) _line += "FlowId=" + *flow;
      }
      _line += " Not assigned to police\n";
      log().write(_line);
      break;
    case enEventKindFrameNotPoliced: log().write("PACKET Not assigned to police \n"); break;
    case enEventKindPduPoliced: pduPoliced(*police); break;
    default: break;
  }
}

void Project3GWirelessStatistic::pduPoliced(const QosPoliceEvent& event) {
  const Policing* police = event.police();
  if (event.pdu() == nullptr || police == nullptr) return;
  const std::string rate = PolicingStatistic::rateText(*police);
  _line = "PDU ";
  if (auto flow = ipv6FlowId(*event.pdu())) {
    char pcr[64];
    std::snprintf(pcr, sizeof pcr, " PCR=%.2fMbps", police->PCR() * 0.001);
    _line += "FlowId=" + *flow + pcr;
  }
  if (police->lastDecision()) {
    _line += " Conformant";
  } else {
    sharedPrinter().print("Device=%d Port=%d NonConformant \n", device(), port());
    _line += " NonConformant";
  }
  _line += rate;
  _line.push_back('\n');
  log().write(_line);
  PolicingStatistic::printSummaryWhenDue(*police);
}

}  // namespace corvel
