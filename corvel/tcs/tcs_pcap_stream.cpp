#include "corvel/tcs/tcs_pcap_stream.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "corvel/base/capture_file.h"
#include "corvel/protocols/pcap_stream/pcap_stream.h"
#include "corvel/tcs/tcs_table_loop.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr std::string_view kUnit = "TcsPcapStream";

// One of two words, or the default when the attribute is absent.
template <class Choice>
Choice choice(const xmlNode* node, std::string_view name, std::string_view first, Choice firstChoice,
              std::string_view second, Choice secondChoice) {
  const std::optional<std::string> text = GetAttributeText(node, name);
  if (!text || *text == first) return firstChoice;
  if (*text == second) return secondChoice;
  const PlaceScope place(node, name);
  throw TextError(std::string(name) + " must be " + std::string(first) + " or " + std::string(second));
}

std::string resolvedPath(TcsManager& manager, const std::string& file) {
  const std::filesystem::path path(file);
  if (path.is_absolute()) return file;
  const std::filesystem::path tcs(manager.document().fileName());
  return (tcs.parent_path() / path).lexically_normal().string();
}

}  // namespace

ProtocolPtr readPcapStream(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    if (element.isMask()) throw TextError("a pcap stream is no flow key");
    if (element.setType == enSetTypeCapture) throw TextError("a pcap stream sends frames: not in a capture set");
    if (node->parent != nullptr && childElements(node->parent).size() != 1)
      throw TextError("a pcap stream is the only protocol of its stream");
    const std::optional<std::string> file = GetAttributeText(node, "file");
    if (!file) throw TextError("a pcap stream needs a file");
    const PcapFcs fcs = choice(node, "fcs", "keep", PcapFcs::Keep, "add", PcapFcs::Add);
    const PcapTiming timing = choice(node, "timing", "recorded", PcapTiming::Recorded, "port", PcapTiming::Port);
    const int32_t iterations = intAttribute(node, "iterations").value_or(1);
    if (iterations < 1) {
      const PlaceScope place(node, "iterations");
      throw TextError("iterations must be 1 or more");
    }
    const PlaceScope place(node, "file");
    const std::string path = resolvedPath(manager, *file);
    auto trace = std::make_shared<const CaptureTrace>(readCaptureFile(path, path));
    if (fcs == PcapFcs::Add && trace->linkType != CaptureTrace::kLinkTypeEthernet)
      throw TextError("fcs=\"add\" needs Ethernet records; " + path + " has link type " +
                      std::to_string(trace->linkType));
    return std::make_unique<PcapStreamConfig>(std::move(trace), fcs, timing, iterations);
  });
}

void describePcapStream(AttributeDocs& out) {
  out.push_back({"file", "text", "a pcap or pcapng file, relative to the TCS file", "none (required)", "",
                 "the records replayed as the stream's frames", "capture.pcap"});
  out.push_back({"fcs", "choice", "keep or add", "keep", "", "add appends an FCS to every Ethernet record", "add"});
  out.push_back({"timing", "choice", "recorded or port", "recorded", "",
                 "recorded keeps the records' spacing, port leaves it to the port", "port"});
  out.push_back({"iterations", "int", "1 to 2^31 - 1", "1", "", "how many times the file is replayed", "2"});
}

}  // namespace corvel
