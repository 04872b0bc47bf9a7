// Decapsulators verify one protocol layer of a captured PDU each. A stream's
// chain has one per layer of its stack (payload first, datalink last); the
// datalink decapsulator also collects frames or cells until they form a PDU
// and takes the PDU out of them.
//
// A size error ends the verification of the PDU: it is thrown as text
// ("IPv4 verification error, ..."). Field checks add warnings (prefix and
// message) when the stream's validate level reaches the protocol's level,
// and never stop the verification.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvel/protocols/byte_view.h"
#include "corvel/protocols/captured_stream_frame.h"
#include "corvel/protocols/frame_pool.h"
#include "corvel/protocols/protocol_config.h"

namespace corvel {

// What the verifiers of one PDU found besides its outcome.
struct VerifyReport {
  std::vector<std::pair<std::string, std::string>> warnings;
  std::optional<IdentityRecord> identity;
};

// What the content comparison (validate level 3) of one stream found: the
// fields (and payload checks) compared and how many of them differ.
struct ContentTally {
  int32_t compared = 0;
  int32_t differing = 0;
  int32_t matched() const noexcept { return compared - differing; }
};

// The differences a comparison writes into its text before it only counts.
inline constexpr int32_t kContentDifferencesShown = 4;

struct VerifyContext {
  // Set by the datalink layer when it padded the PDU; the first layer with a
  // length field takes its own length and clears it.
  bool padded = false;
  // The next layers (counted down by the stream parser) carry a compression
  // context in their length fields (a full header, RFC 2508): lengths are
  // not compared there.
  int32_t lengthsFromContext = 0;
  // The stream expects PDUs without payload bytes too (a pure TCP
  // acknowledgement): a transport layer may then carry no data.
  bool emptyPayloadAllowed = false;
  VerifyReport* report = nullptr;
  // The addresses of the IP header just verified, for the pseudo-header of
  // the transport checksum inside it; empty without an IP layer.
  std::span<const uint8_t> sourceAddress;
  std::span<const uint8_t> destinationAddress;
  // The datalink frame the PDU ended with (its header), when there is one.
  ByteView frame;
  // The capturing port, for the route check of the payload tag.
  int32_t device = 0;
  int32_t port = 0;
};

class Decapsulator {
 public:
  virtual ~Decapsulator();
  Decapsulator(const Decapsulator&) = delete;
  Decapsulator& operator=(const Decapsulator&) = delete;

  ProtocolKind kind() const noexcept { return _config.kind(); }
  const ProtocolConfig& config() const noexcept { return _config; }
  // The protocol kind this layer's header names for the layer inside it;
  // nothing when it names none (or another).
  virtual std::optional<ProtocolKind> serviceAccessProtocol(ByteView /*layer*/) const { return std::nullopt; }
  // Verifies the layer at the start of `layer` (header, payload, trailer) and
  // answers its payload size; headerSize() then tells where the payload starts.
  virtual int32_t verify(ByteView layer, VerifyContext& context) = 0;
  int32_t headerSize() const noexcept { return _headerSize; }
  // Throws "<name> verification error, PRC is 6 (TCP), expected 17 (UDP)"
  // when the header at the start of `layer` names another protocol for the
  // layer inside it than `inner`, the stream's next layer. A number the
  // stream's own header holds, or one naming no known protocol, passes.
  virtual void checkInnerNamed(ByteView /*layer*/, ProtocolKind /*inner*/) const {}
  // Validate level 3: compares the layer at the start of `layer` with what
  // the stream expects (the header fields its element writes, under the
  // content mask), counting into `tally`; with `text` given, the first
  // differences are written there ("; " between them), each as
  // "<name> verification error, DEST_ADDR is 10.0.0.9, expected 192.168.2.1".
  virtual void compareContent(ByteView layer, ContentTally& tally, std::string* text) const;

 protected:
  // `name` is the protocol's name in error texts ("IPv4"), `warningPrefix`
  // the text before every warning ("IPv4 warning, "); `level` the validate
  // level from which warnings are reported.
  Decapsulator(const ProtocolConfig& config, std::string name, std::string warningPrefix, int32_t level = 1);

  // "<name> verification error, <what>"
  [[noreturn]] void fail(std::string_view what) const;
  // Steps every header layer shares: bytes present, header and trailer fit,
  // payload within the transfer units. Answers the payload size.
  int32_t checkSizes(ByteView layer, int32_t header, int32_t trailer, double maxPayload, double minPayload);
  // A length field of the layer against the bytes present: with the padded
  // flag set the field wins (and the flag is cleared), else a difference fails.
  int32_t checkInternalSize(int32_t payload, int64_t internal, VerifyContext& context) const;
  bool warningsOn(const VerifyContext& context) const noexcept;
  // For checkInnerNamed: throws when `field` of `layer` holds a number that
  // names a protocol (`named`) other than `inner` and other than the number
  // the stream's own header holds; `expected` is the number of `inner`.
  void checkNamedNumber(ByteView layer, const HeaderField& field, std::optional<ProtocolKind> named,
                        ProtocolKind inner, std::optional<uint64_t> expected) const;
  // Appends one difference to a comparison's text.
  void appendDifference(std::string* text, std::string_view what) const;
  void warn(VerifyContext& context, std::string_view text) const;

  const std::string& name() const noexcept { return _name; }
  int32_t _headerSize = 0;
  int32_t _trailerSize = 0;

 private:
  const ProtocolConfig& _config;
  std::string _name;
  std::string _warningPrefix;
  int32_t _level;
};

class PayloadConfig;

// The innermost layer: decodes the payload tag into the identity record and
// checks the route.
class PayloadDecapsulator : public Decapsulator {
 public:
  explicit PayloadDecapsulator(const ProtocolConfig& config);
  int32_t verify(ByteView layer, VerifyContext& context) override;
  // The payload's size against the stream's sizes, and its pattern bytes
  // behind the tag (and sequence number) against the generator's.
  void compareContent(ByteView layer, ContentTally& tally, std::string* text) const override;

 private:
  // The bytes of the tag and sequence number at the payload's start (0 when
  // it carries none).
  size_t tagLength(std::span<const uint8_t> bytes) const noexcept;

  bool _tagged;
  bool _signed;
  bool _sequenced;  // the stream's sequence number follows the tag
  // The stream's payload configuration, looked up once (null for a kind that
  // is not one).
  const PayloadConfig* _payload;
};

// The frames held for one connection, oldest first: a ring that grows to the
// most frames the connection ever held at once and keeps that room.
class FrameQueue {
 public:
  size_t size() const noexcept { return _count; }
  bool empty() const noexcept { return _count == 0; }
  const CapturedStreamFrame& operator[](size_t index) const noexcept {
    return *_ring[(_head + index) & (_ring.size() - 1)];
  }
  const CapturedStreamFrame& front() const noexcept { return (*this)[0]; }
  const CapturedStreamFrame& back() const noexcept { return (*this)[_count - 1]; }
  void pushBack(PooledFrame frame);
  PooledFrame popFront() noexcept;
  // The frames go back to their pool.
  void clear() noexcept;
  void swap(FrameQueue& other) noexcept;

 private:
  std::vector<PooledFrame> _ring;  // a power of two long, or empty
  size_t _head = 0;
  size_t _count = 0;
};

// A datalink layer: frames (or cells) in, PDUs out.
class DatalinkDecapsulator : public Decapsulator {
 public:
  // Frames (cells) held for PDUs not yet complete, over all connections,
  // and the number of connections, are capped.
  static constexpr size_t kMaxHeldFrames = 4096;
  static constexpr size_t kMaxConnections = 1024;

  // Reads the frame's datalink header: its protocol type and connection, and
  // whether it ends its PDU. Cell warnings go into `report`.
  virtual void parseHeader(CapturedStreamFrame& frame, VerifyReport& report) = 0;
  // Holds the frame under its connection. Answers how many frames had to be
  // given up to make room (discarded).
  size_t takeFrame(PooledFrame frame);
  // The frame taken last, while it is held; null otherwise.
  const CapturedStreamFrame* lastFrame() const;
  // Whether the connection of the frame taken last now holds a whole PDU.
  virtual bool isPduComplete() const;
  // Takes the PDU of that connection out of the held frames (releasing
  // them) into `pdu`, whose buffers are reused, verifying the datalink layer
  // of every frame on the way.
  virtual void extractPdu(VerifyContext& context, CapturedStreamPdu& pdu) = 0;
  // The same into a fresh record.
  CapturedStreamPdu extractPdu(VerifyContext& context);
  // Gives up the held frames of the connection taken last (a failed PDU);
  // answers how many.
  size_t releaseCurrent();
  // Gives up every held frame (teardown); answers how many.
  size_t releaseAll();
  size_t heldFrames() const noexcept { return _heldCount; }

 protected:
  using Decapsulator::Decapsulator;

  // The frames of the connection taken last (empty when it holds none).
  const FrameQueue& currentQueue() const;
  // Takes them out of the store: they stay readable until the next take.
  const FrameQueue& takeCurrent();

 private:
  struct Connection {
    uint64_t key = 0;
    FrameQueue frames;  // empty: the slot is free
  };
  static constexpr size_t kNoSlot = static_cast<size_t>(-1);

  size_t slotOf(uint64_t key) const noexcept;
  // A free slot for a new connection, giving up the frames of the
  // lowest-keyed connection when every slot is taken.
  size_t newSlot(uint64_t key, size_t& givenUp);

  // One slot per connection holding frames; slots are reused, never freed.
  std::vector<Connection> _connections;
  size_t _activeConnections = 0;
  size_t _heldCount = 0;
  size_t _currentSlot = kNoSlot;
  FrameQueue _taken;  // the frames of the PDU extracted last
  FrameQueue _none;   // always empty
};

}  // namespace corvel
