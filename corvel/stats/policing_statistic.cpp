#include "corvel/stats/policing_statistic.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "corvel/base/print_utility.h"
#include "corvel/base/verbose.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/protocol_config.h"
#include "corvel/police/policing.h"
#include "corvel/stats/event.h"

namespace corvel {

PolicingStatistic::PolicingStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory)
    : PolicingStatistic(port, runRecords, directory, "TxPolice") {}

PolicingStatistic::PolicingStatistic(const PortIdentity& port, RunRecords* runRecords, const char* directory, std::string_view tag)
    : PortTrafficEventHandler(port, runRecords, directory, tag) {}

PolicingStatistic::~PolicingStatistic() = default;

size_t PolicingStatistic::formatRate(const Policing& police, char (&buffer)[160]) noexcept {
  // std::to_chars with a precision writes what printf's "%.2f" writes, without
  // the locale and format parsing of printf.
  char* at = buffer;
  char* const end = buffer + sizeof buffer - 1;
  const auto text = [&](const char* piece) {
    const size_t length = std::strlen(piece);
    if (at == nullptr || static_cast<size_t>(end - at) < length) {
      at = nullptr;
      return;
    }
    std::memcpy(at, piece, length);
    at += length;
  };
  const auto number = [&](double value) {
    if (at == nullptr) return;
    const std::to_chars_result written = std::to_chars(at, end, value, std::chars_format::fixed, 2);
    at = written.ec == std::errc() ? written.ptr : nullptr;
  };
  text(" FRAMEavg(");
  number(police.averageBandwidth());
  text("Mbps) FRAMEback2back(");
  number(police.back2backBandwidth());
  text("Mbps)");
  if (at != nullptr) {
    *at = '\0';
    return static_cast<size_t>(at - buffer);
  }
  // Longer than the buffer (figures far beyond any port): printf cuts it.
  const int n = std::snprintf(buffer, sizeof buffer, " FRAMEavg(%.2fMbps) FRAMEback2back(%.2fMbps)",
                              police.averageBandwidth(), police.back2backBandwidth());
  if (n <= 0) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1;
}

std::string PolicingStatistic::rateText(const Policing& police) {
  char buffer[160];
  const size_t length = formatRate(police, buffer);
  return std::string(buffer, length);
}

void PolicingStatistic::printSummaryWhenDue(const Policing& police) {
  const int32_t level = police.policeLevel();
  if (level != 1 && level != 2) return;
  const int32_t interval = police.policeInterval() > 0 ? police.policeInterval() : 1;
  const int64_t decisions = int64_t{police.conformingCount()} + police.nonConformingCount();
  if (decisions % interval == 0) police.printStatistics();
}

std::optional<std::string> ipv6FlowId(const CapturedStreamPdu& pdu) {
  if (pdu.layerTypes.empty() || pdu.layerTypes.front() != static_cast<int32_t>(ProtocolKind::IpV6)) {
    return std::nullopt;
  }
  const std::optional<uint64_t> label = fieldValue(pdu.data, Ipv6Wire::kFlowLabel);
  if (!label) return std::nullopt;
  return "IPV6:" + std::to_string(*label);
}

void tracePoliceEvent(const Event& event) {
  if (verboseAt(6)) sharedPrinter().print("Corvel> Policing event %d\n", event.kind());
}

void printPduInformation(const CapturedStreamPdu& pdu) {
  const PrintUtility& out = sharedPrinter();
  const int64_t total = int64_t{pdu.lastCycle} - pdu.firstCycle + 1;
  out.print("Corvel>  ===================================================\n");
  out.print("Corvel>  Pdu Information:\n");
  out.print("Corvel>    Total frame/cells to construct pdu = %d\n", pdu.frameCount);
  out.print("Corvel>    Total frame/cells time %lld Cycles\n", static_cast<long long>(total));
  out.print("Corvel>      frames/cells size    %d Bytes\n", pdu.carriedBytes);
  out.print("Corvel>      Discarded headers   (%d Bytes)\n", pdu.discardedHeader);
  out.print("Corvel>      Discarded trailers  (%d Bytes)\n", pdu.discardedTrailer);
  out.print("Corvel>      Discarded padding   (%d Bytes)\n", pdu.discardedPadding);
  out.print("Corvel>      Pdu size           = %d Bytes\n", static_cast<int>(pdu.data.size()));
  out.print("Corvel>    Pdu Time:\n");
  out.print("Corvel>      Start time         = %u Cycles\n", pdu.firstCycle);
  out.print("Corvel>      End   time         = %u Cycles\n", pdu.lastCycle);
  out.print("Corvel>      Total time         = %lld Cycles\n", static_cast<long long>(total));
  if (pdu.identity) {
    out.print("Corvel>  Embedded payload information:\n");
    out.print("Corvel>    Stream id: %d\n", pdu.identity->stream);
    out.print("Corvel>    Pdu id   : %d\n", pdu.identity->pdu);
  }
}

void PolicingStatistic::update(Event& event) {
  if (!hasFile() || event.category() != enEventCategoryPolice) return;
  const auto* police = dynamic_cast<const QosPoliceEvent*>(&event);
  if (police == nullptr) return;
  switch (event.kind()) {
    case enEventKindPduNotPoliced:
      if (police->pdu() == nullptr) return;
      _line.assign("PDU [Not assigned to police] ");
      appendHex(_line, police->pdu()->data.data(), police->pdu()->data.size());
      _line.push_back('\n');
      log().write(_line);
      break;
    case enEventKindFrameNotPoliced:
      if (police->frame() == nullptr) return;
      _line.assign("PACKET [Not assigned to police] ");
      appendHex(_line, police->frame()->data.data(), police->frame()->data.size());
      _line.push_back('\n');
      log().write(_line);
      break;
    case enEventKindPduPoliced: pduPoliced(*police); break;
    default: break;
  }
}

void PolicingStatistic::pduPoliced(const QosPoliceEvent& event) {
  const CapturedStreamPdu* pdu = event.pdu();
  const Policing* police = event.police();
  if (pdu == nullptr || police == nullptr) return;
  if (police->policeLevel() == 2) printPduInformation(*pdu);
  char rate[160];
  const size_t rateLength = formatRate(*police, rate);
  _line.assign("PDU ");
  appendHex(_line, pdu->data.data(), pdu->data.size());
  if (police->lastDecision()) {
    _line.append("\n Conformant");
  } else {
    sharedPrinter().print("Device=%d Port=%dPDU  NonConformant %s\n", device(), port(), rate);
    _line.append(" NonConformant");
  }
  _line.append(rate, rateLength);
  _line.push_back('\n');
  log().write(_line);
  printSummaryWhenDue(*police);
}

}  // namespace corvel
