#include "corvel/tcs/tcs_payload_protocol.h"

#include "corvel/protocols/payload/payload_config.h"
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

namespace {

AttributeDoc sizeDoc(const char* name, const char* doc) {
  return {name, "int", "1 to 2^31 - 1", "1", "bytes", doc, "64"};
}

// What every payload form takes besides its sizes.
void describeCommonPayload(AttributeDocs& out) {
  out.push_back({"iterations", "int", "1 to 2^31 - 1", "1", "", "how many times the payload's sizes are gone through",
                 "10"});
  describeShapeGroup(out);
  describePayloadGroup(out);
  describePoliceGroup(out);
  out.push_back({"signature", "int", "0 or 1", "1", "",
                 "capture sets only: 0 when the PDUs carry no payload tag (traffic from elsewhere)", "0"});
  out.push_back({"sequence", "int", "0 or 1", "0", "", "1 numbers the stream's PDUs after the payload tag", "1"});
}

}  // namespace

void describeIncrementPayload(AttributeDocs& out) {
  out.push_back(sizeDoc("start_size", "size of the first PDU's payload"));
  out.push_back(sizeDoc("end_size", "size of the last PDU's payload"));
  out.push_back(sizeDoc("incr", "size step from one PDU to the next"));
  describeCommonPayload(out);
}

void describeFixedPayload(AttributeDocs& out) {
  out.push_back({"size", "text", "sizes of 1 to 2^31 - 1, separated by commas (0 allowed in capture sets)", "1",
                 "bytes", "the payload sizes, used in turn", "64,128"});
  describeCommonPayload(out);
}

void describeRandomPayload(AttributeDocs& out) {
  out.push_back(sizeDoc("min_size", "smallest payload"));
  out.push_back(sizeDoc("max_size", "largest payload"));
  describeCommonPayload(out);
}

void describeWorkbenchLogPayload(AttributeDocs& out) {
  out.push_back({"filename", "text", "a file name", "none (the element makes nothing)", "",
                 "the workbench log whose frames are the payloads", "frames.log"});
  out.push_back({"skipFirstLine", "flag", "0 or any other text", "not set", "", "passes over the log's first line",
                 "1"});
  out.push_back({"skipLineNumbers", "flag", "0 or any other text", "not set", "",
                 "passes over the line number at the start of every line", "1"});
  out.push_back({"iterations", "int", "1 to 2^31 - 1", "1", "", "how many times the log is gone through", "1"});
}

}  // namespace corvel
