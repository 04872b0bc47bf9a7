// The pcapng capture of a transmit port ("TxCaptureDev<d>Port<p>.pcapng"):
// every captured frame, stamped with its end-of-frame cycle in nanoseconds
// at the port's clock, and commented with the event-log lines of the PDU it
// belongs to. A byte stage collects the frames of the PDU being assembled;
// when the PDU's verdict line arrives they are written with the lines
// gathered since the previous PDU. Buffers are reused from PDU to PDU.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/pcapng_writer.h"
#include "corvel/stats/capture_statistic.h"
#include "corvel/traffic/capture_intf.h"

namespace corvel {

class PcapngCapture : public CaptureIntf, public VerdictSink {
 public:
  // Frames held waiting for a verdict before they are written uncommented:
  // a stream of frames that never completes a PDU stays bounded.
  static constexpr size_t kMaxPendingFrames = 4096;

  // Creates or empties the file. Throws "Invalid directory name for Tx
  // pcapng capture." when it cannot be created.
  void initialize(const std::string &directory, int32_t device, int32_t port, int32_t clockMhz, uint16_t linkType);

  void OnByte(const uint8_t &byte, uint32_t cycle, uint8_t endOfFrame) override;
  void verdictLine(std::string_view line, bool pduEnd) override;
  // Writes what is still held (with the lines gathered so far) and closes.
  void Stop() override;

  const std::string &fileName() const noexcept { return _writer.fileName(); }

 private:
  struct HeldFrame {
    size_t offset;
    size_t size;
    uint64_t nanoseconds;
  };
  void writeHeld() noexcept;

  PcapngWriter _writer;
  int32_t _clockMhz = 1;
  std::vector<uint8_t> _bytes;
  size_t _frameStart = 0;
  std::vector<HeldFrame> _frames;
  std::string _comment;
};

}  // namespace corvel
