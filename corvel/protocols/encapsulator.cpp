#include "corvel/protocols/encapsulator.h"

#include <algorithm>
#include <limits>

#include "corvel/base/text_error.h"
#include "corvel/protocols/payload/pattern_payload.h"

namespace corvel {

namespace {

// Bytes that bring `total` up to the next multiple of `unit`.
int64_t padToUnit(int64_t total, int64_t unit) {
  return total <= unit ? unit - total : unit - total % unit;
}

}  // namespace

Encapsulator::Encapsulator(ProtocolKind kind, int32_t role, std::span<const uint8_t> header,
                           std::span<const uint8_t> trailer)
    : _headerCopy(header.begin(), header.end()),
      _trailerCopy(trailer.begin(), trailer.end()),
      _role(role),
      _kind(kind) {}

Encapsulator::~Encapsulator() = default;

int32_t Encapsulator::headerSize() const { return static_cast<int32_t>(_headerCopy.size()); }

int32_t Encapsulator::trailerSize() const { return static_cast<int32_t>(_trailerCopy.size()); }

bool Encapsulator::allowsFragmentationOf(ProtocolKind) const { return false; }

int32_t Encapsulator::sizeLayer(int32_t incoming, ProtocolKind innerKind, EncapsulationState& state) {
  _allocated = false;
  _fragmentCount = 0;
  _padding = 0;
  _payloadSize = 0;
  const auto max = static_cast<int32_t>(maxPayload());
  const auto min = static_cast<int32_t>(minPayload());

  if (incoming > max) {
    if (state.partitioned) throw TextError("Encapsulation can only partition the payload once.");
    if (max < 1 || !allowsFragmentationOf(innerKind)) {
      throw TextError(
          "Payload exceeds the maximum transfer unit size and the protocol does not allow fragmentation.");
    }
    _payloadSize = incoming;
    // Rounded up: a remainder travels in a last, shorter fragment.
    _fragmentCount = incoming / max + (incoming % max != 0 ? 1 : 0);
    _fragmented = true;
    state.partitioned = true;
    state.fragmentingIndex = _chainIndex;
    return trailerSize() + headerSize();  // one fragment's overhead
  }

  _payloadSize = incoming;
  _fragmentCount = 1;
  _fragmented = false;
  if (incoming < min) _padding = min - incoming;
  int64_t total = int64_t{trailerSize()} + headerSize() + _payloadSize + _padding;
  const int32_t unit = sizeUnit();
  if (unit > 1 && total % unit != 0) {
    const int64_t extra = padToUnit(total, unit);
    _padding += static_cast<int32_t>(extra);
    total += extra;
  }
  if (total > std::numeric_limits<int32_t>::max()) throw TextError("Error, PDU size out of range");
  return static_cast<int32_t>(total);
}

void Encapsulator::allocateIfFirst(EncapsulationState& state) {
  if (state.allocatingIndex >= 0 || _fragmented || _chainIndex == state.lastIndex) return;
  _allocated = true;
  state.pduSize = layerSize();
  state.allocatingIndex = _chainIndex;
}

void Encapsulator::smallerThanFraming() { throw TextError("Error, layer smaller than its framing"); }

void Encapsulator::copyHeader(const Layout& layout) const {
  std::copy_n(_headerCopy.begin(), std::min(_headerCopy.size(), layout.header.size()), layout.header.begin());
}

void Encapsulator::copyTrailer(const Layout& layout) const {
  std::copy_n(_trailerCopy.begin(), std::min(_trailerCopy.size(), layout.trailer.size()),
              layout.trailer.begin());
}

void Encapsulator::fillPadding(const Layout& layout) const {
  if (_generator != nullptr && !layout.padding.empty()) _generator->fillPadding(layout.padding);
}

void DatalinkEncapsulator::encapsulateFragment(std::span<uint8_t> frame, int32_t, int32_t) {
  encapsulate(frame);
}

}  // namespace corvel
