// A capture replayed through a receive port (pcap_stream) and verified on
// the transmit side, end to end through pyxsim with the real plug-in. The
// capture is a real conversation (Ethernet/IPv4/UDP and TCP as a host takes
// it: no padding, no FCS; tshark confirms its checksums); pyxsim's own pcap
// of the transmit port is the oracle for the bytes and the pace.
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pyxsim_run.h"
#include "real_conversation.h"
#include "real_frames.h"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;

// Both ports run at 100 MHz: 10 ns per cycle.
constexpr int64_t kNsPerCycle = 10;
// The port's own gap rule: interpacket_timedistribution 30 to 30.
constexpr int64_t kPortGap = 30;

// Distances of the records from the first, in nanoseconds: gaps longer and
// shorter than the frames (a frame of 100 bytes takes 1 us), equal stamps,
// and fractions of a cycle that the pace rounds down.
const std::vector<int64_t> kStamps = {0,      40000,  43000,  43000,  68007,  158000,
                                      159000, 176003, 236000, 236000, 269333, 281000};

enum class Format { PcapMicroseconds, PcapngNanoseconds };

struct ReplayCase {
  const char* name;
  Format format;
  const char* timing;
  int iterations;
};
void PrintTo(const ReplayCase& c, std::ostream* out) { *out << c.name; }

// The stamps as the file holds them (microsecond files lose the fraction).
int64_t Stored(int64_t ns, Format format) { return format == Format::PcapMicroseconds ? ns / 1000 * 1000 : ns; }

void WriteCapture(const fs::path& path, const std::vector<Bytes>& frames, Format format) {
  const fs::path pcap = format == Format::PcapMicroseconds ? path : fs::path(path.string() + ".tmp");
  const auto precision = format == Format::PcapMicroseconds ? PCAP_TSTAMP_PRECISION_MICRO : PCAP_TSTAMP_PRECISION_NANO;
  pcap_t* dead = pcap_open_dead_with_tstamp_precision(DLT_EN10MB, 65535, precision);
  pcap_dumper_t* dumper = pcap_dump_open(dead, pcap.c_str());
  for (size_t k = 0; k < frames.size(); ++k) {
    const int64_t ns = 1700000000LL * 1000000000 + kStamps[k];
    pcap_pkthdr header{};
    header.ts.tv_sec = ns / 1000000000;
    header.ts.tv_usec = format == Format::PcapMicroseconds ? (ns % 1000000000) / 1000 : ns % 1000000000;
    header.caplen = header.len = static_cast<bpf_u_int32>(frames[k].size());
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frames[k].data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
  if (format == Format::PcapngNanoseconds) {
    // Wireshark's own converter writes the pcapng file.
    ASSERT_EQ(std::system(("editcap -F pcapng '" + pcap.string() + "' '" + path.string() + "'").c_str()), 0);
  }
}

struct TxFrame {
  Bytes bytes;
  int64_t endCycle;
  int64_t startCycle() const { return endCycle - static_cast<int64_t>(bytes.size()) + 1; }
};

std::vector<TxFrame> ReadTx(const fs::path& path) {
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* pcap = pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_NANO, error);
  std::vector<TxFrame> frames;
  if (!pcap) return frames;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(pcap, &header, &data) == 1) {
    const int64_t ns = static_cast<int64_t>(header->ts.tv_sec) * 1000000000 + header->ts.tv_usec;
    frames.push_back({Bytes(data, data + header->caplen), ns / kNsPerCycle});
  }
  pcap_close(pcap);
  return frames;
}

std::string Tcs(const ReplayCase& c, const char* file) {
  const std::string layers =
      "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\" "
      "validate_level=\"1\"/><ipv4 hlen=\"5\" ttl=\"64\" protocol=\"";
  const std::string capture = "\" validate_level=\"1\"/>";
  return "<corvel><streams><stream_set id=\"trace\"><protocols><pcap_stream file=\"" + std::string(file) +
         "\" fcs=\"add\" timing=\"" + c.timing + "\" iterations=\"" + std::to_string(c.iterations) +
         "\"/></protocols></stream_set>"
         "<stream_set id=\"tcp\" type=\"capture\"><protocols>" +
         layers + "6" + capture +
         "<tcp validate_level=\"1\"/><fixed_payload size=\"0\" signature=\"0\"/></protocols></stream_set>"
         "<stream_set id=\"udp\" type=\"capture\"><protocols>" +
         layers + "17" + capture +
         "<udp validate_level=\"1\"/><fixed_payload size=\"0\" signature=\"0\"/></protocols></stream_set></streams>"
         "<rx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"0\"><interpacket_timedistribution min_time=\"" +
         std::to_string(kPortGap) + "\" max_time=\"" + std::to_string(kPortGap) +
         "\"/><assign_stream_set id=\"trace\"/></port></rx_ports>"
         "<tx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"1\"><assign_stream_set id=\"tcp\"/>"
         "<assign_stream_set id=\"udp\"/></port></tx_ports></corvel>";
}

class PcapStreamReplay : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(PcapStreamReplay, ArrivesAsRecordedPlusFcsAtItsPaceAndPasses) {
  const ReplayCase& c = GetParam();
  if (c.format == Format::PcapngNanoseconds && std::system("command -v editcap >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "editcap is not installed";
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("pcap_stream_" + std::string(c.name) + "_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "tcs");
  const std::vector<Bytes> records = Conversation();
  ASSERT_EQ(records.size(), kStamps.size());
  // The file lies beside the TCS file, which pyxsim loads from another directory.
  const char* file = c.format == Format::PcapMicroseconds ? "trace.pcap" : "trace.pcapng";
  WriteCapture(dir / "tcs" / file, records, c.format);
  if (std::system("command -v tshark >/dev/null 2>&1") == 0) {
    EXPECT_EQ(TsharkView(dir / "tcs" / file),
              "1,,1,,\n1,,1,,\n1,1,,1460,\n1,1,,1460,\n1,1,,,\n1,1,,,\n1,1,,,\n1,1,,,\n1,1,,,\n1,1,,,\n1,1,,,\n"
              "1,1,,,\n");
  }
  std::ofstream(dir / "tcs" / "run.tcs") << Tcs(c, file);
  std::ofstream(dir / "run.pyx") << "rx_port 0 0 100 8 100\ntx_port 0 1 100 8 100\nforward 0 0 0 1\nlatency 20\n"
                                    "pcap out\ncorvel_load_tcs tcs/run.tcs\ncorvel_start\nrun\nclose\n";
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx")) << ReadText(dir / "console.txt");

  // Bytes: every record of every pass, padded to 60 bytes, with its FCS.
  const std::vector<TxFrame> tx = ReadTx(dir / "out" / "tx0p1.pcap");
  const size_t sent = records.size() * static_cast<size_t>(c.iterations);
  ASSERT_EQ(tx.size(), sent);
  for (size_t k = 0; k < sent; ++k) EXPECT_EQ(tx[k].bytes, OnTheWire(records[k % records.size()])) << "frame " << k;

  // Pace: a record starts at its stamp's cycle counted from the first record
  // of its pass, or right after the frame before when that is still going;
  // with timing="port", and between passes, the port's gap follows a frame.
  const bool recorded = std::string(c.timing) == "recorded";
  int64_t passStart = tx[0].startCycle();
  for (size_t k = 1; k < sent; ++k) {
    const size_t index = k % records.size();
    const int64_t free = tx[k - 1].endCycle + 1;
    int64_t expected = free + kPortGap;
    if (index == 0) {
      passStart = expected;
    } else if (recorded) {
      expected = std::max(passStart + Stored(kStamps[index], c.format) / kNsPerCycle, free);
    }
    EXPECT_LE(std::abs(tx[k].startCycle() - expected), 1)
        << "frame " << k << " starts at " << tx[k].startCycle() << ", expected " << expected;
  }

  // Verification by structure: every PDU passed, no route tested.
  std::string events;
  for (size_t k = 0; k < sent; ++k) events += "Device 0 Port 1 [s] Pdu contained 1 cell(s) { }\n";
  const std::string count = std::to_string(sent);
  events += "Capture stopped:\n  total PDU passed             " + count +
            "\n  total PDU failed             0\n  total PDU warnings           0\n"
            "  total PDU routes passed      0\n  total PDU routes failed      0\n"
            "  total PDU routes not tested  " +
            count + "\n  total Frames/Cells processed " + count +
            "\n  total Frames/Cells dropped   0\n  total Frames/Cells discarded 0\n"
            "  total Frames/Cells warnings  0\n";
  EXPECT_EQ(ReadText(dir / "TxEventsDev0Port1.txt"), events) << ReadText(dir / "console.txt");
  // The generation summary counts the stream's frames like any stream's.
  const std::string rx = ReadText(dir / "RxEventsDev0Port0.txt");
  EXPECT_NE(rx.find("Generation stopped:\n  totalPDUs   processed " + count + "\n  totalFrames/Cells processed " +
                    count + "\n"),
            std::string::npos)
      << rx;
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Captures, PcapStreamReplay,
                         ::testing::Values(ReplayCase{"RecordedPcap", Format::PcapMicroseconds, "recorded", 1},
                                           ReplayCase{"RecordedPcapngTwice", Format::PcapngNanoseconds, "recorded", 2},
                                           ReplayCase{"PortGapsTwice", Format::PcapMicroseconds, "port", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvel::test
