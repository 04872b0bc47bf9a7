#include "corvel/tcs/tcs_payload_protocol.h"

#include "corvel/protocols/payload_config.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr std::string_view kUnit = "TcsPayloadProtocol";

int32_t intOrOne(const xmlNode* node, std::string_view name) {
  return intAttribute(node, name).value_or(1);
}

// A skip flag: set unless its text is "0"; clear when absent.
bool flagAttribute(const xmlNode* node, std::string_view name) {
  const std::optional<std::string> text = GetAttributeText(node, name);
  return text && *text != "0";
}

// The iterations go in after construction (every payload is built with one
// iteration), so that a refused count is told apart from a refused size.
template <class Config>
std::unique_ptr<Config> withIterations(std::unique_ptr<Config> config, const xmlNode* node) {
  const PlaceScope place(node, "iterations");
  config->setIterations(intOrOne(node, "iterations"));
  return config;
}

// signature="0": the stream's PDUs come from elsewhere (a capture of real
// traffic) and carry no payload tag. Only a capture stream reads tags, so a
// generating stream ignores the attribute: it writes a tag exactly when it
// names a tx_port (ProtocolReaderTest.SignatureOnlyOnCaptureSets).
void applySignature(PayloadConfig& config, const ProtocolElement& element) {
  if (element.setType != enSetTypeCapture) return;
  const PlaceScope place(element.node, "signature");
  if (intAttribute(element.node, "signature") == 0) config.setCarriesSignature(false);
}

// sequence="1" numbers the stream's PDUs after the tag, on a generating
// stream and on the capture stream that reads it back.
void applySequence(PayloadConfig& config, const ProtocolElement& element) {
  const PlaceScope place(element.node, "sequence");
  if (intAttribute(element.node, "sequence") == 1) config.setSequenced(true);
}

ProtocolPtr withGroups(std::unique_ptr<PayloadConfig> config, const ProtocolElement& element) {
  const xmlNode* node = element.node;
  applyShapeGroup(*config, node);
  applyPayloadGroup(*config, node);
  applyPoliceGroup(*config, node);
  applySignature(*config, element);
  applySequence(*config, element);
  return config;
}

}  // namespace

ProtocolPtr readIncrementPayload(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    // The sizes and the increment are checked against each other: a refusal
    // names the element.
    auto config = std::make_unique<IncrementPayloadConfig>(
        intOrOne(node, "start_size"), intOrOne(node, "end_size"), intOrOne(node, "incr"), 1);
    return withGroups(withIterations(std::move(config), node), element);
  });
}

ProtocolPtr readFixedPayload(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    const std::string sizes = GetAttributeText(node, "size").value_or("1");
    // A capture stream may expect PDUs without payload bytes (size="0").
    const EmptyPayload empty = element.setType == enSetTypeCapture ? EmptyPayload::Allowed : EmptyPayload::Refused;
    std::unique_ptr<FixedPayloadConfig> config;
    {
      const PlaceScope place(node, "size");
      config = std::make_unique<FixedPayloadConfig>(sizes, 1, empty);
    }
    return withGroups(withIterations(std::move(config), node), element);
  });
}

ProtocolPtr readRandomPayload(TcsManager& /*manager*/, const ProtocolElement& element) {
  const xmlNode* node = element.node;
  auto config = std::make_unique<RandomPayloadConfig>(intOrOne(node, "min_size"),
                                                      intOrOne(node, "max_size"), 1);
  return withGroups(withIterations(std::move(config), node), element);
}

ProtocolPtr readWorkbenchLogPayload(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    const std::optional<std::string> fileName = GetAttributeText(node, "filename");
    if (!fileName) return nullptr;
    return withIterations(
        std::make_unique<WorkbenchLogPayloadConfig>(*fileName, flagAttribute(node, "skipFirstLine"),
                                                    flagAttribute(node, "skipLineNumbers"), 1),
        node);
  });
}

}  // namespace corvel
