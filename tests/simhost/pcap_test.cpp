// pcap capture read back with libpcap (and, where installed, tshark), and the
// cycle-to-time conversion.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "command_log.h"
#include "host_fixture.h"
#include "pcap_writer.h"

namespace pyxsim::test {
namespace {

struct Record {
  uint64_t nanoseconds;
  uint32_t length;
  std::vector<uint8_t> bytes;
};

struct PcapFile {
  int linkType = -1;
  std::vector<Record> records;
};

PcapFile readPcap(const std::filesystem::path& path) {
  PcapFile file;
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* p = pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_NANO, error);
  EXPECT_NE(p, nullptr) << path << ": " << error;
  if (!p) return file;
  file.linkType = pcap_datalink(p);
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(p, &header, &data) == 1) {
    file.records.push_back({static_cast<uint64_t>(header->ts.tv_sec) * 1000000000u +
                                static_cast<uint64_t>(header->ts.tv_usec),
                            header->len, std::vector<uint8_t>(data, data + header->caplen)});
  }
  pcap_close(p);
  return file;
}

std::vector<uint8_t> frameBytes(int32_t port, int32_t frame, int32_t length) {
  std::vector<uint8_t> bytes;
  for (int32_t i = 0; i < length; ++i) bytes.push_back(fakePattern(port, frame, i));
  return bytes;
}

class PcapTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    loadFake();
  }
};

TEST_F(PcapTest, OneRecordPerFrameWithCycleTimestamps) {
  // 100 MHz: 10 ns per cycle. Frames end at cycles 5, 13 and 21 (gap 2); the
  // transmit side sees each 3 cycles later.
  ASSERT_TRUE(script("rx_port 0 1 100 8 100\ntx_port 0 1 100 8 100\nlatency 3\npcap out\n"
                     "fake_frames 0 1 3 6 2\nrun 40\nclose\n"));
  const PcapFile rx = readPcap(dir_ / "out" / "rx0p1.pcap");
  const PcapFile tx = readPcap(dir_ / "out" / "tx0p1.pcap");
  EXPECT_EQ(rx.linkType, DLT_EN10MB);
  EXPECT_EQ(tx.linkType, DLT_EN10MB);
  ASSERT_EQ(rx.records.size(), 3u);
  ASSERT_EQ(tx.records.size(), 3u);
  const uint64_t endCycles[] = {5, 13, 21};
  for (int f = 0; f < 3; ++f) {
    const size_t i = static_cast<size_t>(f);
    EXPECT_EQ(rx.records[i].bytes, frameBytes(1, f, 6)) << f;
    EXPECT_EQ(tx.records[i].bytes, frameBytes(1, f, 6)) << f;
    EXPECT_EQ(rx.records[i].length, 6u);
    EXPECT_EQ(rx.records[i].nanoseconds, endCycles[f] * 10) << f;
    EXPECT_EQ(tx.records[i].nanoseconds, (endCycles[f] + 3) * 10) << f;
  }
}

TEST_F(PcapTest, FramesLongerThanTheSnapLengthAreCut) {
  ASSERT_TRUE(script("rx_port 0 1\npcap out\nfake_frames 0 1 2 70000 0\nrun 140000\n"));
  const PcapFile rx = readPcap(dir_ / "out" / "rx0p1.pcap");
  ASSERT_EQ(rx.records.size(), 2u);
  for (const Record& r : rx.records) {
    EXPECT_EQ(r.length, 70000u);
    ASSERT_EQ(r.bytes.size(), 65535u);
    EXPECT_EQ(r.bytes[65534], static_cast<uint8_t>(65534));
  }
  EXPECT_EQ(rx.records[1].bytes[1], 1);  // the second frame starts afresh
}

TEST_F(PcapTest, LinkTypePerPortOrForAllPorts) {
  ASSERT_TRUE(script("rx_port 0 1\nrx_port 0 2\ntx_port 0 2\nlinktype 0 2 USER0\npcap cells 0x94\n"
                     "fake_frames 0 1 1 3 0\nrun 5\n"));
  EXPECT_EQ(readPcap(dir_ / "cells" / "rx0p1.pcap").linkType, 148);
  EXPECT_EQ(readPcap(dir_ / "cells" / "rx0p2.pcap").linkType, DLT_USER0);
  EXPECT_EQ(readPcap(dir_ / "cells" / "tx0p2.pcap").linkType, DLT_USER0);
  EXPECT_FALSE(script("linktype 0 2 EN10MB\n"));  // its files are already open
  EXPECT_NE(console_.err.find("already open"), std::string::npos);
}

TEST_F(PcapTest, TsharkReadsTheFiles) {
  if (std::system("command -v tshark >/dev/null 2>&1") != 0) GTEST_SKIP() << "tshark is not installed";
  ASSERT_TRUE(script("rx_port 0 1 100 8 66\npcap out\nfake_frames 0 1 2 64 0\nrun 200\nclose\n"));
  const std::string command = "tshark -n -r " + (dir_ / "out" / "rx0p1.pcap").string() +
                              " -T fields -e frame.len -e frame.time_epoch 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
  ASSERT_EQ(pclose(pipe), 0);
  // Frames end at cycles 63 and 127 of a 66 MHz bus: 954 ns and 1924 ns.
  EXPECT_EQ(text, "64\t0.000000954\n64\t0.000001924\n");
}

TEST(LinkTypeNames, NumbersLibpcapNamesAndUserTypes) {
  EXPECT_EQ(parseLinkType("1"), 1);
  EXPECT_EQ(parseLinkType("0x93"), 147);
  EXPECT_EQ(parseLinkType("en10mb"), DLT_EN10MB);
  EXPECT_EQ(parseLinkType("USER0"), DLT_USER0);
  EXPECT_EQ(parseLinkType("user15"), DLT_USER15);
  EXPECT_EQ(parseLinkType("USER16"), std::nullopt);
  EXPECT_EQ(parseLinkType("USER-1"), std::nullopt);
  EXPECT_EQ(parseLinkType("USER0x1"), std::nullopt);
  EXPECT_EQ(parseLinkType("70000"), std::nullopt);
  EXPECT_EQ(parseLinkType(""), std::nullopt);
}

TEST(CycleTime, ConvertsCyclesAtTheBusFrequency) {
  EXPECT_EQ(cycleToNanoseconds(0, 66), 0u);
  EXPECT_EQ(cycleToNanoseconds(1, 66), 15u);
  EXPECT_EQ(cycleToNanoseconds(66, 66), 1000u);
  EXPECT_EQ(cycleToNanoseconds(7, 1), 7000u);
  EXPECT_EQ(cycleToNanoseconds(3, 366), 8u);
  const uint64_t big = (1ull << 60) + 12345;
  const unsigned __int128 exact = static_cast<unsigned __int128>(big) * 1000 / 66;
  EXPECT_EQ(cycleToNanoseconds(big, 66), static_cast<uint64_t>(exact));
}

TEST(CommandLogFile, OneLinePerCommand) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("simhost_command_log_" + std::to_string(::getpid()) + ".log");
  {
    CommandLog log(path.string());
    ASSERT_EQ(log.error(), "");
    log.record("write 1");
    log.record("multi\nline\r\ncommand");
    log.record(nullptr);
    EXPECT_EQ(log.count(), 3u);
  }
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "write 1\nmulti line  command\n\n");
  std::filesystem::remove(path);
  CommandLog unwritable("/no/such/dir/host_commands.log");
  EXPECT_NE(unwritable.error(), "");
  unwritable.record("counted anyway");
  EXPECT_EQ(unwritable.count(), 1u);
}

}  // namespace
}  // namespace pyxsim::test
