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

Json portJson(const HostPort& p) {
  Json port = Json::object();
  port["device"] = p.device;
  port["port"] = p.port;
  port["direction"] = p.receives() ? "rx" : "tx";
  port["frames"] = p.counters.frames;
  port["bytes"] = p.counters.bytes;
  port["dropped"] = droppedJson(p.counters);
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

std::string cannotWrite(const std::string& path, int error) {
  return "cannot write the run summary to " + path + ": " + (error ? std::strerror(error) : "write failed");
}

}  // namespace

std::string summaryJson(const Host& host, const LineFailures& failures) {
  Json ports = Json::array();
  for (const auto& p : host.ports()) ports.push_back(portJson(*p));
  Json commands = Json::object();
  commands["executed"] = host.executedCommands();

  Json summary = Json::object();
  summary["format"] = kSummaryFormat;
  summary["version"] = kSummaryVersion;
  summary["cycles"] = host.cycle();
  summary["ports"] = std::move(ports);
  summary["dropped"] = droppedJson(host.totals());
  summary["host_commands"] = std::move(commands);
  summary["failed_lines"] = failuresJson(failures);
  // Script names and messages quote what the user wrote, which may be any
  // bytes; replacing the invalid ones keeps the document valid JSON.
  return summary.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

SummaryFile::SummaryFile(std::string path) : path_(std::move(path)) {
  file_.reset(std::fopen(path_.c_str(), "w"));
  if (!file_) throw CommandError(cannotWrite(path_, errno));
}

void SummaryFile::write(const std::string& text) {
  if (!file_) throw CommandError(cannotWrite(path_, EBADF));
  errno = 0;
  bool written = std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size() &&
                 std::fflush(file_.get()) == 0;
  int error = errno;
  // A full disk may only show when the file is closed.
  if (std::fclose(file_.release()) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) throw CommandError(cannotWrite(path_, error));
}

}  // namespace pyxsim
