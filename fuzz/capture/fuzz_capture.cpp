// A TCS file and the bytes a processor sends, both from the fuzzer: the
// input's first two bytes give the length of the TCS part (little endian),
// the rest are (byte, flags) pairs, bit 0 of flags the end-of-frame flag.
// The controller registers receive port 0/0 and transmit port 0/1, loads and
// starts, and every byte goes to the transmit port, while the receive port
// is asked for a byte as often: what it sends is what the transmit port's
// per-stream accounting (sequence numbers included) counts against, and the
// run report at the end sums it up. Nothing may crash, read out of bounds, leak or
// throw anything but a message text. Inputs whose TCS part could name a log
// directory are passed over, so no file is written outside the run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/base/text_error.h"
#include "corvel/host/corvel.h"
#include "fuzz/host_port.h"
#include "fuzz/scratch_directory.h"
#include "pyx/simhost_api.h"

namespace {

using corvel_fuzz::HostPort;

std::unique_ptr<corvel::fuzz::ScratchDirectory> g_scratch;

void dropConsole(void*, const char*, int) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  simhost_set_console_sink(dropConsole, nullptr);
  g_scratch = std::make_unique<corvel::fuzz::ScratchDirectory>("fuzz_capture");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (!g_scratch->ok() || size < 2) return 0;
  const size_t tcsSize = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
  const std::string_view tcs(reinterpret_cast<const char*>(data + 2), tcsSize);
  if (tcs.find("_dir") != std::string_view::npos) return 0;
  if (!g_scratch->writeInput(tcs.data(), tcs.size())) return 0;

  corvel::Corvel controller;
  corvel::WorkbenchPort rx = HostPort(1, 0);
  corvel::WorkbenchPort tx = HostPort(0, 1);
  controller.registerPort(rx);
  controller.registerPort(tx);
  try {
    if (!controller.LoadTcs(g_scratch->inputFile().c_str())) return 0;
  } catch (const corvel::TextError&) {
    return 0;
  }
  if (!controller.InitializeStreams()) return 0;
  const uint8_t* bytes = data + 2 + tcsSize;
  const size_t pairs = (size - 2 - tcsSize) / 2;
  for (size_t i = 0; i < pairs; ++i) {
    uint8_t delivered = 0, byte = 0, endOfPacket = 0;
    controller.OnGetNextByte(&rx, delivered, static_cast<uint32_t>(i), byte, endOfPacket);
    controller.OnSendNextByte(&tx, static_cast<uint32_t>(i), bytes[2 * i], bytes[2 * i + 1] & 1);
  }
  controller.closeRun(1);
  return 0;
}
