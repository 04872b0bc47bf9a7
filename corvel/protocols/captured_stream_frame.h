// What a transmit port captured: one datalink frame (or cell) as it arrived,
// and one PDU reassembled from such frames, with the identity its payload tag
// carried.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace corvel {

// Protocol type of a frame or layer not (yet) identified.
inline constexpr int32_t kProtocolTypeUnknown = 19;

enum RouteStatus : int32_t {
  enRoutePassed = 0,
  enRouteFailed = 1,
  enRouteNotTested = 2,
};

// The fields of a payload tag, decoded; -1 where the tag does not say.
struct IdentityRecord {
  int32_t txDevice = -1;  // where the frame was expected back
  int32_t txPort = -1;
  int32_t rxDevice = -1;  // where it was generated
  int32_t rxPort = -1;
  int32_t stream = -1;
  int32_t pdu = -1;
  int32_t spare = -1;
  int32_t routeStatus = enRouteNotTested;
  int64_t sequence = -1;  // the stream's sequence number, when it carries one
};

struct CapturedStreamFrame {
  int32_t protocolType = kProtocolTypeUnknown;
  std::vector<uint8_t> data;
  int32_t headerSize = 0;
  int32_t trailerSize = 0;
  int32_t spareSize = 0;
  uint32_t firstCycle = 0;
  uint32_t lastCycle = 0;
  // The connection the frame belongs to (ATM: VPI/VCI); 0 for frame datalinks.
  uint64_t connection = 0;
  // Set by the datalink parser when the frame ends its PDU.
  bool endsPdu = true;
};

struct CapturedStreamPdu {
  std::vector<uint8_t> data;
  int32_t frameCount = 0;
  int32_t discardedHeader = 0;
  int32_t discardedTrailer = 0;
  int32_t discardedPadding = 0;
  int32_t carriedBytes = 0;  // total size of the frames or cells it came in
  uint32_t firstCycle = 0;
  uint32_t lastCycle = 0;
  // The datalink layer padded the PDU up to its minimum: a length field of
  // an inner layer may be smaller than the bytes captured.
  bool padded = false;
  std::optional<IdentityRecord> identity;
  // The protocol kind of each layer inside the datalink, outermost first, as
  // the stream that verified the PDU names them, and where in `data` each
  // layer's header starts; empty when no stream took the PDU.
  std::vector<int32_t> layerTypes;
  std::vector<size_t> layerOffsets;

  // Back to an empty record; the buffers keep their room for the next PDU.
  void clear() noexcept {
    data.clear();
    layerTypes.clear();
    layerOffsets.clear();
    frameCount = discardedHeader = discardedTrailer = discardedPadding = carriedBytes = 0;
    firstCycle = lastCycle = 0;
    padded = false;
    identity.reset();
  }
};

}  // namespace corvel
