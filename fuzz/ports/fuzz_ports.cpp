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
// scratch directory is emptied after every input (fuzz/scratch_directory.h).
// Loop tables whose loops would run very long are passed over too, as in the
// streams fuzzer.
#include <libxml/tree.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "corvel/base/text_error.h"
#include "corvel/host/corvel.h"
#include "fuzz/host_port.h"
#include "corvel/xml/tcs_document.h"
#include "fuzz/scratch_directory.h"
#include "pyx/simhost_api.h"

namespace {

using corvel_fuzz::HostPort;

std::unique_ptr<corvel::fuzz::ScratchDirectory> g_scratch;

void dropConsole(void*, const char*, int) {}

constexpr uint32_t kByteRequests = 2048;  // per receive port

void runTraffic() {
  // The host's records: the controller caches the port objects in them.
  corvel::WorkbenchPort receive[] = {HostPort(1, 0, 8), HostPort(1, 1, 0)};
  corvel::WorkbenchPort transmit[] = {HostPort(0, 2, 0), HostPort(0, 3, 0)};
  corvel::Corvel controller;
  for (const corvel::WorkbenchPort& record : receive) controller.registerPort(record);
  for (const corvel::WorkbenchPort& record : transmit) controller.registerPort(record);
  try {
    if (!controller.LoadTcs(g_scratch->runFile().c_str())) return;
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  simhost_set_console_sink(dropConsole, nullptr);
  g_scratch = std::make_unique<corvel::fuzz::ScratchDirectory>("fuzz_ports");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using corvel::fuzz::ScratchDirectory;
  if (!g_scratch->ok() || !g_scratch->writeInput(data, size)) return 0;
  {
    corvel::TcsDocument document;
    try {
      corvel::LoadDocument(document, g_scratch->inputFile());
    } catch (const corvel::TextError&) {
      return 0;
    }
    if (corvel::fuzz::hasLongLoop(document) || ScratchDirectory::hasLogPath(document)) return -1;
    if (!g_scratch->moveLogsHere(document)) return -1;
    if (xmlSaveFile(g_scratch->runFile().c_str(), document.document()) < 0) return 0;
  }
  runTraffic();
  g_scratch->empty();
  return 0;
}
