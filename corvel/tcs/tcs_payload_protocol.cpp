#include "corvel/tcs/tcs_payload_protocol.h"

#include "corvel/protocols/payload_config.h"
#include "corvel/tcs/xml_access.h"

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
    return WithGroups(std::make_unique<IncrementPayloadConfig>(
                          IntOrOne(node, "start_size"), IntOrOne(node, "end_size"),
                          IntOrOne(node, "incr"), IntOrOne(node, "iterations")),
                      node);
  });
}

ProtocolPtr ReadFixedPayload(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    const std::string sizes = GetAttributeText(node, "size").value_or("1");
    return WithGroups(std::make_unique<FixedPayloadConfig>(sizes, IntOrOne(node, "iterations")),
                      node);
  });
}

ProtocolPtr ReadRandomPayload(TcsManager& /*manager*/, const ProtocolElement& element) {
  const xmlNode* node = element.node;
  return WithGroups(std::make_unique<RandomPayloadConfig>(IntOrOne(node, "min_size"),
                                                          IntOrOne(node, "max_size"),
                                                          IntOrOne(node, "iterations")),
                    node);
}

ProtocolPtr ReadWorkbenchLogPayload(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    const std::optional<std::string> fileName = GetAttributeText(node, "filename");
    if (!fileName) return nullptr;
    return std::make_unique<WorkbenchLogPayloadConfig>(*fileName, Flag(node, "skipFirstLine"),
                                                       Flag(node, "skipLineNumbers"),
                                                       IntOrOne(node, "iterations"));
  });
}

}  // namespace corvel
