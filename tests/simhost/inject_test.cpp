// pcap files injected into a transmit port: the cycle each record starts at,
// the appended FCS, refused files and ports, and turns taken with forwarded
// frames.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <algorithm>
#include <fstream>

#include "host_fixture.h"
#include "tests/support/param_name.h"

namespace pyxsim::test {
namespace {

struct TestRecord {
  uint64_t offsetNanoseconds;  // after the first record
  std::vector<uint8_t> bytes;
};

// A capture file as other tools write it, at either timestamp precision.
void writePcap(const std::filesystem::path& path, int precision, const std::vector<TestRecord>& records) {
  constexpr uint64_t kFirstSecond = 1700000000;  // any start: only differences count
  constexpr uint64_t kFirstMicroseconds = 123;
  pcap_t* dead = pcap_open_dead_with_tstamp_precision(DLT_EN10MB, 262144, static_cast<u_int>(precision));
  ASSERT_NE(dead, nullptr);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  ASSERT_NE(dumper, nullptr) << pcap_geterr(dead);
  const uint64_t perSecond = precision == PCAP_TSTAMP_PRECISION_NANO ? 1000000000 : 1000000;
  const uint64_t nanosecondsPerTick = 1000000000 / perSecond;
  for (const TestRecord& r : records) {
    const uint64_t ticks = kFirstMicroseconds * (perSecond / 1000000) + r.offsetNanoseconds / nanosecondsPerTick;
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(kFirstSecond + ticks / perSecond);
    header.ts.tv_usec = static_cast<suseconds_t>(ticks % perSecond);
    header.caplen = static_cast<bpf_u_int32>(r.bytes.size());
    header.len = header.caplen;
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, r.bytes.data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

// One record of `captured` bytes taken from a frame of `original` bytes, in
// a file of snap length `snapLength`, as a capture tool writes it.
void writeCutPcap(const std::filesystem::path& path, int snapLength, uint32_t captured, uint32_t original) {
  pcap_t* dead = pcap_open_dead_with_tstamp_precision(DLT_EN10MB, snapLength, PCAP_TSTAMP_PRECISION_NANO);
  ASSERT_NE(dead, nullptr);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  ASSERT_NE(dumper, nullptr) << pcap_geterr(dead);
  const std::vector<uint8_t> bytes(captured, 0x5a);
  pcap_pkthdr header{};
  header.caplen = captured;
  header.len = original;
  pcap_dump(reinterpret_cast<u_char*>(dumper), &header, bytes.data());
  pcap_dump_close(dumper);
  pcap_close(dead);
}

std::vector<uint8_t> filled(size_t length, uint8_t first) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

// The IEEE 802.3 CRC bit by bit, straight from its definition, as the oracle
// for the host's table-driven one.
uint32_t referenceFcs(const std::vector<uint8_t>& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1u) ? 0xEDB88320u : 0u);
  }
  return ~crc;
}

std::vector<uint8_t> withFcs(std::vector<uint8_t> bytes, uint32_t fcs) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(fcs >> (8 * i)));
  return bytes;
}

// What the sending interface makes of a record: zeros up to the 60 bytes of
// a minimum frame, then the FCS over all of them.
std::vector<uint8_t> onWire(std::vector<uint8_t> bytes) {
  if (bytes.size() < 60) bytes.resize(60, 0);
  return withFcs(bytes, referenceFcs(bytes));
}

// What the plug-in was handed on one transmit port, cut at the end flags.
struct SentFrame {
  uint32_t first = 0;
  uint32_t last = 0;
  std::vector<uint8_t> bytes;
  bool operator==(const SentFrame&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SentFrame& f) {
  return out << "{cycles " << f.first << ".." << f.last << ", " << f.bytes.size() << " bytes}";
}

std::vector<SentFrame> sentFrames(const std::vector<FakeEvent>& sends, int32_t port) {
  std::vector<SentFrame> frames;
  bool open = false;
  for (const FakeEvent& e : sends) {
    if (e.port != port) continue;
    if (!open) frames.push_back({e.cycle, e.cycle, {}});
    open = true;
    SentFrame& f = frames.back();
    EXPECT_EQ(e.cycle, f.bytes.empty() ? f.first : f.last + 1) << "one byte per cycle within a frame";
    f.last = e.cycle;
    f.bytes.push_back(e.byte);
    if (e.endOfPacket) open = false;
  }
  EXPECT_FALSE(open) << "the last frame has no end flag";
  return frames;
}

class InjectTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    loadFake();
  }
};

struct TimingRow {
  uint64_t offsetNanoseconds;
  size_t length;
  uint32_t firstCycle;
  uint32_t lastCycle;
};

TEST_F(InjectTest, RecordsStartAtTheirTimestampOrWhenThePortIsFree) {
  // 125 MHz: 1 us is 125 cycles. The command runs at cycle 7.
  const TimingRow rows[] = {
      {0, 60, 7, 66},
      {1000, 150, 132, 281},
      {1000, 3, 282, 284},  // due at 132 too: starts right after the one before
      {10000, 4, 1257, 1260},
  };
  for (int precision : {PCAP_TSTAMP_PRECISION_MICRO, PCAP_TSTAMP_PRECISION_NANO}) {
    SCOPED_TRACE(precision == PCAP_TSTAMP_PRECISION_NANO ? "nanosecond file" : "microsecond file");
    host_.reset();
    table_.reset();
    loadFake();
    std::vector<TestRecord> records;
    std::vector<SentFrame> expected;
    uint8_t first = 0x10;
    for (const TimingRow& row : rows) {
      records.push_back({row.offsetNanoseconds, filled(row.length, first)});
      expected.push_back({row.firstCycle, row.lastCycle, records.back().bytes});
      first += 0x20;
    }
    writePcap(dir_ / "timed.pcap", precision, records);
    const auto before = events(kFakeSend).size();
    // An open-ended run goes on through the quiet stretches between records,
    // longer than idle_cycles, and ends 20 quiet cycles after the last byte.
    ASSERT_TRUE(script("rx_port 0 5\ntx_port 0 1 100 8 125\nrun 7\nidle_cycles 20\ninject 0 1 timed.pcap\nrun\n"))
        << console_.err;
    auto sends = events(kFakeSend);
    sends.erase(sends.begin(), sends.begin() + static_cast<long>(before));
    EXPECT_EQ(sentFrames(sends, 1), expected);
    EXPECT_EQ(host_->cycle(), 1261u + 20u);
    EXPECT_NE(console_.out.find("pyxsim> injecting 4 records, 217 bytes, from timed.pcap into tx port 0/1 from "
                                "cycle 7\n"),
              std::string::npos)
        << console_.out;
  }
}

TEST_F(InjectTest, FcsOptionAppendsTheIeeeCrcAndTheCaptureRecordsIt) {
  const std::vector<uint8_t> check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  // An Ethernet/IPv4/UDP frame as a host capture holds it, without FCS.
  std::vector<uint8_t> frame = {0x00, 0x1b, 0x21, 0x3c, 0x4d, 0x5e, 0x00, 0x0c, 0x29, 0x11, 0x22, 0x33, 0x08, 0x00,
                                0x45, 0x00, 0x00, 0x1e, 0x00, 0x01, 0x00, 0x00, 0x40, 0x11, 0x00, 0x00, 0xc0, 0xa8,
                                0x00, 0x01, 0xc0, 0xa8, 0x00, 0x02, 0x30, 0x39, 0x00, 0x35, 0x00, 0x0a, 0x00, 0x00,
                                'h',  'i'};
  writePcap(dir_ / "host.pcap", PCAP_TSTAMP_PRECISION_MICRO,
            {{0, check}, {1000, frame}, {1000, {}}, {1000000000, frame}});
  // 100 MHz: 1 us is 100 cycles; the last record, a second later, is never reached.
  ASSERT_TRUE(script("tx_port 0 1 100 8 100\npcap out\ninject 0 1 host.pcap fcs\nrun 1000\nclose\n"))
      << console_.err;
  // The published check value of the IEEE CRC-32, least significant byte first.
  const std::vector<uint8_t> checkOnWire = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0x26, 0x39, 0xF4, 0xCB};
  ASSERT_EQ(withFcs(check, referenceFcs(check)), checkOnWire);
  const std::vector<uint8_t> emptyFcs = {0x00, 0x00, 0x00, 0x00};  // the FCS of nothing is 0 after complement
  ASSERT_EQ(withFcs({}, referenceFcs({})), emptyFcs);
  // Every record here is shorter than a minimum frame: each is padded to 60
  // bytes before its FCS, the empty one too.
  std::vector<uint8_t> checkPadded = onWire(check);
  ASSERT_EQ(checkPadded.size(), 64u);
  EXPECT_TRUE(std::equal(check.begin(), check.end(), checkPadded.begin()));
  EXPECT_EQ(std::count(checkPadded.begin() + 9, checkPadded.begin() + 60, 0), 51);
  const std::vector<SentFrame> expected = {
      {0, 63, checkPadded}, {100, 163, onWire(frame)}, {164, 227, onWire({})}};
  EXPECT_EQ(sentFrames(events(kFakeSend), 1), expected);
  EXPECT_NE(console_.out.find("pyxsim> injected records not sent: 1\n"), std::string::npos) << console_.out;

  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* capture = pcap_open_offline_with_tstamp_precision((dir_ / "out" / "tx0p1.pcap").c_str(),
                                                            PCAP_TSTAMP_PRECISION_NANO, error);
  ASSERT_NE(capture, nullptr) << error;
  std::vector<SentFrame> recorded;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(capture, &header, &data) == 1) {
    // 10 ns per cycle; the timestamps are well under a second.
    const auto cycle = static_cast<uint32_t>(header->ts.tv_usec / 10);
    recorded.push_back({0, cycle, std::vector<uint8_t>(data, data + header->caplen)});
  }
  pcap_close(capture);
  ASSERT_EQ(recorded.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(recorded[i].bytes, expected[i].bytes) << i;
    EXPECT_EQ(recorded[i].last, expected[i].last) << i;  // stamped with the cycle of the end flag
  }
}

struct BadInject {
  const char* line;
  const char* message;
};

class BadInjectTest : public InjectTest, public ::testing::WithParamInterface<BadInject> {};

TEST_P(BadInjectTest, IsRefusedByTheCommandAndNothingIsSent) {
  writePcap(dir_ / "good.pcap", PCAP_TSTAMP_PRECISION_NANO, {{0, filled(20, 0)}});
  writePcap(dir_ / "limit.pcap", PCAP_TSTAMP_PRECISION_NANO, {{0, filled(65536, 0)}});
  writePcap(dir_ / "big.pcap", PCAP_TSTAMP_PRECISION_NANO, {{0, filled(20, 0)}, {5, filled(65537, 0)}});
  std::filesystem::copy_file(dir_ / "good.pcap", dir_ / "cut.pcap");
  std::filesystem::resize_file(dir_ / "cut.pcap", std::filesystem::file_size(dir_ / "good.pcap") - 3);
  // libpcap would hand over 64 bytes of the first record as if they were all.
  writeCutPcap(dir_ / "snap.pcap", 64, 100, 100);
  writeCutPcap(dir_ / "sliced.pcap", 262144, 40, 100);
  std::ofstream(dir_ / "notes.txt") << "not a capture at all\n";
  std::ofstream(dir_ / "short.pcap") << "\xd4\xc3";
  ASSERT_TRUE(script("rx_port 0 2\ntx_port 0 1\ntx_port 0 3\nclose\ntx_port 0 1\ninject 0 1 limit.pcap\nrun\n"));
  ASSERT_EQ(events(kFakeSend).size(), 65536u);  // a record of exactly 64 KiB is fine

  EXPECT_FALSE(script(std::string(GetParam().line) + "\nrun 100\n"));
  EXPECT_EQ(console_.err, std::string("test.pyx:1: ") + GetParam().message + "\n");
  EXPECT_EQ(events(kFakeSend).size(), 65536u);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadInjectTest,
    ::testing::Values(
        BadInject{"inject 0 9 good.pcap", "no tx port 0/9 is declared"},
        BadInject{"inject 0 2 good.pcap", "0/2 is a receive port; inject needs a tx port"},
        BadInject{"inject 0 3 good.pcap", "tx port 0/3 is closed"},
        BadInject{"inject 0 1 missing.pcap", "cannot open missing.pcap: No such file or directory"},
        BadInject{"inject 0 1 notes.txt", "notes.txt is not a pcap or pcapng file (unknown file format)"},
        BadInject{"inject 0 1 short.pcap",
                  "short.pcap is not a pcap or pcapng file (truncated dump file; tried to read 4 file header bytes, "
                  "only got 2)"},
        BadInject{"inject 0 1 big.pcap", "big.pcap: record 2 is 65537 bytes long, over the limit of 65536"},
        BadInject{"inject 0 1 cut.pcap",
                  "cut.pcap: record 1 cannot be read (truncated dump file; tried to read 20 captured bytes, only "
                  "got 17)"},
        BadInject{"inject 0 1 snap.pcap",
                  "snap.pcap: record 1 holds 64 of its 100 bytes (snap length 64); only whole frames are sent"},
        BadInject{"inject 0 1 sliced.pcap",
                  "sliced.pcap: record 1 holds 40 of its 100 bytes (snap length 262144); only whole frames are sent"},
        BadInject{"inject 0 1 good.pcap fsc", "the word after FILE can only be fcs, topspeed or speed, got \"fsc\""},
        BadInject{"inject 0 1 good.pcap fcs speed", "speed needs a FACTOR, such as 2 or 0.5"},
        BadInject{"inject 0 1 good.pcap speed 0", "speed FACTOR must be a number above 0, got \"0\""},
        BadInject{"inject 0 1 good.pcap topspeed fcs", "nothing may follow topspeed, got \"fcs\""},
        BadInject{"inject 0 1",
                  "wrong number of arguments (2); usage: inject DEV PORT FILE [fcs] [topspeed | speed FACTOR]"}),
    corvel::test::NameFrom<&BadInject::line>());

TEST_F(InjectTest, TakesTurnsWithForwardedFramesWholeFrameByWholeFrame) {
  const std::vector<uint8_t> a = filled(7, 0xE0);
  const std::vector<uint8_t> b = filled(7, 0xF0);
  writePcap(dir_ / "two.pcap", PCAP_TSTAMP_PRECISION_NANO, {{0, a}, {0, b}});
  // From cycle 3 the receive port delivers three 10-byte frames back to back
  // and both records are due: the two sources alternate, frame by frame.
  ASSERT_TRUE(script("rx_port 0 1\ntx_port 0 1\nrun 3\ninject 0 1 two.pcap\nfake_frames 0 1 3 10 0\nrun 60\n"))
      << console_.err;
  auto forwarded = [](int32_t frame, uint32_t first) {
    SentFrame f{first, first + 9, {}};
    for (int32_t i = 0; i < 10; ++i) f.bytes.push_back(fakePattern(1, frame, i));
    return f;
  };
  const std::vector<SentFrame> expected = {forwarded(0, 3), {13, 19, a}, forwarded(1, 20), {30, 36, b},
                                           forwarded(2, 37)};
  EXPECT_EQ(sentFrames(events(kFakeSend), 1), expected);
  EXPECT_EQ(host_->ports()[1]->counters.frames, 5u);
  EXPECT_EQ(host_->ports()[1]->counters.bytes, 44u);
}

}  // namespace
}  // namespace pyxsim::test
