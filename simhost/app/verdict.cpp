#include "verdict.h"

namespace pyxsim {

namespace {

std::string counted(int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

VerdictPort& portFor(std::vector<VerdictPort>& ports, uint32_t device, uint32_t port) {
  for (VerdictPort& p : ports)
    if (p.device == device && p.port == port) return p;
  ports.push_back({});
  ports.back().device = device;
  ports.back().port = port;
  return ports.back();
}

void addStreams(VerdictPort& into, const std::vector<ReportedStream>& streams) {
  for (const ReportedStream& s : streams) {
    bool merged = false;
    for (ReportedStream& known : into.streams) {
      if (known.rxDevice == s.rxDevice && known.rxPort == s.rxPort && known.stream == s.stream) {
        known.pdus += s.pdus;
        merged = true;
      }
    }
    if (!merged) into.streams.push_back(s);
  }
}

void judgeReports(const Host& host, bool failOnWarnings, Verdict& verdict) {
  for (const PluginReport& report : host.reports()) {
    if (!report.loaded) {
      verdict.reasons.push_back({"tcs_not_loaded", "", "the TCS file " + report.tcs + " did not load"});
    } else if (report.startAttempted && !report.started) {
      verdict.reasons.push_back({"start_failed", "", "corvel_start failed for " + report.tcs});
    }
    for (const ReportedPort& p : report.ports) {
      if (p.receive || !p.configured) continue;
      VerdictPort& port = portFor(verdict.transmitPorts, p.device, p.port);
      port.pduPassed += p.pduPassed;
      port.pduFailed += p.pduFailed;
      port.routesFailed += p.routesFailed;
      port.pduWarnings += p.pduWarnings;
      port.frameWarnings += p.frameWarnings;
      port.pdusLost += p.pdusLost;
      addStreams(port, p.streams);
    }
  }
  for (const VerdictPort& port : verdict.transmitPorts) {
    verdict.pdusVerified += port.pduPassed;
    verdict.pdusFailed += port.pduFailed;
    if (port.pduFailed > 0)
      verdict.reasons.push_back({"pdu_failed", port.name(), counted(port.pduFailed, "PDU failed", "PDUs failed")});
    if (port.pdusLost > 0)
      verdict.reasons.push_back({"pdu_lost", port.name(), counted(port.pdusLost, "PDU lost", "PDUs lost")});
    if (port.routesFailed > 0)
      verdict.reasons.push_back(
          {"route_failed", port.name(), counted(port.routesFailed, "route failed", "routes failed")});
    if (failOnWarnings && port.pduWarnings > 0)
      verdict.reasons.push_back(
          {"pdu_warnings", port.name(), counted(port.pduWarnings, "PDU warning", "PDU warnings")});
    if (failOnWarnings && port.frameWarnings > 0)
      verdict.reasons.push_back(
          {"frame_warnings", port.name(), counted(port.frameWarnings, "frame warning", "frame warnings")});
  }
}

}  // namespace

int Verdict::exitStatus(bool lineFailed) const {
  if (lineFailed) return kExitLineFailed;
  return trafficFailed ? kExitTrafficFailed : kExitPassed;
}

std::string Verdict::line() const {
  if (passed) {
    return "pyxsim: PASS: " + counted(static_cast<int64_t>(transmitPorts.size()), "transmit port", "transmit ports") +
           ", " + counted(pdusVerified, "PDU verified", "PDUs verified") + ", " + std::to_string(pdusFailed) +
           " failed";
  }
  // Reasons of one port share its name: "tx 0/1: 2 PDUs failed, 1 route failed".
  std::string text = "pyxsim: FAIL: ";
  std::string lastPort;
  bool first = true;
  for (const VerdictReason& reason : reasons) {
    if (!first) text += !reason.port.empty() && reason.port == lastPort ? ", " : "; ";
    if (!reason.port.empty() && (first || reason.port != lastPort)) text += reason.port + ": ";
    text += reason.text;
    lastPort = reason.port;
    first = false;
  }
  return text;
}

Verdict judgeRun(const Host& host, const LineFailures& failures, bool failOnWarnings) {
  Verdict verdict;
  judgeReports(host, failOnWarnings, verdict);
  for (const CapStop& stop : host.capStops()) {
    std::string text = "run stopped at the cycle limit with ";
    text += stop.injectedRecordsLeft > 0 ? counted(static_cast<int64_t>(stop.injectedRecordsLeft),
                                                   "injected record unsent", "injected records unsent")
                                         : std::string("traffic still due");
    verdict.reasons.push_back({"cycle_limit", "", text});
  }
  verdict.trafficFailed = !verdict.reasons.empty();
  if (failures.count > 0)
    verdict.reasons.push_back({"failed_lines", "", counted(static_cast<int64_t>(failures.count),
                                                           "script line failed", "script lines failed")});
  verdict.passed = verdict.reasons.empty();
  return verdict;
}

}  // namespace pyxsim
