// Arbitrary bytes as a TCS file with ports. The controller registers two
// receive and two transmit ports, loads the file as the console command
// does, starts the ports and serves a bounded number of byte requests on
// each receive port, handing every delivered byte to a transmit port. Nothing
// may crash, leak or throw anything but a message text.
//
// Log directories come from the input, and the logs must land in a scratch
// directory and nowhere else: the input is parsed first, every log-directory
// attribute (a name ending in "_dir") gets the scratch directory in front of
// its value, and the controller loads the document saved from that. An input
// whose log-directory value holds a path separator is passed over. The
// scratch directory is emptied after every input. Loop tables whose loops
// would run very long are passed over too, as in the streams fuzzer.
#include <libxml/tree.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "corvel/base/text_error.h"
#include "corvel/host/corvel.h"
#include "corvel/tcs/tcs_document.h"
#include "corvel/tcs/xml_access.h"
#include "pyx/simhost_api.h"

namespace {

std::filesystem::path g_scratch;
std::string g_inputFile;  // the fuzzer's bytes
std::string g_runFile;    // the document the controller loads

void DropConsole(void*, const char*, int) {}

bool WriteInput(const uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(g_inputFile.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

constexpr int64_t kMaxLoopValues = 64;
constexpr uint32_t kByteRequests = 2048;  // per receive port

bool IsLogDirectory(std::string_view name) { return name.ends_with("_dir"); }

// True when a loop of the document runs more than kMaxLoopValues times, or a
// log-directory value holds a path separator.
bool PassOver(const corvel::TcsDocument& document) {
  using namespace corvel;
  for (xmlNode* loop : SelectNodes(document.documentNode(), "//for | //loop")) {
    bool found = false;
    const int64_t first = GetAttributeInt(loop, "first", found);
    const int64_t last = GetAttributeInt(loop, "last", found);
    const int64_t incr = GetAttributeInt(loop, "incr", found);
    if (last < first) continue;
    if (incr <= 0 || (last - first) / incr >= kMaxLoopValues) return true;
  }
  for (xmlNode* element : SelectNodes(document.documentNode(), "//*")) {
    for (const auto& [name, value] : GetAttributeList(element)) {
      if (IsLogDirectory(name) && value.find_first_of("/\\") != std::string::npos) return true;
    }
  }
  return false;
}

// Every log directory under the scratch directory; false when a value could
// not be written back.
bool MoveLogsToScratch(const corvel::TcsDocument& document) {
  using namespace corvel;
  for (xmlNode* element : SelectNodes(document.documentNode(), "//*")) {
    for (const auto& [name, value] : GetAttributeList(element)) {
      if (!IsLogDirectory(name)) continue;
      if (!SetAttribute(element, name, g_scratch.string() + "/" + value)) return false;
    }
  }
  return true;
}

corvel::WorkbenchPort HostPort(int32_t direction, int32_t port, int32_t gap) {
  corvel::WorkbenchPort record;
  record.direction = direction;
  record.device = 0;
  record.port = port;
  record.rate = 100;
  record.interpacketTime = gap;
  record.mediaBusClockFrequency = 66;
  return record;
}

void RunTraffic() {
  // The host's records: the controller caches the port objects in them.
  corvel::WorkbenchPort receive[] = {HostPort(1, 0, 8), HostPort(1, 1, 0)};
  corvel::WorkbenchPort transmit[] = {HostPort(0, 2, 0), HostPort(0, 3, 0)};
  corvel::Corvel controller;
  for (const corvel::WorkbenchPort& record : receive) controller.RegisterPort(record);
  for (const corvel::WorkbenchPort& record : transmit) controller.RegisterPort(record);
  try {
    if (!controller.LoadTcs(g_runFile.c_str())) return;
  } catch (const corvel::TextError&) {
    return;  // reported on the console and thrown on to the console command
  }
  if (!controller.InitializeStreams()) return;
  for (uint32_t cycle = 0; cycle < kByteRequests; ++cycle) {
    for (int index = 0; index < 2; ++index) {
      uint8_t delivered = 0;
      uint8_t byte = 0;
      uint8_t endOfPacket = 0;
      controller.OnGetNextByte(&receive[index], delivered, cycle, byte, endOfPacket);
      if (delivered) controller.OnSendNextByte(&transmit[index], cycle, byte, endOfPacket);
      if (endOfPacket) controller.GetInterpacketTime(&receive[index]);
    }
  }
  controller.Stop();
}

void EmptyScratch() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(g_scratch, error)) {
    if (entry.path() != g_inputFile && entry.path() != g_runFile)
      std::filesystem::remove_all(entry.path(), error);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  simhost_set_console_sink(DropConsole, nullptr);
  char pattern[] = "/tmp/fuzz_ports_XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 0;
  g_scratch = pattern;
  g_inputFile = (g_scratch / "input.tcs").string();
  g_runFile = (g_scratch / "run.tcs").string();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (g_inputFile.empty() || !WriteInput(data, size)) return 0;
  {
    corvel::TcsDocument document;
    try {
      corvel::LoadDocument(document, g_inputFile);
    } catch (const corvel::TextError&) {
      return 0;
    }
    if (PassOver(document)) return -1;
    if (!MoveLogsToScratch(document)) return -1;
    if (xmlSaveFile(g_runFile.c_str(), document.document()) < 0) return 0;
  }
  RunTraffic();
  EmptyScratch();
  return 0;
}
