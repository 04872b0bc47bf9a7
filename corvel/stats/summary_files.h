// The machine-readable port summaries: directory + "SummaryDev<d>Port<p>.json"
// beside the text logs, one JSON object per device and port number with the
// generation summary of the receive port ("receive") and the capture summary
// of the transmit port ("transmit"). A receive port and a transmit port may
// carry the same numbers and log to the same directory; they then share the
// file, and each summary written rewrites it whole with every summary given
// so far for it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvel {

class CaptureStatistic;
class GeneratorStatistic;

class SummaryFiles {
 public:
  SummaryFiles();
  ~SummaryFiles();
  SummaryFiles(const SummaryFiles&) = delete;
  SummaryFiles& operator=(const SummaryFiles&) = delete;

  static std::string fileName(std::string_view directory, int32_t device, int32_t port);
  // Removes the port's summary file, if there is one (a port being
  // configured anew); never throws.
  static void removeFile(std::string_view directory, int32_t device, int32_t port) noexcept;

  // Adds the statistic's summary to its file and writes the file. False
  // when the file could not be written (the summary is dropped then); never
  // throws. Nothing is written for a statistic without a log directory.
  bool write(const GeneratorStatistic& statistic, std::optional<uint64_t> flippedBits) noexcept;
  bool write(const CaptureStatistic& statistic) noexcept;

 private:
  struct Documents;
  std::unique_ptr<Documents> _documents;
};

}  // namespace corvel
