// CRC-32 forms and Internet checksums against published values.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/random.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/crc32.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "encap_support.h"

namespace corvel {
namespace {

using test::Bytes;
using test::cat;
using test::hex;

Bytes text(std::string_view s) { return {s.begin(), s.end()}; }

Bytes randomBytes(size_t n) {
  Bytes out(n);
  for (uint8_t& b : out) b = static_cast<uint8_t>(Random::next());
  return out;
}

// ITU-T I.363.5 example CPCS-PDUs: 40 payload octets, UU = CPI = 0, length 40.
TEST(Aal5Crc32, RecommendationExamples) {
  struct Case {
    Bytes payload;
    uint32_t crc;
  };
  Bytes counting;
  for (int i = 1; i <= 40; ++i) counting.push_back(static_cast<uint8_t>(i));
  const Case cases[] = {
      {Bytes(40, 0x00), 0x864D7F99u},
      {Bytes(40, 0xff), 0xC55E457Au},
      {counting, 0xBF671ED0u},
  };
  Crc32Table table{};
  crc32Table(table);
  for (const Case& c : cases) {
    const Bytes pdu = cat({c.payload, hex("00 00 0028")});
    EXPECT_EQ(Aal5Crc32::shared().compute(pdu), c.crc);
    EXPECT_EQ(crc32(table, pdu), c.crc);
  }
}

TEST(Aal5Crc32, CheckValueAndStoredMostSignificantByteFirst) {
  // CRC-32 without reflection (the "BZIP2" form): check value of "123456789".
  EXPECT_EQ(Aal5Crc32::shared().compute(text("123456789")), 0xFC891918u);
  Bytes out(4);
  Aal5Crc32::shared().store(text("123456789"), out);
  EXPECT_EQ(out, hex("fc891918"));
  Crc32Table table{};
  crc32Table(table);
  EXPECT_EQ(table[1], 0x04C11DB7u);
  EXPECT_EQ(table[128], 0x690CE0EEu);
}

TEST(EthernetFcs, CheckValueAndWireOrder) {
  EXPECT_EQ(EthernetFcs::shared().compute(text("123456789")), 0xCBF43926u);
  EXPECT_EQ(EthernetFcs::shared().compute({}), 0u);
  Bytes out(4);
  EthernetFcs::shared().store(text("123456789"), out);
  EXPECT_EQ(out, hex("2639f4cb"));
}

// Sixteen-byte steps must agree with the byte-at-a-time form at every length
// and alignment; a frame followed by its FCS leaves the 802.3 residue.
TEST(Crc32, SlicedFormsAgreeWithBytewiseAtEveryLength) {
  Crc32Table table{};
  crc32Table(table);
  const Bytes data = randomBytes(300);
  for (size_t offset = 0; offset < 8; ++offset) {
    for (size_t n = 0; n + offset <= 80; ++n) {
      const std::span<const uint8_t> part(data.data() + offset, n);
      EXPECT_EQ(Aal5Crc32::shared().compute(part), crc32(table, part)) << offset << " " << n;
      Bytes framed(part.begin(), part.end());
      framed.resize(n + 4);
      EthernetFcs::shared().store(part, std::span<uint8_t>(framed).last(4));
      EXPECT_EQ(EthernetFcs::shared().compute(framed), 0x2144DF1Cu) << offset << " " << n;
      // The AAL5 CRC stored big-endian leaves its own residue.
      Aal5Crc32::shared().store(part, std::span<uint8_t>(framed).last(4));
      EXPECT_EQ(~Aal5Crc32::shared().compute(framed), 0xC704DD7Bu) << offset << " " << n;
    }
  }
  Bytes three(3);
  EXPECT_THROW(EthernetFcs::shared().store(data, three), TextError);
}

// The register carried over a split gives the CRC of the whole, wherever
// the split lies.
TEST(EthernetFcs, RegisterCarriedAcrossASplit) {
  const Bytes data = randomBytes(100);
  const std::span<const uint8_t> all(data);
  for (size_t split = 0; split <= data.size(); ++split) {
    const uint32_t head = EthernetFcs::shared().update(EthernetFcs::kStart, all.first(split));
    EXPECT_EQ(~EthernetFcs::shared().update(head, all.subspan(split)), EthernetFcs::shared().compute(all)) << split;
  }
}

// ISA-L's folding routes give the register of the table routes, for any start
// value, length and alignment; so do update, which picks a route by length,
// and compute. Lengths run over 0..2000, with those around the crossover
// always included.
TEST(Crc32, FoldingAndTableRoutesAgree) {
  using Update = uint32_t (*)(uint32_t, std::span<const uint8_t>);
  struct Route {
    const char* name;
    Update byTables;
    Update byFolding;
    Update update;
    uint32_t (*compute)(std::span<const uint8_t>);
    size_t foldFrom;
  };
  const Route routes[] = {
      {"IEEE 802.3 FCS", EthernetFcs::updateByTables, EthernetFcs::updateByFolding,
       [](uint32_t s, std::span<const uint8_t> d) { return EthernetFcs::shared().update(s, d); },
       [](std::span<const uint8_t> d) { return EthernetFcs::shared().compute(d); }, EthernetFcs::kFoldFrom},
      {"AAL5 CRC-32", Aal5Crc32::updateByTables, Aal5Crc32::updateByFolding,
       [](uint32_t s, std::span<const uint8_t> d) { return Aal5Crc32::shared().update(s, d); },
       [](std::span<const uint8_t> d) { return Aal5Crc32::shared().compute(d); }, Aal5Crc32::kFoldFrom},
  };
  Random::seed(2024);
  const Bytes data = randomBytes(2000 + 16);
  for (const Route& route : routes) {
    std::vector<size_t> lengths = {0, 1, route.foldFrom - 1, route.foldFrom, route.foldFrom + 1, 2000};
    for (int i = 0; i < 400; ++i) lengths.push_back(static_cast<size_t>(Random::uniform(0, 2000)));
    for (const size_t length : lengths) {
      const auto offset = static_cast<size_t>(Random::uniform(0, 15));
      const std::span<const uint8_t> part(data.data() + offset, length);
      // Draws hold 15 bits: three make a start value of all 32.
      const uint32_t start = (static_cast<uint32_t>(Random::next()) << 17) ^
                             (static_cast<uint32_t>(Random::next()) << 2) ^
                             static_cast<uint32_t>(Random::next());
      const uint32_t expected = route.byTables(start, part);
      ASSERT_EQ(route.byFolding(start, part), expected) << route.name << " " << length << " " << offset;
      ASSERT_EQ(route.update(start, part), expected) << route.name << " " << length << " " << offset;
      ASSERT_EQ(route.compute(part), ~route.byTables(0xffffffffu, part)) << route.name << " " << length;
    }
  }
}

TEST(InternetChecksum, Rfc1071Example) {
  // RFC 1071 section 3: the words 0001 f203 f4f5 f6f7 sum to ddf2.
  EXPECT_EQ(foldChecksum(onesComplementAdd(0, hex("0001f203f4f5f6f7"))), 0xddf2);
  // An odd byte is paired with a zero byte.
  EXPECT_EQ(onesComplementAdd(0, hex("0102 03")), 0x0102u + 0x0300u);
}

TEST(InternetChecksum, Ipv4HeaderChecksum) {
  // 4500 0073 0000 4000 4011 .... c0a8 0001 c0a8 00c7 sums to 2479c, folded
  // 479e, complement b861. The old checksum bytes are ignored.
  Bytes header = hex("4500 0073 0000 4000 4011 ffff c0a8 0001 c0a8 00c7");
  writeBitField(header, Ipv4Wire::kChecksum, ipv4HeaderChecksum(header));
  EXPECT_EQ(header, hex("4500 0073 0000 4000 4011 b861 c0a8 0001 c0a8 00c7"));
  // A correct header sums to ffff.
  EXPECT_EQ(foldChecksum(onesComplementAdd(0, header)), 0xffff);
  // The checksum field never counts, not even when all else is zero.
  Bytes zero(20, 0);
  EXPECT_EQ(ipv4HeaderChecksum(zero), 0xffff);
  zero[10] = zero[11] = 0xff;
  EXPECT_EQ(ipv4HeaderChecksum(zero), 0xffff);
}

TEST(InternetChecksum, UdpWithIpv4PseudoHeader) {
  // 192.168.0.1 -> 192.168.0.2, ports 1234 -> 5678, 10 bytes dd. Pseudo-header
  // c0a8+0001+c0a8+0002+0011+0012 = 18176; header 04d2+162e+0012 = 1b12;
  // data 5 * dddd = 45551; all 5f1d9 -> f1de -> complement 0e21.
  const Bytes source = hex("c0a80001"), destination = hex("c0a80002");
  const Bytes segment = cat({hex("04d2 162e 0012 ffff"), Bytes(10, 0xdd)});
  EXPECT_EQ(udpChecksum(pseudoHeaderSum(source, destination, kIpProtocolUdp), segment), 0x0e21);
  EXPECT_EQ(test::throwText([&] { pseudoHeaderSum(hex("c0a800"), destination, kIpProtocolUdp); }),
            "address lengths are invalid");
  EXPECT_EQ(test::throwText([&] { pseudoHeaderSum(source, hex("c0a8000203"), kIpProtocolUdp); }),
            "address lengths are invalid");
  // A sum that complements to 0 goes on the wire as ffff: with the data
  // words raised by 0e21 the folded sum becomes ffff.
  const Bytes zeroing = cat({hex("04d2 162e 0012 0000"), hex("ebfe"), Bytes(8, 0xdd)});
  EXPECT_EQ(udpChecksum(pseudoHeaderSum(source, destination, kIpProtocolUdp), zeroing), 0xffff);
}

TEST(InternetChecksum, TcpHeaderOnlyAndWholeSegment) {
  Bytes header = hex("04d2 0050 00000001 00000000 5018 ffff 1111 0000");
  writeBitField(header, TcpWire::kChecksum, tcpHeaderOnlyChecksum(header));
  EXPECT_EQ(header, hex("04d2 0050 00000001 00000000 5018 ffff aac4 0000"));
  // Whole segment with pseudo-header: a receiver's sum over pseudo-header and
  // segment comes to ffff.
  Bytes segment = cat({hex("04d2 0050 00000001 00000000 5018 ffff 0000 0000"), Bytes(21, 0x5a)});
  const Bytes source = hex("20010db8000000000000000000000001");
  const Bytes destination = hex("20010db8000000000000000000000002");
  writeBitField(segment, TcpWire::kChecksum,
                tcpChecksum(pseudoHeaderSum(source, destination, kIpProtocolTcp), segment));
  uint64_t sum = onesComplementAdd(0, source);
  sum = onesComplementAdd(sum, destination);
  sum += 6 + segment.size();
  EXPECT_EQ(foldChecksum(onesComplementAdd(sum, segment)), 0xffff);
}

// Each route leaves its checksum field out exactly, at every length and
// wherever the field falls in the machine words: the same as summing a copy
// with the field zeroed, including captures too short to hold the field.
TEST(InternetChecksum, RoutesLeaveTheirFieldOutAtEveryLength) {
  Random::seed(11);
  const uint64_t pseudoHeader = pseudoHeaderSum(hex("c0a80001"), hex("c0a80002"), kIpProtocolUdp);
  for (size_t length = 0; length <= 48; ++length) {
    for (int round = 0; round < 20; ++round) {
      Bytes bytes = randomBytes(length);
      if (round == 0) std::fill(bytes.begin(), bytes.end(), uint8_t{0});
      const auto zeroedSum = [&](const BitField& field) {
        Bytes copy = bytes;
        const auto end = std::min(copy.size(), static_cast<size_t>(fieldEnd(field)));
        for (auto i = static_cast<size_t>(field.byte); i < end; ++i) copy[i] = 0;
        return onesComplementAdd(0, copy);
      };
      const uint64_t lengthWords = length;  // below 2^16
      const uint16_t udp = checksumOf(pseudoHeader + lengthWords + zeroedSum(UdpWire::kChecksum));
      EXPECT_EQ(udpChecksum(pseudoHeader, bytes), udp == 0 ? 0xffff : udp) << length;
      EXPECT_EQ(tcpChecksum(pseudoHeader, bytes),
                checksumOf(pseudoHeader + lengthWords + zeroedSum(TcpWire::kChecksum)))
          << length;
      const uint16_t ipv4 = checksumOf(zeroedSum(Ipv4Wire::kChecksum));
      EXPECT_EQ(ipv4HeaderChecksum(bytes), ipv4) << length;
      if (length >= static_cast<size_t>(fieldEnd(Ipv4Wire::kTotalLength))) {
        const auto totalLength = static_cast<uint16_t>(readBitField(bytes, Ipv4Wire::kTotalLength));
        EXPECT_EQ(ipv4HeaderChecksum(ipv4FixedSum(bytes), totalLength), ipv4) << length;
      }
    }
  }
}

// A receiver's view of frames built over IPv4 and UDP headers of random
// content and payloads of many sizes: the IPv4 header words, and the UDP
// pseudo-header with the whole datagram, each sum to ffff (RFC 1071 4.1).
// The sums here are worked byte pair by byte pair.
uint32_t receiverSum(std::initializer_list<std::span<const uint8_t>> parts, uint32_t extra = 0) {
  uint32_t sum = extra;
  for (const auto& part : parts) {
    for (size_t i = 0; i < part.size(); i += 2) {
      sum += static_cast<uint32_t>(part[i] << 8) + (i + 1 < part.size() ? part[i + 1] : 0u);
    }
  }
  while (sum > 0xffff) sum = (sum & 0xffff) + (sum >> 16);
  return sum;
}

std::string hexOf(const Bytes& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

TEST(InternetChecksum, BuiltFramesVerifyForAnyHeaderContent) {
  Random::seed(77);
  for (int round = 0; round < 40; ++round) {
    Bytes ip = randomBytes(20);
    ip[0] = 0x45;
    const Bytes udp = randomBytes(8);
    IncrementPayloadConfig payload(1 + round, 1472, 97, 1);
    const ProtocolStack stack = test::stackOf(payload, UdpProtocolConfig(hexOf(udp)), IpV4ProtocolConfig(hexOf(ip)),
                                              EthernetProtocolConfig(test::kEthIpv4, "00000000"));
    auto builder = test::builderOf(stack);
    for (int32_t pdu = 1;; ++pdu) {
      const GeneratedFrameList frames = builder->generate(pdu);
      if (frames.empty()) break;
      const auto frame = frames[0].data();
      const auto header = frame.subspan(14, 20);
      ASSERT_EQ(receiverSum({header}), 0xffffu) << round << " " << pdu;
      // The UDP length, not the frame, bounds the datagram: short ones are
      // followed by Ethernet padding.
      const uint32_t length = (uint32_t{frame[38]} << 8) | frame[39];
      ASSERT_EQ(length, static_cast<uint32_t>(8 + payload.startSize() + 97 * (pdu - 1)));
      const auto datagram = frame.subspan(34, length);
      ASSERT_EQ(receiverSum({header.subspan(12, 8), datagram}, 17 + length), 0xffffu) << round << " " << pdu;
      ASSERT_NE(datagram[6] | datagram[7], 0);  // 0 would mean "no checksum"
    }
  }
}

}  // namespace
}  // namespace corvel
