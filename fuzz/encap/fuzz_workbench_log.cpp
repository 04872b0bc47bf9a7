// A workbench log file of arbitrary bytes, read as a two-iteration stream
// with every combination of the skip flags: only the file-naming texts may
// be thrown, and every packet must fit the reader's bound.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/protocols/encapsulator_factory.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/workbench_log.h"

namespace {

const std::string& scratchFile() {
  static const std::string path = "/tmp/corvel_fuzz_wblog_" + std::to_string(getpid()) + ".txt";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  {
    FILE* out = std::fopen(scratchFile().c_str(), "wb");
    if (out == nullptr) return 0;
    std::fwrite(data + 1, 1, size - 1, out);
    std::fclose(out);
  }
  using namespace corvel;
  try {
    ProtocolStack stack("fuzz");
    stack.addProtocol(WorkbenchLogPayloadConfig(scratchFile(), flags & 1, flags & 2, 2));
    stack.addProtocol(GenericProtocolConfig("ab", ""));
    ChainSettings settings;
    auto builder = buildFrameBuilder(stack, settings);
    for (int pdu = 1; pdu <= 64; ++pdu) {
      const GeneratedFrameList frames = builder->generate(pdu);
      if (frames.empty()) break;
      if (frames.size() != 1 || frames[0].length() < 1 ||
          static_cast<size_t>(frames[0].length()) > WorkbenchLogPacketEncapsulator::kMaxPacketSize) {
        std::abort();
      }
    }
  } catch (const TextError&) {
  }
  return 0;
}
