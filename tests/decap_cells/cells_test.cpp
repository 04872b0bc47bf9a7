// AAL5 PDUs in ATM cells and bridged 802.3 PDUs in DSLAM cells, built by the
// real builder and captured cell by cell: good PDUs pass with their identity;
// damaged cells and trailers give their exact texts, and the next PDU passes.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "cell_capture.h"
#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/aal5/aal5_decap.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/generic/generic.h"

namespace corvel {
namespace {

using namespace corvel::test;

// VPI 1, VCI 100: 0000 | 0000 0001 | 0000 0000 0110 0100 | 000 0.
constexpr std::string_view kVc1 = "00100640";
constexpr std::string_view kVc2 = "00200c80";  // VPI 2, VCI 200
constexpr std::string_view kAal5Header = "aaaa03" "000000" "0800";
constexpr std::string_view kBridgedHeader = "aaaa03" "0080c2" "0007" "0000";
constexpr std::string_view kTrailer = "0000" "0000" "00000000";
// DSLAM tag PT 1, PPN 0, PPT 1; PPN 5 is byte 3 = 000101 01.
constexpr std::string_view kPort0 = "80000001" "00100640";
constexpr std::string_view kPort5 = "80000015" "00100640";

// 80 payload bytes behind a 2-byte generic header: AAL5 length 8 + 82 = 90,
// 98 bytes padded by 46 to 144, three cells carrying 128 bytes of payload
// and padding.
ProtocolStack aal5Stack(std::string_view atm = kVc1, int32_t level = 0, const char* sizes = "80") {
  AAL5ProtocolConfig aal5(kAal5Header, kTrailer);
  aal5.setValidateLevel(level);
  return stackOf(taggedPayload(sizes), GenericProtocolConfig("abcd", ""), aal5, AtmProtocolConfig(atm));
}

// A 64-byte Ethernet frame: length 10 + 64 = 74, 82 bytes padded by 14 to
// 96, two 56-byte cells.
ProtocolStack bridgedStack(std::string_view dslamHeader = kPort0, int32_t dslamLevel = 0, int32_t aal5Level = 0) {
  AAL58023ProtocolConfig aal5(kBridgedHeader, kTrailer);
  aal5.setValidateLevel(aal5Level);
  DSlamProtocolConfig dslam(dslamHeader);
  dslam.setValidateLevel(dslamLevel);
  return stackOf(taggedPayload("10"), EthernetProtocolConfig(kEthLocal, "00000000"), aal5, dslam);
}

using Cells = std::vector<Bytes>;
using Input = std::function<Cells(Cells pdu1, Cells pdu2)>;

Input edit(std::function<void(Cells&)> change) {
  return [change](Cells p1, Cells) {
    change(p1);
    return p1;
  };
}
// The AAL5 length field: bytes 2-3 of the trailer, the last 8 bytes.
Input length(uint16_t value) {
  return edit([value](Cells& c) {
    c.back().end()[-6] = static_cast<uint8_t>(value >> 8);
    c.back().end()[-5] = static_cast<uint8_t>(value);
  });
}

struct Damage {
  const char* what;
  std::function<ProtocolStack()> stack;
  Input input;
  std::vector<std::string> errors;  // per PDU completed; "" passes
  Warnings warnings;                // of the first PDU
  size_t discarded;
  bool crc = true;
};

const Damage kDamages[] = {
    {"good", [] { return aal5Stack(); }, edit([](Cells&) {}), {""}, {}, 0},
    {"lost end-of-PDU cell: 5 cells, 224 bytes carried against 82",
     [] { return aal5Stack(); }, [](Cells p1, Cells p2) { return Cells{p1[0], p1[1], p2[0], p2[1], p2[2]}; },
     {"AAL5 verification error, payload is not equal internal Size"}, {}, 0},
    {"runt 30-byte cell", [] { return aal5Stack(); }, edit([](Cells& c) { c[1].resize(30); }),
     {"Atm verification error, no payload exists"}, {}, 3},
    {"3 bytes name no connection and fail alone", [] { return aal5Stack(); },
     [](Cells p1, Cells) { return Cells{hex("001006"), p1[0], p1[1], p1[2]}; },
     {"Atm verification error, not enough allocated memory to contain header", ""}, {}, 1},
    {"two cells run together", [] { return aal5Stack(); },
     [](Cells p1, Cells) { return Cells{cat({p1[0], p1[1]}), p1[2]}; },
     {"Atm verification error, we have more data other than the header and payload"}, {}, 2},
    {"length 32: 104 bytes of padding", [] { return aal5Stack(); }, length(32),
     {"AAL5 verification error, payload is not equal internal Size"}, {}, 0},
    {"length 91: still under a cell of padding", [] { return aal5Stack(); }, length(91), {""}, {}, 0},
    {"length 0", [] { return aal5Stack(); }, length(0), {"AAL5 Verification error, internal length is <= 0."}, {}, 0},
    {"one cell, length 8: header only", [] { return aal5Stack(kVc1, 0, "20"); }, length(8),
     {"AAL5 verification error, protocol contains no payload"}, {}, 0},
    {"trailer all zeros", [] { return aal5Stack(); },
     edit([](Cells& c) { std::fill(c[2].end() - 8, c[2].end(), uint8_t{0}); }),
     {"AAL5 Verification error, trailer contents is all zeros."}, {}, 0},
    // A fill byte flipped (PDU byte 64) keeps every length.
    {"CRC flipped, level 1", [] { return aal5Stack(kVc1, 1); }, edit([](Cells& c) { c[1][20] ^= 1; }), {""}, {}, 0},
    {"CRC flipped, level 2", [] { return aal5Stack(kVc1, 2); }, edit([](Cells& c) { c[1][20] ^= 1; }), {""},
     {{"AAL5 warning, ", "CRC calculation does not equal stored value"}}, 0},
    {"CRC not computed, level 2", [] { return aal5Stack(kVc1, 2); }, edit([](Cells&) {}), {""},
     {{"AAL5 warning, ", "CRC field is zero"}}, 0, false},

    {"DSLAM good", [] { return bridgedStack(kPort5, 1, 2); }, edit([](Cells&) {}), {""}, {}, 0},
    // Byte 1 is reserved; PPT 0 can only be given as header text.
    {"DSLAM tag warnings, once for two cells", [] { return bridgedStack("80400000" "00100640", 1); },
     edit([](Cells&) {}), {""},
     {{"DSLAM warning,", "RES field should not contain data"}, {"DSLAM warning,", "PPT not specified"}}, 0},
    {"DSLAM reserved bits of byte 2", [] { return bridgedStack("80002001" "00100640", 1); },
     edit([](Cells&) {}), {""}, {{"DSLAM warning,", "RES field should not contain data"}}, 0},
    {"DSLAM runt 30-byte cell", [] { return bridgedStack(); }, edit([](Cells& c) { c[0].resize(30); }),
     {"DSLAM verification error, no payload exists"}, {}, 2},
    // The second cell then ends a PDU of one cell that lacks its start.
    {"DSLAM 7 bytes", [] { return bridgedStack(); }, edit([](Cells& c) { c[0].resize(7); }),
     {"DSLAM verification error, not enough allocated memory to contain header",
      "AAL58023 verification error, payload is not equal internal Size"}, {}, 1},
    // No check of the sign in the bridged form: 0 - 10 does not match.
    {"AAL5 802.3 length 0", [] { return bridgedStack(); }, length(0),
     {"AAL58023 verification error, payload is not equal internal Size"}, {}, 0},
    {"AAL5 802.3 CRC flipped, level 2", [] { return bridgedStack(kPort0, 0, 2); },
     edit([](Cells& c) { c[0][48] ^= 0x80; }), {""},
     {{"AAL5802 warning, ", "CRC calculation does not equal stored value"}}, 0},
};

TEST(CellCapture, DamagedInputGivesItsTextAndTheNextPduPasses) {
  for (const Damage& d : kDamages) {
    SCOPED_TRACE(d.what);
    const ProtocolStack stack = d.stack();
    auto builder = builderOf(stack, d.crc);
    const Cells p1 = nextFrames(*builder), p2 = nextFrames(*builder), p3 = nextFrames(*builder);
    CellCapture capture(stack);
    const std::vector<PduOutcome> outcomes = capture.frames(d.input(p1, p2));
    ASSERT_EQ(outcomes.size(), d.errors.size());
    for (size_t i = 0; i < outcomes.size(); ++i) EXPECT_EQ(outcomes[i].error, d.errors[i]);
    EXPECT_EQ(outcomes[0].warnings, d.warnings);
    EXPECT_EQ(capture.discarded, d.discarded);
    EXPECT_EQ(capture.held(), 0u);

    const std::vector<PduOutcome> next = capture.frames(p3);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].error, "");
    EXPECT_EQ(identityOf(next[0].identity), kFirstPduIdentity);
  }
}

TEST(CellCapture, PduCountsCellsAndHeaders) {
  const ProtocolStack stack = aal5Stack();
  auto builder = builderOf(stack);
  const Cells cells = nextFrames(*builder);
  CellCapture capture(stack);
  EXPECT_FALSE(capture.frame(cells[0], 100));
  EXPECT_FALSE(capture.frame(cells[1], 200));
  const PduOutcome outcome = capture.frame(cells[2], 300).value();
  const CapturedStreamPdu& pdu = outcome.pdu;
  EXPECT_EQ(pdu.frameCount, 3);
  EXPECT_EQ(pdu.discardedHeader, 12);
  EXPECT_EQ(pdu.carriedBytes, 156);
  EXPECT_EQ(pdu.firstCycle, 100u);
  EXPECT_EQ(pdu.lastCycle, 352u);
  ASSERT_EQ(pdu.data.size(), 144u);
  EXPECT_EQ(Bytes(pdu.data.begin(), pdu.data.begin() + 10), hex("aaaa03 000000 0800 abcd"));
  EXPECT_EQ(Bytes(pdu.data.end() - 8, pdu.data.end() - 4), hex("0000 005a"));
}

TEST(CellCapture, InterleavedConnectionsAreReassembledApart) {
  // ATM: two VPI/VCI; DSLAM: one VPI/VCI on two ports.
  const std::pair<ProtocolStack, ProtocolStack> pairs[] = {{aal5Stack(kVc1), aal5Stack(kVc2)},
                                                           {bridgedStack(kPort0), bridgedStack(kPort5)}};
  for (const auto& [first, second] : pairs) {
    auto a = builderOf(first), b = builderOf(second);
    const Cells ca = nextFrames(*a), cb = nextFrames(*b);
    Cells interleaved;
    for (size_t i = 0; i < ca.size(); ++i) interleaved.insert(interleaved.end(), {ca[i], cb[i]});
    CellCapture capture(first);
    const std::vector<PduOutcome> outcomes = capture.frames(interleaved);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].error, "");
    EXPECT_EQ(outcomes[1].error, "");
    EXPECT_EQ(identityOf(outcomes[1].identity), kFirstPduIdentity);
  }
}

// Cells of random lengths, bytes and end-of-PDU bits, most on one
// connection: every PDU gives a text of the stream's layers or passes,
// nothing is read past a cell, and the cells held stay within the cap.
TEST(CellCapture, GarbageGivesTextsOnly) {
  CellCapture capture(aal5Stack());
  std::mt19937 random(20240611);
  const Bytes vc1 = hex(kVc1);
  size_t completed = 0;
  for (int i = 0; i < 3000; ++i) {
    Bytes cell(random() % 110);
    for (uint8_t& byte : cell) byte = static_cast<uint8_t>(random());
    if (cell.size() >= 4 && random() % 8 != 0) {
      std::copy(vc1.begin(), vc1.begin() + 3, cell.begin());
      cell[3] = static_cast<uint8_t>(vc1[3] | (cell[3] & 0x02));
    }
    const std::optional<PduOutcome> outcome = capture.frame(cell);
    if (!outcome) continue;
    ++completed;
    const std::string& e = outcome->error;
    EXPECT_TRUE(e.empty() || e.starts_with("Atm verification error, ") || e.starts_with("AAL5 ") ||
                e.starts_with("Generic verification error, "))
        << e;
  }
  EXPECT_GT(completed, 1000u);
  EXPECT_LE(capture.held(), DatalinkDecapsulator::kMaxHeldFrames);
}

TEST(Aal5Verifier, SizesOfHandMadeLayers) {
  const AAL5ProtocolConfig routedConfig(kAal5Header, kTrailer);
  const AAL58023ProtocolConfig bridgedConfig(kBridgedHeader, kTrailer);
  AAL5Decapsulator routed(routedConfig);
  AAL58023Decapsulator bridged(bridgedConfig);
  VerifyContext context;
  auto text = [&](Decapsulator& d, const Bytes& layer) {
    return throwText([&] { d.verify(ByteView(layer), context); });
  };
  EXPECT_EQ(throwText([&] { routed.verify(ByteView(), context); }), "AAL5 verification error, data pointer is null");
  EXPECT_EQ(text(routed, Bytes(10, 1)),
            "AAL5 verification error, not enough allocated memory to hold both the header & trailer");
  EXPECT_EQ(text(routed, Bytes(16, 1)), "AAL5 verification error, not enough allocated memory to contain a payload");
  EXPECT_EQ(text(routed, Bytes(16 + 65536, 1)), "AAL5 verification error, payload data exceed the maximum transfer unit");
  // 10 header bytes, 30 of payload and padding, a length of 10: no payload.
  Bytes layer = cat({hex(kBridgedHeader), repeat(0xee, 30), hex("0000 000a 00000000")});
  EXPECT_EQ(text(bridged, layer), "AAL58023 verification error, protocol contains no payload.");
  layer[43] = 10 + 20;
  EXPECT_EQ(bridged.verify(ByteView(layer), context), 20);
  EXPECT_EQ(bridged.headerSize(), 10);
}

}  // namespace
}  // namespace corvel
