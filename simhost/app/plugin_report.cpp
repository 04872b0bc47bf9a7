#include "plugin_report.h"

#include <nlohmann/json.hpp>

namespace pyxsim {

namespace {

using Json = nlohmann::ordered_json;

int64_t integer(const Json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_number_integer() ? it->get<int64_t>() : 0;
}

bool flag(const Json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_boolean() && it->get<bool>();
}

std::string textOf(const Json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

uint32_t word(const Json& object, const char* key) {
  const int64_t value = integer(object, key);
  return value < 0 || value > UINT32_MAX ? 0 : static_cast<uint32_t>(value);
}

ReportedPort portOf(const Json& entry) {
  ReportedPort port;
  port.device = word(entry, "device");
  port.port = word(entry, "port");
  port.receive = textOf(entry, "direction") == "rx";
  port.configured = flag(entry, "configured");
  if (const auto capture = entry.find("capture"); capture != entry.end() && capture->is_object()) {
    port.pduPassed = integer(*capture, "pdu_passed");
    port.pduFailed = integer(*capture, "pdu_failed");
    port.pduWarnings = integer(*capture, "pdu_warnings");
    port.routesFailed = integer(*capture, "pdu_routes_failed");
    port.frameWarnings = integer(*capture, "frames_cells_warnings");
  }
  if (const auto rows = entry.find("latency"); rows != entry.end() && rows->is_array()) {
    for (const Json& row : *rows) {
      if (!row.is_object()) continue;
      port.streams.push_back({integer(row, "rx_device"), integer(row, "rx_port"), integer(row, "stream"),
                              integer(row, "pdus")});
    }
  }
  if (const auto rows = entry.find("accounting"); rows != entry.end() && rows->is_array()) {
    for (const Json& row : *rows)
      if (row.is_object()) port.pdusLost += integer(row, "lost");
  }
  port.json = entry.dump();
  return port;
}

}  // namespace

const ReportedPort* PluginReport::find(bool receive, uint32_t device, uint32_t port) const {
  for (const ReportedPort& p : ports)
    if (p.receive == receive && p.device == device && p.port == port) return &p;
  return nullptr;
}

std::optional<PluginReport> parsePluginReport(const std::string& text) {
  const Json document = Json::parse(text, nullptr, false);
  if (!document.is_object() || textOf(document, "format") != "corvel-run-report") return std::nullopt;
  if (integer(document, "version") != 1 || integer(document, "run") <= 0) return std::nullopt;
  PluginReport report;
  report.run = static_cast<uint64_t>(integer(document, "run"));
  report.tcs = textOf(document, "tcs");
  report.loaded = flag(document, "loaded");
  report.startAttempted = flag(document, "start_attempted");
  report.started = flag(document, "started");
  if (const auto ports = document.find("ports"); ports != document.end() && ports->is_array()) {
    for (const Json& entry : *ports)
      if (entry.is_object()) report.ports.push_back(portOf(entry));
  }
  return report;
}

}  // namespace pyxsim
