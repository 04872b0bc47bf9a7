#include "corvel/protocols/interpyx/interpyx_decap.h"

#include "corvel/base/text_error.h"

namespace corvel {

namespace {
constexpr int32_t kHeader = InterPyxWire::kSize;
constexpr double kMaxPayload = 8191;
constexpr double kMinPayload = 1;
}  // namespace

InterPyxDecapsulator::InterPyxDecapsulator(const ProtocolConfig& config)
    : Decapsulator(config, "InterPyx", "InterPyx warning, "), _parsed("0000000000000000") {}

int32_t InterPyxDecapsulator::verify(ByteView layer, VerifyContext& context) {
  // There is no trailer: the header alone must fit.
  if (!layer.empty() && layer.size() < static_cast<size_t>(kHeader))
    fail("not enough allocated memory to hold the header");
  const int32_t carried = checkSizes(layer, kHeader, 0, kMaxPayload, kMinPayload);
  const int32_t payload = checkInternalSize(carried, static_cast<int64_t>(layer.value(InterPyxWire::kFrameLength)), context);
  if (payload <= 0) fail("protocol contains no payload.");

  if (warningsOn(context)) {
    const std::pair<void (InterPyxProtocolConfig::*)(int64_t), BitField> stored[] = {
        {&InterPyxProtocolConfig::setCt, InterPyxWire::kCt},
        {&InterPyxProtocolConfig::setPri, InterPyxWire::kPri},
        {&InterPyxProtocolConfig::setSt, InterPyxWire::kSt},
    };
    for (const auto& [setter, field] : stored) {
      try {
        (_parsed.*setter)(static_cast<int64_t>(layer.value(field)));
      } catch (const TextError& refusal) {
        warn(context, refusal.text());
      }
    }
    if (layer.value(InterPyxWire::kSource) == 0) warn(context, "SRC is zero");
    if (layer.value(InterPyxWire::kDestination) == 0) warn(context, "DEST is zero");
  }
  return payload;
}

}  // namespace corvel
