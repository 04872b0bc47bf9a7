#include "corvel/protocols/decapsulator.h"

#include <algorithm>
#include <cstdio>

#include "corvel/base/text_error.h"
#include "corvel/protocols/payload/pattern_payload.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/payload/payload_tag.h"
#include "corvel/protocols/protocol_registry.h"

namespace corvel {

Decapsulator::Decapsulator(const ProtocolConfig& config, std::string name, std::string warningPrefix, int32_t level)
    : _config(config), _name(std::move(name)), _warningPrefix(std::move(warningPrefix)), _level(level) {}

Decapsulator::~Decapsulator() = default;

void Decapsulator::fail(std::string_view what) const {
  std::string text = _name;
  text.append(" verification error, ").append(what);
  throw TextError(text);
}

int32_t Decapsulator::checkSizes(ByteView layer, int32_t header, int32_t trailer, double maxPayload,
                                 double minPayload) {
  if (layer.bytes().data() == nullptr && layer.empty()) fail("data pointer is null");
  if (layer.empty()) fail("no space allocated to data pointer");
  if (layer.size() < static_cast<size_t>(header) + static_cast<size_t>(trailer))
    fail("not enough allocated memory to hold both the header & trailer");
  const auto payload = static_cast<int32_t>(layer.size() - static_cast<size_t>(header + trailer));
  if (payload > maxPayload) fail("payload size violates the maximum transfer unit.");
  if (payload < minPayload) fail("payload size violates the minimal transfer unit.");
  _headerSize = header;
  _trailerSize = trailer;
  return payload;
}

int32_t Decapsulator::checkInternalSize(int32_t payload, int64_t internal, VerifyContext& context) const {
  if (context.lengthsFromContext > 0) return payload;
  if (internal == payload) return payload;
  // Padding behind the layer (a minimum-size Ethernet frame) is allowed when
  // the datalink layer said so: the length field then tells the true size.
  if (context.padded && internal >= 0 && internal < payload) {
    context.padded = false;
    return static_cast<int32_t>(internal);
  }
  fail("payload size does not equal internal size.");
}

bool Decapsulator::warningsOn(const VerifyContext& context) const noexcept {
  return context.report != nullptr && _config.validateLevel() >= _level;
}

void Decapsulator::warn(VerifyContext& context, std::string_view text) const {
  if (warningsOn(context)) context.report->warnings.emplace_back(_warningPrefix, std::string(text));
}

// ---- Structure and content ------------------------------------------------

namespace {

// A protocol as the verification texts name it.
std::string_view protocolText(ProtocolKind kind) {
  switch (kind) {
    case ProtocolKind::IpV4: return "IPv4";
    case ProtocolKind::IpV6: return "IPv6";
    case ProtocolKind::Tcp: return "TCP";
    case ProtocolKind::Udp: return "UDP";
    default: break;
  }
  const ProtocolRegistration* registration = findRegistration(kind);
  return registration != nullptr ? registration->element : std::string_view("unknown");
}

// A field's value written at the start of a scratch header, for formatting a
// number that is not in any captured bytes.
size_t formatNumber(const HeaderField& field, uint64_t value, std::span<char> out) {
  HeaderField at = field;
  at.byte = 0;
  uint8_t bytes[8] = {};
  if (!isNumericField(at) || static_cast<size_t>(fieldEnd(at)) > sizeof bytes) return formatField(at, {}, out);
  writeBitField(bytes, at, value);
  return formatField(at, bytes, out);
}

}  // namespace

void Decapsulator::checkNamedNumber(ByteView layer, const HeaderField& field, std::optional<ProtocolKind> named,
                                    ProtocolKind inner, std::optional<uint64_t> expected) const {
  if (!named || *named == inner || !expected) return;
  const std::optional<uint64_t> value = layer.field(field);
  if (!value || fieldValue(_config.headerBytes(), field) == value) return;
  char received[kFieldTextMax + 1];
  char wanted[kFieldTextMax + 1];
  formatField(field, layer.bytes(), received);
  formatNumber(field, *expected, wanted);
  std::string what(field.name);
  what.append(" is ").append(received).append(" (").append(protocolText(*named)).append("), expected ");
  what.append(wanted).append(" (").append(protocolText(inner)).append(")");
  fail(what);
}

void Decapsulator::appendDifference(std::string* text, std::string_view what) const {
  if (!text->empty()) text->append("; ");
  text->append(_name).append(" verification error, ").append(what);
}

void Decapsulator::compareContent(ByteView layer, ContentTally& tally, std::string* text) const {
  const std::span<const uint8_t> mask = _config.contentMask();
  if (mask.empty()) return;
  const std::span<const uint8_t> expected = _config.headerBytes();
  for (const HeaderField& field : fieldsOf(kind())) {
    if (!fieldMarked(mask, field)) continue;
    ++tally.compared;
    if (fieldMatches(field, layer.bytes(), expected, mask)) continue;
    ++tally.differing;
    if (text == nullptr || tally.differing > kContentDifferencesShown) continue;
    char received[kFieldTextMax + 1];
    char wanted[kFieldTextMax + 1];
    formatField(field, layer.bytes(), received);
    formatField(field, expected, wanted);
    std::string what(field.name);
    what.append(" is ").append(received).append(", expected ").append(wanted);
    appendDifference(text, what);
  }
}

// ---- Payload ------------------------------------------------------------

namespace {

// Payloads that never carry a tag: their bytes come from elsewhere.
bool untaggedKind(const ProtocolConfig& config) {
  const auto* payload = dynamic_cast<const PayloadConfig*>(&config);
  return payload && (payload->payloadKind() == PayloadKind::ContextState ||
                     payload->payloadKind() == PayloadKind::WorkbenchLog);
}

bool sequencedPayload(const ProtocolConfig& config) {
  const auto* payload = dynamic_cast<const PayloadConfig*>(&config);
  return payload && payload->sequenced();
}

bool namesTxPort(const ProtocolConfig& config) {
  const auto* payload = dynamic_cast<const PayloadConfig*>(&config);
  return payload && payload->hasTxPort();
}

// A stream of traffic not made by a generator says its PDUs carry no tag.
bool carriesSignature(const ProtocolConfig& config) {
  const auto* payload = dynamic_cast<const PayloadConfig*>(&config);
  return !payload || payload->carriesSignature();
}

// Fill bytes start with 0xDD: a payload that starts so carries no tag.
constexpr uint8_t kUntaggedMarker = 0xDD;

}  // namespace

PayloadDecapsulator::PayloadDecapsulator(const ProtocolConfig& config)
    : Decapsulator(config, "Payload", "Payload warning, "),
      _tagged(namesTxPort(config) && !untaggedKind(config)),
      _signed(carriesSignature(config) && !untaggedKind(config)),
      _sequenced(sequencedPayload(config)),
      _payload(dynamic_cast<const PayloadConfig*>(&config)) {}

int32_t PayloadDecapsulator::verify(ByteView layer, VerifyContext& context) {
  _headerSize = 0;
  const auto bytes = layer.bytes();
  if (!context.report) return static_cast<int32_t>(bytes.size());
  IdentityRecord identity;
  const bool decode = !bytes.empty() && _signed && (_tagged || bytes[0] != kUntaggedMarker);
  if (decode) {
    // As many fields of the tag as the payload holds.
    using Tag = PayloadTagWire;
    const auto read = [&](const BitField& field, int32_t& into) {
      if (const std::optional<uint64_t> value = layer.field(field)) into = static_cast<int32_t>(*value);
    };
    read(Tag::kTxDevice, identity.txDevice);
    read(Tag::kTxPort, identity.txPort);
    read(Tag::kRxDevice, identity.rxDevice);
    read(Tag::kRxPort, identity.rxPort);
    read(Tag::kStream, identity.stream);
    read(Tag::kPdu, identity.pdu);
    if (_sequenced)  // the tag, then the sequence number
      if (const std::optional<uint64_t> value = layer.field(Tag::kSequence))
        identity.sequence = static_cast<uint32_t>(*value);
    identity.routeStatus =
        identity.txDevice == context.device && identity.txPort == context.port ? enRoutePassed : enRouteFailed;
  }
  context.report->identity = identity;
  return static_cast<int32_t>(bytes.size());
}

size_t PayloadDecapsulator::tagLength(std::span<const uint8_t> bytes) const noexcept {
  const bool decode = !bytes.empty() && _signed && (_tagged || bytes[0] != kUntaggedMarker);
  if (!decode) return 0;
  using Tag = PayloadTagWire;
  if (_sequenced && bytes.size() >= static_cast<size_t>(Tag::kSequencedSize)) return Tag::kSequencedSize;
  return std::min(bytes.size(), static_cast<size_t>(Tag::kSize));
}

namespace {

// Whether `size` is one of the payload's sizes.
bool expectedSize(const PayloadConfig& payload, int32_t size) {
  switch (payload.payloadKind()) {
    case PayloadKind::Fixed: {
      const auto& sizes = static_cast<const FixedPayloadConfig&>(payload).sizes();
      return std::find(sizes.begin(), sizes.end(), size) != sizes.end();
    }
    case PayloadKind::Increment: {
      const int32_t step = payload.increment();
      const int32_t from = payload.startSize();
      const int32_t to = payload.endSize();
      if (step == 0) return size == from;
      if (step > 0 ? (size < from || size > to) : (size > from || size < to)) return false;
      return (static_cast<int64_t>(size) - from) % step == 0;
    }
    case PayloadKind::Random:
      return size >= payload.startSize() && size <= payload.endSize();
    default:
      return true;
  }
}

// The payload's sizes as a difference names them.
std::string sizesText(const PayloadConfig& payload) {
  char text[96];
  switch (payload.payloadKind()) {
    case PayloadKind::Fixed: {
      std::string list;
      for (int32_t size : static_cast<const FixedPayloadConfig&>(payload).sizes()) {
        if (!list.empty()) list += ',';
        list += std::to_string(size);
        if (list.size() > 80) return list + ",...";
      }
      return list;
    }
    case PayloadKind::Increment:
      std::snprintf(text, sizeof text, "%d to %d in steps of %d", payload.startSize(), payload.endSize(),
                    payload.increment());
      return text;
    default:
      std::snprintf(text, sizeof text, "%d to %d", payload.startSize(), payload.endSize());
      return text;
  }
}

bool patterned(const PayloadConfig& payload) {
  const PayloadKind kind = payload.payloadKind();
  return kind == PayloadKind::Fixed || kind == PayloadKind::Increment || kind == PayloadKind::Random;
}

}  // namespace

void PayloadDecapsulator::compareContent(ByteView layer, ContentTally& tally, std::string* text) const {
  const PayloadConfig* payload = _payload;
  if (payload == nullptr || !patterned(*payload)) return;
  const std::span<const uint8_t> bytes = layer.bytes();
  const auto size = static_cast<int32_t>(bytes.size());
  char what[96];
  ++tally.compared;
  if (!expectedSize(*payload, size)) {
    ++tally.differing;
    if (text != nullptr && tally.differing <= kContentDifferencesShown) {
      std::snprintf(what, sizeof what, "size is %d, expected ", size);
      appendDifference(text, std::string(what) + sizesText(*payload));
    }
  }
  ++tally.compared;
  const int32_t pattern = payload->patternType();
  for (size_t at = tagLength(bytes); at < bytes.size(); ++at) {
    const uint8_t wanted = PatternPayloadGenerator::payloadByte(pattern, at);
    if (bytes[at] == wanted) continue;
    ++tally.differing;
    if (text != nullptr && tally.differing <= kContentDifferencesShown) {
      std::snprintf(what, sizeof what, "byte %zu is 0x%02x, expected 0x%02x", at, bytes[at], wanted);
      appendDifference(text, what);
    }
    break;
  }
}

// ---- Datalink frame store -----------------------------------------------

void FrameQueue::pushBack(PooledFrame frame) {
  if (_count == _ring.size()) {
    // Twice the room, the frames in order from the start.
    std::vector<PooledFrame> larger(_ring.empty() ? 1 : _ring.size() * 2);
    for (size_t i = 0; i < _count; ++i) larger[i] = std::move(_ring[(_head + i) & (_ring.size() - 1)]);
    _ring = std::move(larger);
    _head = 0;
  }
  _ring[(_head + _count) & (_ring.size() - 1)] = std::move(frame);
  ++_count;
}

PooledFrame FrameQueue::popFront() noexcept {
  PooledFrame frame = std::move(_ring[_head]);
  _head = (_head + 1) & (_ring.size() - 1);
  --_count;
  return frame;
}

void FrameQueue::clear() noexcept {
  while (_count > 0) popFront();
  _head = 0;
}

void FrameQueue::swap(FrameQueue& other) noexcept {
  _ring.swap(other._ring);
  std::swap(_head, other._head);
  std::swap(_count, other._count);
}

size_t DatalinkDecapsulator::slotOf(uint64_t key) const noexcept {
  if (_currentSlot != kNoSlot && _connections[_currentSlot].key == key && !_connections[_currentSlot].frames.empty())
    return _currentSlot;
  for (size_t slot = 0; slot < _connections.size(); ++slot)
    if (_connections[slot].key == key && !_connections[slot].frames.empty()) return slot;
  return kNoSlot;
}

size_t DatalinkDecapsulator::newSlot(uint64_t key, size_t& givenUp) {
  size_t slot = kNoSlot;
  if (_activeConnections >= kMaxConnections) {
    // Room for a new connection: the lowest-keyed one's frames go.
    for (size_t at = 0; at < _connections.size(); ++at) {
      const Connection& c = _connections[at];
      if (!c.frames.empty() && (slot == kNoSlot || c.key < _connections[slot].key)) slot = at;
    }
    FrameQueue& oldest = _connections[slot].frames;
    givenUp += oldest.size();
    _heldCount -= oldest.size();
    oldest.clear();
    --_activeConnections;
  } else {
    for (size_t at = 0; at < _connections.size() && slot == kNoSlot; ++at)
      if (_connections[at].frames.empty()) slot = at;
    if (slot == kNoSlot) {
      _connections.emplace_back();
      slot = _connections.size() - 1;
    }
  }
  _connections[slot].key = key;
  return slot;
}

size_t DatalinkDecapsulator::takeFrame(PooledFrame frame) {
  size_t givenUp = 0;
  const uint64_t key = frame->connection;
  size_t slot = slotOf(key);
  if (slot == kNoSlot) slot = newSlot(key, givenUp);
  _currentSlot = slot;
  FrameQueue& queue = _connections[slot].frames;
  if (_heldCount >= kMaxHeldFrames && !queue.empty()) {
    queue.popFront();
    ++givenUp;
    --_heldCount;
  }
  if (queue.empty()) ++_activeConnections;
  queue.pushBack(std::move(frame));
  ++_heldCount;
  return givenUp;
}

const FrameQueue& DatalinkDecapsulator::currentQueue() const {
  return _currentSlot != kNoSlot ? _connections[_currentSlot].frames : _none;
}

bool DatalinkDecapsulator::isPduComplete() const {
  const FrameQueue& queue = currentQueue();
  return !queue.empty() && queue.back().endsPdu;
}

const CapturedStreamFrame* DatalinkDecapsulator::lastFrame() const {
  const FrameQueue& queue = currentQueue();
  return !queue.empty() ? &queue.back() : nullptr;
}

const FrameQueue& DatalinkDecapsulator::takeCurrent() {
  _taken.clear();
  if (_currentSlot == kNoSlot) return _taken;
  FrameQueue& queue = _connections[_currentSlot].frames;
  if (queue.empty()) return _taken;
  _heldCount -= queue.size();
  --_activeConnections;
  _taken.swap(queue);
  return _taken;
}

CapturedStreamPdu DatalinkDecapsulator::extractPdu(VerifyContext& context) {
  CapturedStreamPdu pdu;
  extractPdu(context, pdu);
  return pdu;
}

size_t DatalinkDecapsulator::releaseCurrent() {
  const size_t count = takeCurrent().size();
  _taken.clear();
  return count;
}

size_t DatalinkDecapsulator::releaseAll() {
  const size_t count = _heldCount;
  for (Connection& connection : _connections) connection.frames.clear();
  _taken.clear();
  _heldCount = 0;
  _activeConnections = 0;
  return count;
}

}  // namespace corvel
