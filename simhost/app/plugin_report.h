// A plug-in's run report as the host reads it: the JSON text that the
// optional CorvelRunReport entry point answers after a teardown (see
// pyx/corvel_run_report.h), with the figures the verdict needs taken out and
// every port's object kept as text for the JSON summary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pyxsim {

struct ReportedStream {
  int64_t rxDevice = 0;
  int64_t rxPort = 0;
  int64_t stream = 0;
  int64_t pdus = 0;  // PDUs whose latency the transmit port measured
};

struct ReportedPort {
  uint32_t device = 0;
  uint32_t port = 0;
  bool receive = false;
  bool configured = false;
  // Transmit side.
  int64_t pduPassed = 0;
  int64_t pduFailed = 0;
  int64_t pduWarnings = 0;
  int64_t routesFailed = 0;
  int64_t frameWarnings = 0;
  int64_t pdusLost = 0;  // over the streams whose tag names the port
  std::vector<ReportedStream> streams;
  std::string json;  // the port's object in the report
};

struct PluginReport {
  std::string plugin;  // the library's path
  uint64_t run = 0;
  std::string tcs;
  bool loaded = false;
  bool startAttempted = false;
  bool started = false;
  std::vector<ReportedPort> ports;

  const ReportedPort* find(bool receive, uint32_t device, uint32_t port) const;
};

// The report in `text`; nothing when it is not a run report this host
// knows (another format, a newer major layout, not JSON) or is run 0.
std::optional<PluginReport> parsePluginReport(const std::string& text);

}  // namespace pyxsim
