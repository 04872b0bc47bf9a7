#include "corvel/tcs/tcs_payload_protocol.h"

#include "corvel/protocols/payload_config.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr std::string_view kUnit = "TcsPayloadProtocol";

int32_t IntOrOne(const xmlNode* node, std::string_view name) {
  return IntAttribute(node, name).value_or(1);
}

// A skip flag: set unless its text is "0"; clear when absent.
bool Flag(const xmlNode* node, std::string_view name) {
  const std::optional<std::string> text = GetAttributeText(node, name);
  return text && *text != "0";
}

// The iterations go in after construction (every payload is built with one
// iteration), so that a refused count is told apart from a refused size.
template <class Config>
std::unique_ptr<Config> WithIterations(std::unique_ptr<Config> config, const xmlNode* node) {
  const PlaceScope place(node, "iterations");
  config->setIterations(IntOrOne(node, "iterations"));
  return config;
}

ProtocolPtr WithGroups(std::unique_ptr<PayloadConfig> config, const xmlNode* node) {
  ApplyShapeGroup(*config, node);
  ApplyPayloadGroup(*config, node);
  ApplyPoliceGroup(*config, node);
  return config;
}

}  // namespace

ProtocolPtr ReadIncrementPayload(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    // The sizes and the increment are checked against each other: a refusal
    // names the element.
    auto config = std::make_unique<IncrementPayloadConfig>(
        IntOrOne(node, "start_size"), IntOrOne(node, "end_size"), IntOrOne(node, "incr"), 1);
    return WithGroups(WithIterations(std::move(config), node), node);
  });
}

ProtocolPtr ReadFixedPayload(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    const std::string sizes = GetAttributeText(node, "size").value_or("1");
    std::unique_ptr<FixedPayloadConfig> config;
    {
      const PlaceScope place(node, "size");
      config = std::make_unique<FixedPayloadConfig>(sizes, 1);
    }
    return WithGroups(WithIterations(std::move(config), node), node);
  });
}

ProtocolPtr ReadRandomPayload(TcsManager& /*manager*/, const ProtocolElement& element) {
  const xmlNode* node = element.node;
  auto config = std::make_unique<RandomPayloadConfig>(IntOrOne(node, "min_size"),
                                                      IntOrOne(node, "max_size"), 1);
  return WithGroups(WithIterations(std::move(config), node), node);
}

ProtocolPtr ReadWorkbenchLogPayload(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    const std::optional<std::string> fileName = GetAttributeText(node, "filename");
    if (!fileName) return nullptr;
    return WithIterations(
        std::make_unique<WorkbenchLogPayloadConfig>(*fileName, Flag(node, "skipFirstLine"),
                                                    Flag(node, "skipLineNumbers"), 1),
        node);
  });
}

}  // namespace corvel
