#include "corvel/host/run_report.h"

#include <nlohmann/json.hpp>

#include "corvel/base/cycle_time.h"

namespace corvel {

namespace {

using Json = nlohmann::ordered_json;

Json captureJson(const CaptureFigures& c) {
  Json capture = Json::object();
  capture["pdu_passed"] = c.pduPassed;
  capture["pdu_failed"] = c.pduFailed;
  capture["pdu_warnings"] = c.pduWarnings;
  capture["pdu_routes_passed"] = c.routesPassed;
  capture["pdu_routes_failed"] = c.routesFailed;
  capture["pdu_routes_not_tested"] = c.routesNotTested;
  capture["frames_cells_processed"] = c.framesProcessed;
  capture["frames_cells_dropped"] = c.framesDropped;
  capture["frames_cells_discarded"] = c.framesDiscarded;
  capture["frames_cells_warnings"] = c.frameWarnings;
  return capture;
}

Json latencyJson(const StreamLatencies& latencies, int32_t mhz) {
  Json rows = Json::array();
  for (const auto& [origin, latency] : latencies) {
    Json row = Json::object();
    row["rx_device"] = origin.rxDevice;
    row["rx_port"] = origin.rxPort;
    row["stream"] = origin.stream;
    row["pdus"] = latency.count();
    row["min_cycles"] = latency.minimum();
    row["mean_cycles"] = latency.mean();
    row["max_cycles"] = latency.maximum();
    row["jitter_cycles"] = latency.jitter();
    if (mhz > 0) {
      row["min_ns"] = cyclesToNanoseconds(latency.minimum(), mhz);
      row["mean_ns"] = cyclesToNanoseconds(latency.mean(), mhz);
      row["max_ns"] = cyclesToNanoseconds(latency.maximum(), mhz);
      row["jitter_ns"] = cyclesToNanoseconds(latency.jitter(), mhz);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// Per stream sent, received, lost, duplicated, out of order; the verdict
// fails a port that lost PDUs.
Json accountingJson(const std::vector<StreamTotals>& totals) {
  Json rows = Json::array();
  for (const StreamTotals& t : totals) {
    Json row = Json::object();
    row["rx_device"] = t.id.rxDevice;
    row["rx_port"] = t.id.rxPort;
    row["stream"] = t.id.stream;
    row["sent"] = t.sent;
    row["received"] = t.received;
    row["lost"] = t.lost;
    row["duplicated"] = t.duplicated;
    row["out_of_order"] = t.outOfOrder;
    rows.push_back(std::move(row));
  }
  return rows;
}

Json portJson(const PortFigures& p) {
  Json port = Json::object();
  port["device"] = p.device;
  port["port"] = p.port;
  port["direction"] = p.direction == 1 ? "rx" : "tx";
  port["configured"] = p.configured;
  port["streams"] = p.streams;
  if (p.direction == 1) {
    Json generation = Json::object();
    generation["pdus_processed"] = p.pdusGenerated;
    generation["frames_cells_processed"] = p.framesGenerated;
    port["generation"] = std::move(generation);
    return port;
  }
  port["capture"] = captureJson(p.capture);
  if (p.busFrequencyMhz > 0) port["bus_frequency_mhz"] = p.busFrequencyMhz;
  port["latency"] = latencyJson(p.latencies, p.busFrequencyMhz);
  port["accounting"] = accountingJson(p.streamTotals);
  Json police = Json::object();
  police["green"] = p.police.green;
  police["yellow"] = p.police.yellow;
  police["red"] = p.police.red;
  police["not_assigned"] = p.police.notAssigned;
  port["policing"] = std::move(police);
  return port;
}

Json header(uint64_t run) {
  Json report = Json::object();
  report["format"] = kRunReportFormat;
  report["version"] = kRunReportVersion;
  report["run"] = run;
  return report;
}

std::string text(const Json& report) { return report.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace

std::string runReportJson(const RunOutcome& outcome, const std::vector<PortFigures>& ports) {
  Json report = header(outcome.run);
  report["tcs"] = outcome.tcsFile;
  report["loaded"] = outcome.loaded;
  report["start_attempted"] = outcome.startAttempted;
  report["started"] = outcome.started;
  report["state"] = outcome.finalState;
  Json list = Json::array();
  for (const PortFigures& p : ports) list.push_back(portJson(p));
  report["ports"] = std::move(list);
  return text(report);
}

std::string emptyRunReportJson() { return text(header(0)); }

}  // namespace corvel
