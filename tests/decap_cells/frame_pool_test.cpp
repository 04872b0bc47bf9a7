// The frame records of a transmit port: a record dropped goes back to its
// pool with its fields at their defaults and its byte buffer's room kept; the
// pool keeps no more idle records than its bound; the frame store hands the
// records of a PDU back once the PDU is out, whatever the connections.
#include <gtest/gtest.h>

#include <vector>

#include "cell_capture.h"
#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/encapsulator_factory.h"
#include "corvel/protocols/frame_pool.h"
#include "corvel/protocols/generic/generic.h"

namespace corvel::test {
namespace {

TEST(FramePool, RecordComesBackCleanWithItsRoom) {
  FramePool pool(4);
  const CapturedStreamFrame* first = nullptr;
  {
    PooledFrame frame = pool.acquire();
    first = frame.get();
    frame->data.assign(1500, 0x5a);
    frame->headerSize = 14;
    frame->connection = 7;
    frame->endsPdu = false;
    frame->lastCycle = 99;
  }
  EXPECT_EQ(pool.idle(), 1u);
  PooledFrame again = pool.acquire();
  EXPECT_EQ(again.get(), first);
  EXPECT_TRUE(again->data.empty());
  EXPECT_GE(again->data.capacity(), 1500u);
  EXPECT_EQ(again->headerSize, 0);
  EXPECT_EQ(again->connection, 0u);
  EXPECT_TRUE(again->endsPdu);
  EXPECT_EQ(again->lastCycle, 0u);
  EXPECT_EQ(pool.created(), 1u);
}

TEST(FramePool, KeepsNoMoreIdleRecordsThanItsBound) {
  struct Case {
    size_t bound;
    size_t heldAtOnce;
    size_t idleAfter;
  };
  for (const Case& c : {Case{2, 5, 2}, Case{8, 5, 5}, Case{0, 3, 0}}) {
    FramePool pool(c.bound);
    for (int round = 0; round < 3; ++round) {
      std::vector<PooledFrame> held;
      for (size_t i = 0; i < c.heldAtOnce; ++i) held.push_back(pool.acquire());
    }
    EXPECT_EQ(pool.idle(), c.idleAfter) << "bound " << c.bound;
    // Every round after the first takes the idle records first.
    EXPECT_EQ(pool.created(), c.heldAtOnce + 2 * (c.heldAtOnce - c.idleAfter)) << "bound " << c.bound;
  }
}

// Cells of three connections interleaved: each PDU is reassembled from its
// own connection's cells in order, and once the last PDU is out the store
// holds nothing and every record is back in the pool.
TEST(FramePool, StoreGivesBackTheRecordsOfEveryPdu) {
  // 80 payload bytes behind a 2-byte generic header in AAL5: three cells on
  // VPI 1, VCI 100.
  AAL5ProtocolConfig aal5("aaaa03" "000000" "0800", "0000" "0000" "00000000");
  const ProtocolStack stack =
      stackOf(taggedPayload("80"), GenericProtocolConfig("abcd", ""), aal5, AtmProtocolConfig("00100640"));
  ChainSettings settings;
  settings.computeCrc = true;
  auto builder = buildFrameBuilder(stack, settings);
  const std::vector<Bytes> cells = nextFrames(*builder);
  ASSERT_EQ(cells.size(), 3u);
  const size_t header = cells[0].size() - 48;
  Bytes payloads;
  for (const Bytes& cell : cells) payloads.insert(payloads.end(), cell.begin() + header, cell.end());

  StreamParser parser(stack);
  DatalinkDecapsulator& datalink = parser.datalink();
  FramePool pool(16);
  std::vector<Bytes> pdus;
  for (const Bytes& cell : cells) {
    for (uint8_t connection = 0; connection < 3; ++connection) {
      PooledFrame frame = pool.acquire();
      frame->data = cell;
      frame->data[2] = static_cast<uint8_t>(0x06 + connection);  // VCI 100, 116, 132
      VerifyReport report;
      datalink.parseHeader(*frame, report);
      EXPECT_EQ(datalink.takeFrame(std::move(frame)), 0u);
      if (!datalink.isPduComplete()) continue;
      CapturedStreamPdu pdu;
      VerifyContext context;
      datalink.extractPdu(context, pdu);
      EXPECT_EQ(pdu.frameCount, 3);
      pdus.push_back(pdu.data);
    }
  }
  ASSERT_EQ(pdus.size(), 3u);
  for (const Bytes& pdu : pdus) EXPECT_EQ(pdu, payloads);
  EXPECT_EQ(datalink.heldFrames(), 0u);
  EXPECT_EQ(datalink.releaseAll(), 0u);
  // The records of the first PDUs served the cells after them.
  EXPECT_LT(pool.created(), 9u);
  EXPECT_EQ(pool.idle(), pool.created());
}

}  // namespace
}  // namespace corvel::test
