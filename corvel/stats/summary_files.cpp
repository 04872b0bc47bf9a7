#include "corvel/stats/summary_files.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "corvel/stats/capture_statistic.h"
#include "corvel/stats/generator_statistic.h"

namespace corvel {

namespace {

using nlohmann::json;

json generationSection(const GeneratorStatistic& statistic, std::optional<uint64_t> flippedBits) {
  json section = {
      {"pdus_processed", statistic.pduCount()},
      {"frames_cells_processed", statistic.frameCount()},
  };
  if (flippedBits) section["bits_flipped"] = *flippedBits;
  return section;
}

json latencyRow(const StreamId& origin, const StreamLatency& latency, int32_t mhz) {
  json row = {
      {"rx_device", origin.rxDevice},
      {"rx_port", origin.rxPort},
      {"stream", origin.stream},
      {"pdus", latency.count()},
      {"min_cycles", latency.minimum()},
      {"mean_cycles", latency.mean()},
      {"max_cycles", latency.maximum()},
      {"jitter_cycles", latency.jitter()},
  };
  if (mhz > 0) {
    row["min_ns"] = cyclesToNanoseconds(latency.minimum(), mhz);
    row["mean_ns"] = cyclesToNanoseconds(latency.mean(), mhz);
    row["max_ns"] = cyclesToNanoseconds(latency.maximum(), mhz);
    row["jitter_ns"] = cyclesToNanoseconds(latency.jitter(), mhz);
  }
  return row;
}

// p50 ... p99.9 and max of the measured PDUs, and the histogram's non-empty
// buckets as [lowest, highest, count] in cycles.
void addPercentiles(json& row, const LatencyHistogram& h, int32_t mhz) {
  static constexpr std::pair<const char*, double> kPoints[] = {{"p50", 0.5}, {"p90", 0.9}, {"p99", 0.99}, {"p99.9", 0.999}};
  for (const auto& [name, fraction] : kPoints) {
    row[std::string(name) + "_cycles"] = h.percentile(fraction);
    if (mhz > 0) row[std::string(name) + "_ns"] = cyclesToNanoseconds(h.percentile(fraction), mhz);
  }
  row["max_cycles"] = h.maximum();
  if (mhz > 0) row["max_ns"] = cyclesToNanoseconds(h.maximum(), mhz);
  json buckets = json::array();
  for (uint32_t b = 0; b < LatencyHistogram::kBucketCount; ++b) {
    if (h.bucketCount(b) == 0) continue;
    buckets.push_back({LatencyHistogram::bucketLow(b), LatencyHistogram::bucketHigh(b), h.bucketCount(b)});
  }
  row["buckets"] = std::move(buckets);
}

json streamRows(const CaptureStatistic& statistic, int32_t mhz) {
  json rows = json::array();
  for (const StreamTotals& t : statistic.streamTotals()) {
    json row = {{"rx_device", t.id.rxDevice}, {"rx_port", t.id.rxPort},         {"stream", t.id.stream},
                {"sent", t.sent},             {"received", t.received},         {"lost", t.lost},
                {"duplicated", t.duplicated}, {"out_of_order", t.outOfOrder}};
    if (const auto found = statistic.latencies().find(t.id); found != statistic.latencies().end())
      addPercentiles(row, found->second.histogram(), mhz);
    rows.push_back(std::move(row));
  }
  return rows;
}

json captureSection(const CaptureStatistic& statistic) {
  const CaptureStatistic::Counters& c = statistic.counters();
  json section = {
      {"pdu_passed", c.pduPassed},
      {"pdu_failed", c.pduFailed},
      {"pdu_warnings", c.pduWarnings},
      {"pdu_routes_passed", c.routesPassed},
      {"pdu_routes_failed", c.routesFailed},
      {"pdu_routes_not_tested", c.routesNotTested},
      {"frames_cells_processed", c.framesProcessed},
      {"frames_cells_dropped", c.dropped},
      {"frames_cells_discarded", c.discarded},
      {"frames_cells_warnings", c.cellWarnings},
  };
  const int32_t mhz = statistic.busFrequencyMhz();
  if (mhz > 0) section["bus_frequency_mhz"] = mhz;
  json rows = json::array();
  for (const auto& [origin, latency] : statistic.latencies()) rows.push_back(latencyRow(origin, latency, mhz));
  section["latency"] = std::move(rows);
  section["streams"] = streamRows(statistic, mhz);
  return section;
}

// Writes the document beside its name and renames it into place, so a
// reader never finds half a file.
bool writeDocument(const std::string& fileName, const json& document) {
  const std::string part = fileName + ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << document.dump(2) << '\n';
    out.close();
    if (!out) {
      std::remove(part.c_str());
      return false;
    }
  }
  if (std::rename(part.c_str(), fileName.c_str()) != 0) {
    std::remove(part.c_str());
    return false;
  }
  return true;
}

}  // namespace

struct SummaryFiles::Documents {
  std::map<std::string, json> byFile;

  bool add(const std::string& directory, int32_t device, int32_t port, const char* side, json section) {
    const std::string name = fileName(directory, device, port);
    json& document = byFile[name];
    if (document.is_null()) document = {{"device", device}, {"port", port}};
    document[side] = std::move(section);
    return writeDocument(name, document);
  }
};

SummaryFiles::SummaryFiles() = default;
SummaryFiles::~SummaryFiles() = default;

std::string SummaryFiles::fileName(std::string_view directory, int32_t device, int32_t port) {
  std::string name(directory);
  name.append("SummaryDev").append(std::to_string(device)).append("Port").append(std::to_string(port));
  name.append(".json");
  return name;
}

void SummaryFiles::removeFile(std::string_view directory, int32_t device, int32_t port) noexcept {
  try {
    // Only a file: whatever else stands under that name is not ours to remove.
    std::error_code error;
    const std::filesystem::path path(fileName(directory, device, port));
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error)))
      std::filesystem::remove(path, error);
  } catch (...) {
  }
}

bool SummaryFiles::write(const GeneratorStatistic& statistic, std::optional<uint64_t> flippedBits) noexcept {
  if (statistic.directory().empty()) return false;
  try {
    if (!_documents) _documents = std::make_unique<Documents>();
    return _documents->add(statistic.directory(), statistic.device(), statistic.port(), "receive",
                           generationSection(statistic, flippedBits));
  } catch (...) {
    return false;  // a summary is never worth a failure of the host
  }
}

bool SummaryFiles::write(const CaptureStatistic& statistic) noexcept {
  if (statistic.directory().empty()) return false;
  try {
    if (!_documents) _documents = std::make_unique<Documents>();
    return _documents->add(statistic.directory(), statistic.device(), statistic.port(), "transmit",
                           captureSection(statistic));
  } catch (...) {
    return false;
  }
}

}  // namespace corvel
