// Encapsulation chains stacked from fuzz input: a payload size, then up to
// eight layers (a layer the stack refuses is left out). Building PDUs may
// throw only message texts, and every frame must carry its slice of the PDU
// at the datalink header's end, with a good frame check sequence where the
// datalink layer has one.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/compressed_header/compressed_header.h"
#include "corvel/protocols/crc32.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/encapsulator_factory.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/rtp/rtp.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/protocols/vlan/vlan.h"

namespace {

using namespace corvel;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : _data(data), _size(size) {}
  bool empty() const { return _at >= _size; }
  uint8_t next() { return _at < _size ? _data[_at++] : 0; }

 private:
  const uint8_t* _data;
  size_t _size;
  size_t _at = 0;
};

std::unique_ptr<ProtocolConfig> layer(uint8_t choice, Input& in) {
  switch (choice % 19) {
    case 0: return std::make_unique<AtmProtocolConfig>("00100640");
    case 1: return std::make_unique<AAL5ProtocolConfig>("aaaa030000000800", "0000000000000000");
    case 2: return std::make_unique<AAL58023ProtocolConfig>("aaaa030080c200070000", "0000000000000000");
    case 3: return std::make_unique<DSlamProtocolConfig>("8000000100100640");
    case 4: return std::make_unique<InterPyxProtocolConfig>("ffff000000010002");
    case 5: return std::make_unique<EthernetProtocolConfig>("0011223344550066778899aa0800", "00000000");
    case 6: {
      const size_t header = in.next() % 64, trailer = in.next() % 8;
      if (header + trailer == 0) return nullptr;
      return std::make_unique<GenericProtocolConfig>(std::string(2 * header, 'c'), std::string(2 * trailer, 'd'));
    }
    case 7: return std::make_unique<IpV4ProtocolConfig>("4500000012344000401100" "00c0a80001c0a80002");
    case 9: return std::make_unique<TcpProtocolConfig>("04d2005000000001000000005018ffff00000000");
    case 10: return std::make_unique<UdpProtocolConfig>("04d2162e00000000");
    case 11:
      return std::make_unique<IpV6ProtocolConfig>("6000000000001140" "20010db8000000000000000000000001"
                                                  "20010db8000000000000000000000002");
    case 12: return std::make_unique<RtpProtocolConfig>("806000010000006412345678");
    case 13: return std::make_unique<VLanProtocolConfig>("0011223344550066778899aa810060640800", "00000000");
    case 14:
      return std::make_unique<XVLanProtocolConfig>("0011223344550066778899aa8100606400" "32aaaa030000000800",
                                                   "00000000");
    case 15: {
      auto c = std::make_unique<CompressedUdpProtocolConfig>();
      if (in.next() & 1) c->setOptions({.udpChecksum = 0x1234, .deltaIpv4Id = 7});
      c->buildHeader(true);
      return c;
    }
    case 16: {
      auto c = std::make_unique<CompressedNonTcpProtocolConfig>();
      c->buildHeader(in.next() & 1);
      return c;
    }
    case 17: {
      auto c = std::make_unique<CompressedRtpProtocolConfig>();
      if (in.next() & 1) c->setOptions({.deltaIpv4Id = 1, .deltaRtpSequence = 2, .deltaRtpTimestamp = 3, .csrcCount = 4});
      c->buildHeader(true);
      return c;
    }
    case 18: return std::make_unique<FullHeaderProtocolConfig>();
    default: return nullptr;
  }
}

void check(bool condition) {
  if (!condition) std::abort();
}

void checkFrames(const GeneratedFrameList& frames, const DataGenerator& builder, bool crc) {
  check(!frames.empty());
  const Encapsulator& link = *builder.chain().back();
  const auto pdu = frames.front().pdu();
  int32_t offset = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    const GeneratedStreamFrame& f = frames[i];
    check(f.fragmentNumber() == static_cast<int32_t>(i + 1) && f.fragmentCount() == static_cast<int32_t>(frames.size()));
    const FrameOrigin& o = f.origin();
    check(o.pduOffset == offset && o.fragmentPayloadLength >= 0);
    check(f.length() == link.headerSize() + o.fragmentPayloadLength + link.padding() + link.trailerSize());
    for (int32_t k = 0; k < o.fragmentPayloadLength; ++k) {
      check(f.data()[static_cast<size_t>(link.headerSize() + k)] == pdu[static_cast<size_t>(offset + k)]);
    }
    offset += o.fragmentPayloadLength;
    if (crc && link.hasFrameCheck()) check(EthernetFcs::shared().compute(f.data()) == 0x2144DF1Cu);
    if (link.kind() == ProtocolKind::Atm) check(f.length() == 52);
  }
  check(offset == static_cast<int32_t>(pdu.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const uint8_t flags = in.next();
  const int32_t payloadSize = 1 + ((in.next() << 8) | in.next()) % 2048;
  try {
    FixedPayloadConfig payload(std::to_string(payloadSize), 2);
    payload.setPatternType(flags & 2 ? 2 : 1);
    if (flags & 4) payload.setTxPort(flags >> 5, 3);
    ProtocolStack stack("fuzz");
    stack.addProtocol(payload);
    for (int layers = 0; layers < 8 && !in.empty();) {
      std::unique_ptr<ProtocolConfig> config = layer(in.next(), in);
      if (!config) continue;
      try {
        stack.addProtocol(*config);
        ++layers;
      } catch (const TextError&) {
      }
    }
    if (!stack.at(stack.count() - 1).isDatalink()) return 0;
    ChainSettings settings;
    settings.computeCrc = flags & 1;
    settings.streamIndex = flags >> 3;
    auto builder = buildFrameBuilder(stack, settings);
    for (int pdu = 1; pdu <= 3; ++pdu) {
      const GeneratedFrameList frames = builder->generate(pdu);
      if (frames.empty()) break;
      checkFrames(frames, *builder, settings.computeCrc);
    }
  } catch (const TextError&) {
  }
  return 0;
}
