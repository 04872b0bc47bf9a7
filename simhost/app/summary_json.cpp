#include "summary_json.h"

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "command_error.h"

namespace pyxsim {

namespace {

// Keys keep the order written here, so the document reads top-down.
using Json = nlohmann::ordered_json;

// Every port has every key, with zeros where its direction cannot lose
// anything that way, so that readers need no existence checks.
Json droppedJson(const PortCounters& c) {
  Json dropped = Json::object();
  dropped["no_route_frames"] = c.droppedFrames;
  dropped["no_route_bytes"] = c.droppedBytes;
  dropped["in_flight_frames"] = c.inFlightFrames;
  dropped["in_flight_bytes"] = c.inFlightBytes;
  dropped["unsent_injected_records"] = c.unsentInjectedRecords;
  return dropped;
}

Json impairedJson(const ImpairmentCounts& c) {
  Json impaired = Json::object();
  impaired["lost"] = c.lost;
  impaired["duplicated"] = c.duplicated;
  impaired["reordered"] = c.reordered;
  impaired["corrupted"] = c.corrupted;
  return impaired;
}

// The figures of the last run report that named the port.
const ReportedPort* reportedPort(const Host& host, const HostPort& p) {
  const ReportedPort* found = nullptr;
  for (const PluginReport& report : host.reports())
    if (const ReportedPort* r = report.find(p.receives(), p.device, p.port)) found = r;
  return found;
}

Json portJson(const HostPort& p) {
  Json port = Json::object();
  port["device"] = p.device;
  port["port"] = p.port;
  port["direction"] = p.receives() ? "rx" : "tx";
  port["frames"] = p.counters.frames;
  port["bytes"] = p.counters.bytes;
  port["dropped"] = droppedJson(p.counters);
  port["impaired"] = p.receives() ? impairedJson(p.counters.impaired) : Json(nullptr);
  return port;
}

Json failuresJson(const LineFailures& failures) {
  Json lines = Json::array();
  for (const LineFailure& f : failures.kept) {
    Json line = Json::object();
    line["source"] = f.source;
    line["line"] = f.line > 0 ? Json(f.line) : Json(nullptr);
    line["message"] = f.message;
    lines.push_back(std::move(line));
  }
  Json failed = Json::object();
  failed["count"] = failures.count;
  failed["lines"] = std::move(lines);
  return failed;
}

std::string cannotWrite(const std::string& what, const std::string& path, int error) {
  return "cannot write the " + what + " to " + path + ": " + (error ? std::strerror(error) : "write failed");
}

Json reasonsJson(const Verdict& verdict) {
  Json reasons = Json::array();
  for (const VerdictReason& r : verdict.reasons) {
    Json reason = Json::object();
    reason["code"] = r.code;
    reason["port"] = r.port.empty() ? Json(nullptr) : Json(r.port);
    reason["text"] = r.text;
    reasons.push_back(std::move(reason));
  }
  return reasons;
}

Json pluginRunsJson(const Host& host) {
  Json runs = Json::array();
  for (const PluginReport& report : host.reports()) {
    Json run = Json::object();
    run["plugin"] = report.plugin;
    run["run"] = report.run;
    run["tcs"] = report.tcs;
    run["loaded"] = report.loaded;
    run["start_attempted"] = report.startAttempted;
    run["started"] = report.started;
    runs.push_back(std::move(run));
  }
  return runs;
}

}  // namespace

std::string summaryJson(const Host& host, const LineFailures& failures, const Verdict* verdict) {
  Json ports = Json::array();
  for (const auto& p : host.ports()) {
    Json port = portJson(*p);
    if (verdict) {
      const ReportedPort* reported = reportedPort(host, *p);
      Json figures = reported ? Json::parse(reported->json, nullptr, false) : Json(nullptr);
      port["plugin"] = figures.is_discarded() ? Json(nullptr) : std::move(figures);
    }
    ports.push_back(std::move(port));
  }
  Json commands = Json::object();
  commands["executed"] = host.executedCommands();

  Json summary = Json::object();
  summary["format"] = kSummaryFormat;
  summary["version"] = kSummaryVersion;
  summary["cycles"] = host.cycle();
  summary["ports"] = std::move(ports);
  summary["dropped"] = droppedJson(host.totals());
  summary["impaired"] = impairedJson(host.totals().impaired);
  summary["host_commands"] = std::move(commands);
  summary["failed_lines"] = failuresJson(failures);
  if (verdict) {
    summary["verdict"] = verdict->passed ? "pass" : "fail";
    summary["exit_status"] = verdict->exitStatus(failures.count > 0);
    summary["reasons"] = reasonsJson(*verdict);
    summary["pdus_verified"] = verdict->pdusVerified;
    summary["pdus_failed"] = verdict->pdusFailed;
    summary["plugin_runs"] = pluginRunsJson(host);
  }
  // Script names and messages quote what the user wrote, which may be any
  // bytes; replacing the invalid ones keeps the document valid JSON.
  return summary.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

SummaryFile::SummaryFile(std::string path, std::string what) : path_(std::move(path)), what_(std::move(what)) {
  file_.reset(std::fopen(path_.c_str(), "w"));
  if (!file_) throw CommandError(cannotWrite(what_, path_, errno));
}

void SummaryFile::write(const std::string& text) {
  if (!file_) throw CommandError(cannotWrite(what_, path_, EBADF));
  errno = 0;
  bool written = std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size() &&
                 std::fflush(file_.get()) == 0;
  int error = errno;
  // A full disk may only show when the file is closed.
  if (std::fclose(file_.release()) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) throw CommandError(cannotWrite(what_, path_, error));
}

}  // namespace pyxsim
