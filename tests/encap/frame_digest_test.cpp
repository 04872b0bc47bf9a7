// Every byte the frame builder hands out, for long runs of PDUs over every
// kind of stack, folded into one FNV-1a digest per case. The digests were
// taken from the builder before its buffers were reused between PDUs; they
// pin down frame bytes, PDU bytes and frame records alike, including runs
// whose sizes shrink after large PDUs (stale bytes of an earlier PDU must
// never show). The same digest must come out whether the caller drops every
// frame list at once or keeps all of them alive until the end.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "corvel/base/random.h"
#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/compressed_header/compressed_header.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/rtp/rtp.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/protocols/vlan/vlan.h"
#include "encap_support.h"

namespace corvel {
namespace {

using namespace corvel::test;

// 64-bit FNV-1a over bytes and over little-endian integers.
class Digest {
 public:
  void bytes(std::span<const uint8_t> data) {
    for (uint8_t b : data) byte(b);
  }
  void number(int64_t n) {
    for (int i = 0; i < 8; ++i) byte(static_cast<uint8_t>(static_cast<uint64_t>(n) >> (8 * i)));
  }
  uint64_t value() const { return _value; }

 private:
  void byte(uint8_t b) { _value = (_value ^ b) * 0x100000001b3ull; }

  uint64_t _value = 0xcbf29ce484222325ull;
};

void addFrames(Digest& digest, const GeneratedFrameList& frames) {
  digest.number(static_cast<int64_t>(frames.size()));
  for (const GeneratedStreamFrame& f : frames) {
    digest.number(f.kind());
    digest.number(f.length());
    digest.bytes(f.data());
    const FrameOrigin& o = f.origin();
    digest.number(static_cast<int64_t>(o.datalinkKind));
    digest.number(o.streamIndex);
    digest.number(o.callerValue);
    digest.number(o.fragmentPayloadLength);
    digest.number(o.fragmentNumber);
    digest.number(o.fragmentCount);
    digest.number(o.pduOffset);
    digest.number(f.isFirst());
    digest.number(f.isLast());
    digest.number(static_cast<int64_t>(f.pdu().size()));
    digest.bytes(f.pdu());
  }
}

FixedPayloadConfig fixed(const char* sizes, int32_t pattern) {
  FixedPayloadConfig p(sizes, 1);
  p.setPatternType(pattern);
  p.setTxPort(1, 2);
  return p;
}

// Sizes climbing to a maximum and falling back, so that small PDUs follow
// large ones.
IncrementPayloadConfig upAndDown(int32_t from, int32_t to, int32_t step, int32_t pattern) {
  IncrementPayloadConfig p(from, to, step, 1);
  p.setPatternType(pattern);
  p.setTxPort(3, 17);
  return p;
}

RandomPayloadConfig randomSizes(int32_t min, int32_t max, int32_t count) {
  RandomPayloadConfig p(min, max, count);
  p.setPatternType(2);
  p.setTxPort(0, 5);
  return p;
}

constexpr std::string_view kAtm = "00100640";
constexpr std::string_view kAal5Header = "aaaa03" "000000" "0800";
constexpr std::string_view kAal5Trailer = "0000" "0000" "00000000";
constexpr std::string_view kVlan = "001122334455" "0066778899aa" "8100" "6064" "0800";
constexpr std::string_view kXvlan = "001122334455" "0066778899aa" "8100" "6064" "0032" "aaaa03" "0000000800";

CompressedRtpProtocolConfig compressedRtp() {
  CompressedRtpProtocolConfig rtp;
  rtp.setOptions({.udpChecksum = 0x1234});
  rtp.buildHeader(true);
  rtp.setContextId(0x0102);
  return rtp;
}

FullHeaderProtocolConfig fullHeader() {
  FullHeaderProtocolConfig full;
  full.setGeneration(3);
  full.setSequence(2);
  full.setContextId(0x0abc);
  return full;
}

ContextStateProtocolConfig contextState() {
  ContextStateProtocolConfig message(2);
  message.setContextId(0, 0x0102);
  message.setSequence(1, 3);
  return message;
}

struct DigestCase {
  const char* name;
  std::function<ProtocolStack()> stack;
  bool crc;
  int32_t pdus;      // PDUs to build (fewer when the stream ends)
  uint64_t digest;
};

const DigestCase kCases[] = {
    {"UdpIpv4EthernetUp",
     [] {
       return stackOf(upAndDown(1, 1472, 37, 2), UdpProtocolConfig(kUdp), IpV4ProtocolConfig(ipv4Header("11")),
                      EthernetProtocolConfig(kEthIpv4, "01020304"));
     },
     true, 60, 0x94afc35d37bf0697ull},
    {"UdpIpv4EthernetDownNoCrc",
     [] {
       return stackOf(upAndDown(1472, 1, -53, 1), UdpProtocolConfig(kUdp), IpV4ProtocolConfig(ipv4Header("11")),
                      EthernetProtocolConfig(kEthIpv4, "01020304"));
     },
     false, 60, 0xa3de6ac9501a068eull},
    {"EthernetMixedSizes",
     [] { return stackOf(fixed("1500,10,46,1,47,1499,64,3", 2), EthernetProtocolConfig(kEthLocal, "00000000")); },
     true, 16, 0xbc6b0416c8c7a447ull},
    {"TcpIpv4Random",
     [] {
       return stackOf(randomSizes(1, 1460, 40), TcpProtocolConfig(kTcp), IpV4ProtocolConfig(ipv4Header("06")),
                      EthernetProtocolConfig(kEthIpv4, "00000000"));
     },
     true, 40, 0xc96121cfd03fddf8ull},
    {"TcpIpv6Random",
     [] {
       return stackOf(randomSizes(1, 1440, 40), TcpProtocolConfig(kTcp), IpV6ProtocolConfig(ipv6Header("06")),
                      EthernetProtocolConfig(kEthIpv6, "00000000"));
     },
     true, 40, 0x8d0ab03125b16e2full},
    {"UdpIpv6Random",
     [] {
       return stackOf(randomSizes(1, 1452, 40), UdpProtocolConfig(kUdp), IpV6ProtocolConfig(ipv6Header("11")),
                      EthernetProtocolConfig(kEthIpv6, "00000000"));
     },
     true, 40, 0x393a670b70388e20ull},
    {"UdpIpv4Vlan",
     [] {
       return stackOf(upAndDown(700, 1, -61, 2), UdpProtocolConfig(kUdp), IpV4ProtocolConfig(ipv4Header("11")),
                      VLanProtocolConfig(kVlan, "00000000"));
     },
     true, 20, 0xdbc3379152a364bfull},
    {"UdpUnderVlan",
     [] { return stackOf(fixed("5,900,20", 1), UdpProtocolConfig(kUdp), VLanProtocolConfig(kVlan, "aabbccdd")); },
     false, 3, 0xb4be467faa907c40ull},
    {"CompressedRtpXvlan",
     [] { return stackOf(fixed("10,300,2", 2), compressedRtp(), XVLanProtocolConfig(kXvlan, "00000000")); },
     true, 3, 0xf9eb297f5f7b85acull},
    {"FullHeaderXvlan",
     [] {
       return stackOf(fixed("10,400,1", 2), UdpProtocolConfig(kUdp), IpV4ProtocolConfig(ipv4Header("11")),
                      fullHeader(), XVLanProtocolConfig(kXvlan, "00000000"));
     },
     true, 3, 0x27850b8b185e60afull},
    {"RtpUdpIpv4",
     [] {
       return stackOf(fixed("16,160,1", 1), RtpProtocolConfig("8060000100000064" "12345678"), UdpProtocolConfig(kUdp),
                      IpV4ProtocolConfig(ipv4Header("11")), EthernetProtocolConfig(kEthIpv4, "00000000"));
     },
     true, 3, 0x66ad5265726b107bull},
    {"Aal5OverAtmUpAndDown",
     [] {
       return stackOf(upAndDown(1, 2000, 97, 2), IpV4ProtocolConfig(ipv4Header("fd")),
                      AAL5ProtocolConfig(kAal5Header, kAal5Trailer), AtmProtocolConfig(kAtm));
     },
     true, 25, 0x6cdf5b32ebbcac95ull},
    {"Aal5OverAtmDownNoCrc",
     [] {
       return stackOf(upAndDown(2000, 1, -111, 1), IpV4ProtocolConfig(ipv4Header("fd")),
                      AAL5ProtocolConfig(kAal5Header, kAal5Trailer), AtmProtocolConfig(kAtm));
     },
     false, 25, 0x8f9d7e124f7c4057ull},
    {"PayloadInOneAtmCell",
     [] { return stackOf(upAndDown(48, 1, -5, 1), AtmProtocolConfig(kAtm)); }, true, 12, 0xf6538611f5b131aaull},
    {"BridgedEthernetInDslam",
     [] {
       return stackOf(fixed("10,1500,200,1", 2), EthernetProtocolConfig(kEthLocal, "00000000"),
                      AAL58023ProtocolConfig("aaaa03" "0080c2" "0007" "0000", kAal5Trailer),
                      DSlamProtocolConfig("80000001" "00100640"));
     },
     true, 4, 0xa5c2cc24a6ef9249ull},
    {"InterPyx",
     [] { return stackOf(fixed("100,2040,7,1000", 1), InterPyxProtocolConfig("ffff0000" "0001" "0002")); },
     true, 4, 0x9bef1d18dfebfc20ull},
    {"GenericHeaderAndTrailer",
     [] { return stackOf(fixed("5,2000,1,64", 2), GenericProtocolConfig("aabb", "ccddee")); }, true, 4, 0x1863a9ef9b48932eull},
    {"ContextState",
     [] { return stackOf(contextState(), XVLanProtocolConfig(kXvlan, "00000000")); }, true, 2, 0x9d2d4b60dfc7ac49ull},
};

void PrintTo(const DigestCase& c, std::ostream* os) { *os << c.name; }

class FrameDigest : public ::testing::TestWithParam<DigestCase> {};

// The frames of up to `pdus` PDUs, each list dropped before the next PDU is
// built (`keep` false) or all kept until the end (`keep` true).
uint64_t digestOf(const DigestCase& c, bool keep) {
  Random::seed(4242);
  const ProtocolStack stack = c.stack();
  auto builder = builderOf(stack, c.crc, 9, 2, 30);
  Digest digest;
  std::vector<GeneratedFrameList> kept;
  for (int32_t pdu = 1; pdu <= c.pdus; ++pdu) {
    GeneratedFrameList frames = builder->generate(pdu);
    if (frames.empty()) break;
    if (keep) {
      kept.push_back(std::move(frames));
    } else {
      addFrames(digest, frames);
    }
  }
  for (const GeneratedFrameList& frames : kept) addFrames(digest, frames);
  return digest.value();
}

TEST_P(FrameDigest, MatchesTheRecordedBytes) {
  const DigestCase& c = GetParam();
  const uint64_t dropped = digestOf(c, false);
  EXPECT_EQ(dropped, c.digest);
  EXPECT_EQ(digestOf(c, true), dropped);
}

INSTANTIATE_TEST_SUITE_P(Stacks, FrameDigest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvel
