// A capture file of arbitrary bytes (after one byte of flags: bit 0 adds the
// FCS, bit 1 keeps the recorded timing), parsed and, when accepted, replayed
// twice through the pcap stream's frame builder. Only TextError may be
// thrown; every record must lie inside the image and within the bound, and
// every frame must be its record (padded and with an FCS when asked).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "corvel/base/capture_file.h"
#include "corvel/base/text_error.h"
#include "corvel/protocols/encapsulator_factory.h"
#include "corvel/protocols/pcap_stream/pcap_stream.h"
#include "corvel/protocols/protocol_stack.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  using namespace corvel;
  const uint8_t flags = data[0];
  auto trace = std::make_shared<CaptureTrace>();
  trace->name = "fuzz";
  trace->image.assign(data + 1, data + size);
  try {
    parseCaptureImage(*trace);
  } catch (const TextError&) {
    return 0;
  }
  check(!trace->records.empty());
  for (const CaptureRecord& record : trace->records) {
    check(record.size <= CaptureTrace::kMaxRecordBytes);
    check(record.offset <= trace->image.size() && trace->image.size() - record.offset >= record.size);
    check(record.nanoseconds >= 0);
  }
  const PcapFcs fcs = (flags & 1) && trace->linkType == CaptureTrace::kLinkTypeEthernet ? PcapFcs::Add : PcapFcs::Keep;
  const PcapTiming timing = (flags & 2) ? PcapTiming::Recorded : PcapTiming::Port;
  try {
    ProtocolStack stack("fuzz");
    stack.addProtocol(PcapStreamConfig(trace, fcs, timing, 2));
    ChainSettings settings;
    auto builder = buildFrameBuilder(stack, settings);
    const size_t total = trace->records.size() * 2;
    for (size_t pdu = 0; pdu <= total && pdu < 256; ++pdu) {
      const GeneratedFrameList frames = builder->generate(static_cast<int32_t>(pdu + 1));
      if (frames.empty()) {
        check(pdu == total);
        break;
      }
      check(frames.size() == 1);
      const std::span<const uint8_t> record = trace->bytes(trace->records[pdu % trace->records.size()]);
      const std::span<const uint8_t> sent = frames[0].data();
      if (fcs == PcapFcs::Keep) {
        check(sent.size() == record.size() && std::memcmp(sent.data(), record.data(), record.size()) == 0);
      } else {
        check(sent.size() == std::max<size_t>(record.size(), 60) + 4);
        check(std::memcmp(sent.data(), record.data(), record.size()) == 0);
      }
    }
  } catch (const TextError&) {
  }
  return 0;
}
