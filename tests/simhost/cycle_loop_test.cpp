// The cycle loop: byte calls per cycle, gaps, forwarding with latency, whole
// frames per transmit port, drop, open-ended runs, and closing.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "host_fixture.h"

namespace pyxsim::test {
namespace {

class CycleLoopTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    loadFake();
  }

  static std::vector<uint32_t> cycles(const std::vector<FakeEvent>& list) {
    std::vector<uint32_t> out;
    for (const FakeEvent& e : list) out.push_back(e.cycle);
    return out;
  }
};

// Cycles first..first+count-1.
std::vector<uint32_t> span(uint32_t first, uint32_t count) {
  std::vector<uint32_t> out;
  for (uint32_t i = 0; i < count; ++i) out.push_back(first + i);
  return out;
}

std::vector<uint32_t> join(std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(CycleLoopTest, ForwardsEveryByteAfterTheLatencyInOrder) {
  for (uint32_t latency : {0u, 1u, 5u}) {
    SCOPED_TRACE(latency);
    host_.reset();
    table_.reset();
    loadFake();
    const auto before = events(kFakeSend).size();
    ASSERT_TRUE(script("rx_port 0 1\ntx_port 0 1\nlatency " + std::to_string(latency) +
                       "\nfake_frames 0 1 3 4 0\nrun 30\n"));
    const auto delivered = events(kFakeDeliver);
    auto sent = events(kFakeSend);
    sent.erase(sent.begin(), sent.begin() + static_cast<long>(before));
    ASSERT_EQ(delivered.size(), 12u);
    ASSERT_EQ(sent.size(), delivered.size());
    for (size_t i = 0; i < sent.size(); ++i) {
      EXPECT_EQ(sent[i].cycle, delivered[i].cycle + latency) << i;
      EXPECT_EQ(sent[i].byte, delivered[i].byte) << i;
      EXPECT_EQ(sent[i].endOfPacket, delivered[i].endOfPacket) << i;
      EXPECT_EQ(sent[i].device, 0);
      EXPECT_EQ(sent[i].port, 1);
    }
  }
}

TEST_F(CycleLoopTest, InterpacketGapSilencesThePort) {
  ASSERT_TRUE(script("rx_port 0 1\nfake_frames 0 1 2 4 3\nrun 20\n"));
  // Frame 0 in cycles 0..3, silent 4..6, frame 1 in 7..10, silent 11..13.
  EXPECT_EQ(cycles(events(kFakeDeliver)), join(span(0, 4), span(7, 4)));
  EXPECT_EQ(events(kFakeGap).size(), 2u);  // asked once per end of packet
  EXPECT_EQ(asks(0, 1), 20u - 6u);         // never asked inside a gap
}

TEST_F(CycleLoopTest, LongGapsAreSkippedWithoutLosingTime) {
  ASSERT_TRUE(script("rx_port 0 1\ntx_port 0 1\nlatency 2\nfake_frames 0 1 2 3 1000000\nrun 1000010\n"));
  EXPECT_EQ(cycles(events(kFakeDeliver)), join(span(0, 3), span(1000003, 3)));
  EXPECT_EQ(cycles(events(kFakeSend)), join(span(2, 3), span(1000005, 3)));
  EXPECT_EQ(host_->cycle(), 1000010u);
}

TEST_F(CycleLoopTest, CyclesGoOnAcrossRuns) {
  ASSERT_TRUE(script("rx_port 0 1\nfake_frames 0 1 1 10 0\nrun 4\nrun 6\n"));
  EXPECT_EQ(cycles(events(kFakeDeliver)), span(0, 10));
  EXPECT_EQ(host_->cycle(), 10u);
}

TEST_F(CycleLoopTest, RoutesByDefaultForwardAndDrop) {
  ASSERT_TRUE(script("rx_port 0 1\nrx_port 0 2\nrx_port 0 3\ntx_port 0 1\ntx_port 0 7\n"
                     "forward 0 2 0 7\ndrop 0 1\n"
                     "fake_frames 0 1 2 4 0\nfake_frames 0 2 2 4 0\nfake_frames 0 3 2 4 0\nrun 20\n"));
  std::map<int, int> sentPerPort;
  for (const FakeEvent& e : events(kFakeSend)) ++sentPerPort[e.port];
  EXPECT_EQ(sentPerPort, (std::map<int, int>{{7, 8}}));  // 0/1 dropped, 0/3 has no tx port
  const auto& ports = host_->ports();
  EXPECT_EQ(ports[0]->counters.droppedFrames, 2u);
  EXPECT_EQ(ports[1]->counters.droppedFrames, 0u);
  EXPECT_EQ(ports[2]->counters.droppedFrames, 2u);
  EXPECT_EQ(ports[4]->counters.frames, 2u);
  EXPECT_EQ(ports[4]->counters.bytes, 8u);
}

TEST_F(CycleLoopTest, SharedTransmitPortSendsWholeFramesOneBytePerCycle) {
  ASSERT_TRUE(script("rx_port 0 1\nrx_port 0 2\ntx_port 0 3\nforward 0 1 0 3\nforward 0 2 0 3\n"
                     "latency 1\nfake_frames 0 1 3 5 0\nfake_frames 0 2 3 5 0\nrun 100\n"));
  const auto sent = events(kFakeSend);
  ASSERT_EQ(sent.size(), 30u);
  std::map<int, int> nextFrame;  // per source port: the frame number expected next
  for (size_t f = 0; f < 6; ++f) {
    const int source = sent[f * 5].byte - 0xA0;
    ASSERT_TRUE(source == 1 || source == 2) << f;
    for (int i = 0; i < 5; ++i) {
      const FakeEvent& e = sent[f * 5 + static_cast<size_t>(i)];
      EXPECT_EQ(e.byte, fakePattern(source, nextFrame[source], i)) << "frame " << f << " byte " << i;
      EXPECT_EQ(e.endOfPacket, i == 4 ? 1 : 0);
    }
    ++nextFrame[source];
  }
  EXPECT_EQ(nextFrame, (std::map<int, int>{{1, 3}, {2, 3}}));
  for (size_t i = 1; i < sent.size(); ++i) EXPECT_GT(sent[i].cycle, sent[i - 1].cycle) << i;
  // Both sources take turns frame by frame rather than one running ahead.
  EXPECT_NE(sent[0].byte, sent[5].byte);
}

TEST_F(CycleLoopTest, OpenEndedRunStopsAfterQuietStretchOnceNothingIsInFlight) {
  ASSERT_TRUE(script("rx_port 0 1\ntx_port 0 1\nidle_cycles 50\nfake_frames 0 1 1 10 0\nrun\n"));
  EXPECT_EQ(host_->cycle(), 10u + 50u);
  ASSERT_TRUE(script("latency 7\nfake_frames 0 1 1 10 0\nrun\n"));
  // Delivered in 60..69; the last byte leaves at 76; then 50 quiet cycles.
  EXPECT_EQ(host_->cycle(), 77u + 50u);
  EXPECT_EQ(events(kFakeSend).size(), 20u);
  EXPECT_NE(console_.out.find("(traffic quiet for 50 cycles)"), std::string::npos);
}

TEST_F(CycleLoopTest, OpenEndedRunStopsAtTheCap) {
  ASSERT_TRUE(script("rx_port 0 1\nmax_cycles 1000\nfake_frames 0 1 100000 4 0\nrun\n"));
  EXPECT_EQ(host_->cycle(), 1000u);
  EXPECT_EQ(events(kFakeDeliver).size(), 1000u);
  EXPECT_NE(console_.out.find("(stopped at the limit of 1000 cycles)"), std::string::npos);
}

TEST_F(CycleLoopTest, CloseUsesTheReceivePortsAndASecondCloseStillReachesThePlugin) {
  ASSERT_TRUE(script("rx_port 0 2\nrx_port 0 10\ntx_port 0 1\nfake_frames 0 2 1 4 0\nrun 10\nclose\n"));
  const auto closedRx = events(kFakeCloseRx);
  ASSERT_EQ(closedRx.size(), 2u);
  EXPECT_EQ(closedRx[0].port, 2);  // registration order
  EXPECT_EQ(closedRx[1].port, 10);
  EXPECT_TRUE(events(kFakeCloseTx).empty());
  EXPECT_NE(console_.out.find("pyxsim> summary at cycle 10\n"), std::string::npos);

  const uint64_t asked = asks(0, 2);
  ASSERT_TRUE(script("run 10\nclose\n"));
  EXPECT_EQ(asks(0, 2), asked);  // closed ports are not called any more
  EXPECT_EQ(events(kFakeCloseRx).size(), 2u);
  const auto closedTx = events(kFakeCloseTx);
  ASSERT_EQ(closedTx.size(), 1u);
  EXPECT_EQ(closedTx[0].device, -1);  // no port handle

  ASSERT_TRUE(script("rx_port 0 2\nrun 3\n"));  // a closed port can be declared again
  EXPECT_EQ(asks(0, 2), 3u);
}

TEST_F(CycleLoopTest, SummaryCountsFramesBytesDropsAndHostCommands) {
  ASSERT_TRUE(script("rx_port 0 1\nrx_port 0 2\ntx_port 0 1\nlatency 100\n"
                     "fake_frames 0 1 2 6 0\nfake_frames 0 2 1 3 0\nrun 50\n"
                     "fake_exec \"set_table 0x10 1\"\nfake_exec set_table 0x11 2\nclose\n"));
  const std::string& out = console_.out;
  const size_t at = out.find("pyxsim> summary at cycle 50\n");
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_EQ(out.substr(at),
            "pyxsim> summary at cycle 50\n"
            "pyxsim>   port        dir       frames          bytes      dropped\n"
            "pyxsim>   0/1         rx             2             12            0\n"
            "pyxsim>   0/2         rx             1              3            1\n"
            "pyxsim>   0/1         tx             0              0            -\n"
            "pyxsim> forwarded bytes discarded in flight: 12\n"
            "pyxsim> host commands executed: 2\n");
  EXPECT_EQ(host_->executedCommands(), 2u);
  std::ifstream log(dir_ / "host_commands.log");
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_EQ(text.str(), "set_table 0x10 1\nset_table 0x11 2\n");
}

}  // namespace
}  // namespace pyxsim::test
