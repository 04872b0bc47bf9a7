// Arbitrary bytes as a TCS file. The controller loads it as the console
// command does, with one receive and one transmit port registered: the load
// must end in one of its states or a thrown message text. Protocol elements
// are reached by a load only through the stream sets that name them, so each
// element under a protocols list is also read through a TCS manager in both
// modes, a fresh manager each time so that one error does not hide the rest.
// Finally every accessor must cope with whatever loaded. The bytes go through
// a file because the load reads TCS files by name.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "corvel/host/corvel.h"
#include "fuzz/host_port.h"
#include "corvel/base/text_error.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/xml_access.h"
#include "fuzz/scratch_directory.h"
#include "pyx/simhost_api.h"

namespace {

using corvel_fuzz::HostPort;

std::unique_ptr<corvel::fuzz::ScratchDirectory> g_scratch;

void dropConsole(void*, const char*, int) {}

// Protocol elements read per input; more than any fixture has.
constexpr std::size_t kMaxProtocolElements = 256;

void loadThroughController() {
  corvel::Corvel controller;
  controller.registerPort(HostPort(1, 1));
  controller.registerPort(HostPort(0, 2));
  try {
    controller.LoadTcs(g_scratch->inputFile().c_str());
  } catch (const corvel::TextError&) {
    // Reported on the console and thrown on to the console command.
  }
}

void readProtocolElements(corvel::TcsDocument& document) {
  using namespace corvel;
  std::size_t read = 0;
  for (xmlNode* element : selectNodes(document.documentNode(), "//protocols/*")) {
    if (++read > kMaxProtocolElements) break;
    const std::string name = GetNodeName(element).value_or("");
    for (const int32_t mode : {enReadModeValue, enReadModeMask}) {
      TcsManager manager(document);
      manager.readRootAttributes();
      const int32_t setType = mode == enReadModeMask ? enSetTypeCapture : enSetTypeGenerate;
      manager.CreateProtocol(element, name, setType, mode);
    }
  }
}

// What the section readers do: select sections, walk children, read and
// convert attributes, split fields, copy and change elements.
void exerciseAccessors(const corvel::TcsDocument& document) {
  using namespace corvel;
  static const char* const kPaths[] = {
      "//corvel",          "//corvel/type_definitions", "//corvel/table_entries",
      "//corvel//policies", "//corvel/policies/policy_set", "//corvel/streams/stream_set",
      "//corvel/rx_ports", "//corvel/tx_ports",        "./..",
  };
  for (const char* path : kPaths) {
    selectSingleNode(document.documentNode(), path);
    selectNodes(document.documentNode(), path);
  }
  const std::vector<xmlNode*> elements = selectNodes(document.documentNode(), "//*");
  std::size_t visited = 0;
  for (xmlNode* element : elements) {
    if (++visited > 64) break;
    const std::optional<std::string> name = GetNodeName(element);
    GetNodeText(element);
    for (xmlNode* child : getChildNodes(element)) {
      GetNodeName(child);
      GetNodeValue(child);
    }
    for (const auto& [attribute, value] : getAttributeList(element)) {
      bool found = false;
      GetAttributeInt(element, attribute, found);
      GetAttributeDouble(element, attribute, found);
      GetAttributeText(element, attribute);
      IsHexString(value);
      for (int32_t n = 0; n <= 3; ++n) getFieldInt(value, n);
    }
    if (name) selectSingleNode(element, "//corvel/type_definitions/" + *name + ".declare");
    selectSingleNode(element, "./..");
    if (visited == 1) {
      corvel::NodeCopy copy = cloneNode(element);
      if (copy) SetAttribute(copy.get(), "instance_id", "1");
    }
    SetAttribute(element, "src_addr", "10.0.0.1");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  simhost_set_console_sink(dropConsole, nullptr);
  g_scratch = std::make_unique<corvel::fuzz::ScratchDirectory>("fuzz_tcs");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (!g_scratch->ok() || !g_scratch->writeInput(data, size)) return 0;
  // The port readers create log files wherever a *_dir attribute points;
  // inputs that could name one are loaded without ports (fuzz_ports covers
  // the port readers with a scratch directory).
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find("_dir") == std::string::npos && text.find('&') == std::string::npos) loadThroughController();
  corvel::TcsDocument document;
  try {
    corvel::LoadDocument(document, g_scratch->inputFile());
  } catch (const corvel::TextError&) {
    return 0;
  }
  // Before the accessors, which change attributes.
  readProtocolElements(document);
  exerciseAccessors(document);
  return 0;
}
