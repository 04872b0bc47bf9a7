// The encapsulation chain: one encapsulator per protocol of a stream, index 0
// the payload and the last index the datalink layer. For every PDU a sizing
// pass runs from the payload outwards (each layer decides its payload size,
// padding and fragmentation), one layer allocates the PDU buffer, and a fill
// pass writes the payload and then every header and trailer from the inside
// out, so that lengths, checksums and CRCs of outer layers cover finished
// inner bytes. The datalink layer finally cuts the PDU into frames.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class PayloadGenerator;

// What kind of unit a layer produces.
enum EncapsulatorRole : int32_t {
  enRoleFrame = 0,  // frames on a link (Ethernet, VLAN, InterPyx, AAL5)
  enRoleCell = 1,   // fixed-size cells (ATM, DSLAM)
  enRoleInner = 2,  // everything else
};

// One record per PDU, threaded through the sizing pass. The layer that holds
// the PDU claims it and sets its size; the frame builder provides the bytes.
struct EncapsulationState {
  explicit EncapsulationState(int32_t chainLength) : lastIndex(chainLength - 1) {}

  int32_t index = 0;             // layer being sized
  int32_t allocatingIndex = -1;  // chain index of the layer that claimed the PDU
  int32_t lastIndex;             // the datalink layer
  int32_t fragmentingIndex = -1; // the layer that fragmented
  int32_t pduSize = 0;
  bool partitioned = false;      // some layer has fragmented
};

class Encapsulator {
 public:
  virtual ~Encapsulator();
  Encapsulator(const Encapsulator&) = delete;
  Encapsulator& operator=(const Encapsulator&) = delete;

  virtual int32_t headerSize() const;
  // Largest payload this layer carries in one frame (its maximum transfer unit).
  virtual double maxPayload() const = 0;
  // Smallest payload; shorter payloads are padded.
  virtual double minPayload() const { return 1; }
  // Header + payload + padding + trailer is padded up to a multiple of this.
  virtual int32_t sizeUnit() const { return 1; }
  virtual int32_t trailerSize() const;
  // Whether this layer may cut a too-large PDU of `innerKind` into frames.
  virtual bool allowsFragmentationOf(ProtocolKind innerKind) const;
  // True for layers whose trailer is a 4-byte frame check sequence.
  virtual bool hasFrameCheck() const { return false; }
  // Writes this layer's header, padding and trailer and its computed fields.
  // `layer` holds exactly header + payload + padding + trailer bytes, the
  // payload already written by the inner layers.
  virtual void encapsulate(std::span<uint8_t> layer) = 0;

  // Sizing step for one PDU: resets the per-PDU fields, decides payload size,
  // padding and fragmentation for `incoming` bytes from the inner layer (of
  // kind `innerKind`) and returns the size handed outwards.
  int32_t sizeLayer(int32_t incoming, ProtocolKind innerKind, EncapsulationState& state);
  // On the way back from the outermost layer: the first layer that may hold
  // the PDU (not fragmented, not the datalink layer) claims it and sets its
  // size in `state`.
  void allocateIfFirst(EncapsulationState& state);
  // Bytes of this layer for the current PDU.
  int32_t layerSize() const { return headerSize() + _payloadSize + _padding + trailerSize(); }

  const PayloadGenerator* generator() const { return _generator; }
  void setGenerator(const PayloadGenerator* generator) { _generator = generator; }
  // Off: the IPv4 header, UDP and TCP checksum fields go out as 0.
  bool computeChecksum() const { return _computeChecksum; }
  void setComputeChecksum(bool on) { _computeChecksum = on; }
  Encapsulator* outer() const { return _outer; }
  Encapsulator* inner() const { return _inner; }
  void setOuter(Encapsulator* outer) { _outer = outer; }
  void setInner(Encapsulator* inner) { _inner = inner; }
  int32_t chainIndex() const { return _chainIndex; }
  void setChainIndex(int32_t index) { _chainIndex = index; }

  std::span<const uint8_t> headerCopy() const { return _headerCopy; }
  std::span<const uint8_t> trailerCopy() const { return _trailerCopy; }
  int32_t role() const { return _role; }
  ProtocolKind kind() const { return _kind; }

  // Per-PDU results of the sizing pass.
  bool fragmented() const { return _fragmented; }
  int32_t fragmentCount() const { return _fragmentCount; }
  int32_t padding() const { return _padding; }
  int32_t payloadSize() const { return _payloadSize; }
  bool allocated() const { return _allocated; }

 protected:
  // Copies `header` and `trailer` (the configured bytes this layer writes).
  Encapsulator(ProtocolKind kind, int32_t role, std::span<const uint8_t> header,
               std::span<const uint8_t> trailer);

  // The parts of a layer's bytes; the payload is what lies between header and
  // padding, so a datalink fragment (which carries only part of the payload)
  // splits the same way.
  struct Layout {
    std::span<uint8_t> header;
    std::span<uint8_t> payload;
    std::span<uint8_t> padding;
    std::span<uint8_t> trailer;
  };
  Layout split(std::span<uint8_t> layer) const {
    const auto header = static_cast<size_t>(headerSize());
    const auto padding = static_cast<size_t>(_padding);
    const auto trailer = static_cast<size_t>(trailerSize());
    if (layer.size() < header + padding + trailer) [[unlikely]] smallerThanFraming();
    const size_t payload = layer.size() - header - padding - trailer;
    return {layer.first(header), layer.subspan(header, payload), layer.subspan(header + payload, padding),
            layer.last(trailer)};
  }
  void copyHeader(const Layout& layout) const;
  void copyTrailer(const Layout& layout) const;
  // Padding bytes from the stream's payload generator.
  void fillPadding(const Layout& layout) const;

 private:
  [[noreturn]] static void smallerThanFraming();

  const PayloadGenerator* _generator = nullptr;
  bool _computeChecksum = true;
  Encapsulator* _outer = nullptr;
  Encapsulator* _inner = nullptr;
  std::vector<uint8_t> _headerCopy;
  std::vector<uint8_t> _trailerCopy;
  int32_t _role;
  ProtocolKind _kind;
  bool _fragmented = false;
  int32_t _chainIndex = -1;
  int32_t _fragmentCount = 0;
  int32_t _padding = 0;
  int32_t _payloadSize = 0;
  bool _allocated = false;
};

// The outermost layer of a chain: it cuts the PDU into frames and wraps each.
class DatalinkEncapsulator : public Encapsulator {
 public:
  // Wraps fragment `index` (1-based) of `count`; `frame` holds header,
  // fragment payload, padding and trailer. Unless a class says otherwise it
  // is `encapsulate`.
  virtual void encapsulateFragment(std::span<uint8_t> frame, int32_t index, int32_t count);

 protected:
  using Encapsulator::Encapsulator;
};

}  // namespace corvel
