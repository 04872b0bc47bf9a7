// The run report: what one loaded TCS file came to, as a JSON text the host
// can fetch through the optional CorvelRunReport entry point after the
// teardown. It names its format and version, the TCS file, how the load and
// the start went, and per host port the figures the port counted (RunTally).
// New figures (per-stream accounting) join as new keys; a key that changes
// its meaning or goes away takes a new version.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvel/stats/run_tally.h"

namespace corvel {

inline constexpr const char* kRunReportFormat = "corvel-run-report";
inline constexpr int kRunReportVersion = 1;

struct RunOutcome {
  uint64_t run = 0;          // 1 for the first teardown of the process, then 2, ...
  std::string tcsFile;       // as corvel_load_tcs named it
  bool loaded = false;       // corvel_load_tcs ran and no error ended it
  bool startAttempted = false;
  bool started = false;      // corvel_start brought the controller to running
  int32_t finalState = 0;    // the controller state before the teardown
};

std::string runReportJson(const RunOutcome& outcome, const std::vector<PortFigures>& ports);

// The text a host gets before any TCS file was loaded: run 0, nothing else.
std::string emptyRunReportJson();

}  // namespace corvel
