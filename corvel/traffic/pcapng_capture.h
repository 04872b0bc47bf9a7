// The pcapng capture of a transmit port ("TxCaptureDev<d>Port<p>.pcapng"):
// every captured frame, stamped with its end-of-frame cycle in nanoseconds
// at the port's clock, and commented with the event-log lines of the PDU it
// belongs to. As a frame stage after the datalink parser it holds the frames
// of each connection (ATM VPI/VCI; one for frame datalinks) until the PDU of
// that connection gets its verdict line; they are then written with the
// lines gathered for that connection since its previous PDU. The frames are
// copies of the port's captured frames in buffers reused from frame to frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/pcapng_writer.h"
#include "corvel/protocols/captured_stream_frame.h"
#include "corvel/stats/capture_statistic.h"
#include "corvel/traffic/capture_intf.h"

namespace corvel {

class PcapngCapture : public CaptureIntf, public VerdictSink {
 public:
  // Frames held waiting for a verdict before they are written with the lines
  // gathered so far: cells of connections that never complete stay bounded.
  static constexpr size_t kMaxHeldFrames = 4096;

  // Creates or empties the file. Throws "Invalid directory name for Tx
  // pcapng capture." when it cannot be created.
  void initialize(const std::string& directory, int32_t device, int32_t port, int32_t clockMhz, uint16_t linkType);

  void OnFrame(const CapturedStreamFrame& frame, uint32_t cycle) override;
  void verdictLine(std::string_view line, bool pduEnd) override;
  // Writes what is still held (with the lines gathered so far) and closes.
  void Stop() override;

  const std::string& fileName() const noexcept { return _writer.fileName(); }

 private:
  struct Lines {
    uint64_t connection;
    std::string text;
  };
  struct Held {
    uint64_t connection = 0;
    uint32_t lastCycle = 0;
    std::vector<uint8_t> data;
  };
  std::string& linesOf(uint64_t connection);
  // Writes the held frames of the connection (of every connection when
  // `all`) in arrival order and forgets their lines.
  void writeHeld(uint64_t connection, bool all) noexcept;

  PcapngWriter _writer;
  int32_t _clockMhz = 1;
  // The first `_heldCount` entries are frames waiting; the others keep
  // their buffers for later frames.
  std::vector<Held> _frames;
  size_t _heldCount = 0;
  std::vector<Lines> _lines;
  uint64_t _current = 0;  // the connection of the frame being verified
};

}  // namespace corvel
