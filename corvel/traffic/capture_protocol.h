// The verification stage of a transmit port. It keeps the port's capture
// streams (each with its decapsulator chain), and whenever the datalink layer
// holds a whole PDU it picks the stream the PDU belongs to, takes the PDU
// out, verifies it layer by layer and announces the outcome as one stream
// event (kind 4 passed or 5 failed, with warnings and the payload's identity).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvel/base/log_file.h"
#include "corvel/protocols/captured_stream_frame.h"
#include "corvel/traffic/capture_intf.h"

namespace corvel {

class DatalinkParser;
class PortConfig;
class PortTraffic;
class ProtocolStack;
class StreamParser;

class CaptureProtocol : public CaptureIntf {
 public:
  CaptureProtocol(PortTraffic& port, DatalinkParser& datalinkParser);
  ~CaptureProtocol() override;

  // A second configuration is refused.
  void setConfiguration(const PortConfig& config);
  const PortConfig* configuration() const noexcept { return _config.get(); }
  // Keeps a copy of the stack under `key`.
  void addStream(const ProtocolStack& stack, std::string key);
  size_t streamCount() const noexcept { return _streams.size(); }

  // Builds the stream parsers and the port's datalink layer, opens the PDU log.
  void initialize();
  void OnFrame(const CapturedStreamFrame& frame, uint32_t cycle) override;
  void OnPdu(CapturedStreamPdu& pdu, uint32_t cycle) override;
  void Stop() override;

  // The PDU verified by the last frame, until the PDU stages have seen it.
  CapturedStreamPdu* finishedPdu() noexcept { return _finished ? &_pdu : nullptr; }

 private:
  struct Stream {
    std::string key;
    std::unique_ptr<ProtocolStack> stack;
    std::unique_ptr<StreamParser> parser;
    // The streams of the same structure as this one (itself included), in
    // key order, and whether one of them compares content.
    std::vector<size_t> alike;
    bool contentChecked = false;
  };

  const StreamParser& chooseParser() const;
  size_t streamOf(const StreamParser& parser) const;
  // Validate level 3: the stream of `group` the verified PDU belongs to (the
  // first whose compared fields all match), or nothing; then `text` holds
  // the differences against the stream that matched most.
  std::optional<size_t> matchContent(const StreamParser& walked, const std::vector<size_t>& group,
                                     std::string& text) const;
  void discardCurrent();

  PortTraffic& _port;
  DatalinkParser& _datalinkParser;
  std::unique_ptr<PortConfig> _config;
  std::vector<Stream> _streams;
  // The port's PDU record, reused from PDU to PDU.
  CapturedStreamPdu _pdu;
  bool _finished = false;
  LogFile _pduLog;
  std::string _pduLine;
};

}  // namespace corvel
