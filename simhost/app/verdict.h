// The verdict of a pyxsim run: pass or fail, every reason for a failure, and
// the figures of the final line. A run fails when a script line failed, or
// when the traffic failed: a TCS file did not load, corvel_start failed, a
// transmit port reported a failed PDU, a route failure or a lost PDU, an open-ended run
// stopped at its cycle limit with traffic or injected records still due,
// and, when asked for, a transmit port saw PDU or frame warnings. The
// traffic figures come from the run reports of the plug-ins that give them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host.h"
#include "script_runner.h"

namespace pyxsim {

// Exit statuses of the program.
inline constexpr int kExitPassed = 0;
inline constexpr int kExitLineFailed = 1;
inline constexpr int kExitBadOptions = 2;
inline constexpr int kExitTrafficFailed = 3;

struct VerdictReason {
  std::string code;  // "tcs_not_loaded", "pdu_failed", ...
  std::string port;  // "tx 0/1" for a reason of one transmit port, else empty
  std::string text;  // "2 PDUs failed", "the TCS file x.tcs did not load", ...
};

// A transmit port as the verdict sees it, over every run report.
struct VerdictPort {
  uint32_t device = 0;
  uint32_t port = 0;
  int64_t pduPassed = 0;
  int64_t pduFailed = 0;
  int64_t routesFailed = 0;
  int64_t pduWarnings = 0;
  int64_t frameWarnings = 0;
  int64_t pdusLost = 0;
  std::vector<ReportedStream> streams;
  std::string name() const { return "tx " + std::to_string(device) + "/" + std::to_string(port); }
};

struct Verdict {
  bool passed = true;
  bool trafficFailed = false;
  std::vector<VerdictReason> reasons;
  std::vector<VerdictPort> transmitPorts;  // configured by a TCS file, in report order
  int64_t pdusVerified = 0;
  int64_t pdusFailed = 0;

  int exitStatus(bool lineFailed) const;
  // "pyxsim: PASS: 3 transmit ports, 27 PDUs verified, 0 failed" or
  // "pyxsim: FAIL: tx 0/1: 2 PDUs failed, 1 route failed; ..." (no line end).
  std::string line() const;
};

Verdict judgeRun(const Host& host, const LineFailures& failures, bool failOnWarnings);

}  // namespace pyxsim
