// A receive port paced by its rate element, end to end through pyxsim with
// the real plug-in. The oracle is pyxsim's own pcap of the receive port: its
// timestamps give the cycle each frame ended in, its records the frame
// lengths, from which the rate of the run is measured.
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pyxsim_run.h"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;

struct RateCase {
  const char* name;
  int lineMbps;         // the port's rate word
  int megahertz;        // its clock
  const char* rate;     // the rate element
  const char* payload;  // the payload element of the one stream
  double mbps;          // the rate asked for, or 0
  double fps;           // the frame rate asked for, or 0
  bool behind = false;  // some frames are longer than their share
};
void PrintTo(const RateCase& c, std::ostream* out) { *out << c.name; }

const RateCase kCases[] = {
    {"OnePercent", 100, 66, "<rate percent=\"1\"/>", "<fixed_payload size=\"64\" iterations=\"40\"/>", 1.0, 0},
    {"HalfLine", 100, 66, "<rate percent=\"50\"/>", "<fixed_payload size=\"64\" iterations=\"200\"/>", 50.0, 0},
    {"FullLine", 100, 66, "<rate percent=\"100\"/>", "<fixed_payload size=\"64\" iterations=\"200\"/>", 100.0, 0},
    {"MixedSizesHalfLine", 100, 66, "<rate percent=\"50\"/>",
     "<fixed_payload size=\"18,64,512,1472,100,333\" iterations=\"40\"/>", 50.0, 0},
    {"MixedSizesFullLine", 100, 66, "<rate percent=\"100\"/>",
     "<random_payload min_size=\"18\" max_size=\"1472\" iterations=\"200\"/>", 100.0, 0},
    {"MbpsOnFastLine", 1000, 66, "<rate mbps=\"333.3\"/>",
     "<random_payload min_size=\"18\" max_size=\"1472\" iterations=\"200\"/>", 333.3, 0},
    {"FramesPerSecond", 100, 125, "<rate fps=\"12345.6\"/>",
     "<random_payload min_size=\"18\" max_size=\"1000\" iterations=\"200\"/>", 0, 12345.6},
    // Shares of 600 cycles: each frame of 1046 bytes runs late, the next
    // frame of 64 bytes makes it up.
    {"FramesPerSecondCatchingUp", 100, 125, "<rate fps=\"208333.3333\"/>",
     "<fixed_payload size=\"18,1000\" iterations=\"100\"/>", 0, 208333.3333, true},
};

struct RxFrame {
  int64_t length;
  int64_t endCycle;
};

// The cycle of a stamp: pyxsim writes the cycle's time rounded down to the
// nanosecond, which at most `megahertz` <= 1000 leaves one cycle per stamp.
std::vector<RxFrame> ReadRx(const fs::path& path, int megahertz) {
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* pcap = pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_NANO, error);
  std::vector<RxFrame> frames;
  if (!pcap) return frames;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(pcap, &header, &data) == 1) {
    const int64_t ns = static_cast<int64_t>(header->ts.tv_sec) * 1000000000 + header->ts.tv_usec;
    frames.push_back({static_cast<int64_t>(header->len), (ns * megahertz + 999) / 1000});
  }
  pcap_close(pcap);
  return frames;
}

std::string Tcs(const RateCase& c) {
  return std::string(
             "<corvel compute_crc=\"1\" "
             "compute_checksum=\"1\"><streams><stream_set id=\"s\"><protocols>"
             "<ethernet dest_addr=\"0x00a0c9000002\" "
             "src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
             "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" "
             "src_addr=\"192.168.1.1\" dest_addr=\"192.168.2.1\"/>"
             "<udp src_port=\"1024\" dest_port=\"4000\"/>") +
         c.payload +
         "</protocols></stream_set></streams><rx_ports "
         "eventlog_dir=\"./\"><port device=\"0\" port=\"0\">" +
         c.rate + "<assign_stream_set id=\"s\"/></port></rx_ports><tx_ports/></corvel>";
}

class RatePacing : public ::testing::TestWithParam<RateCase> {};

TEST_P(RatePacing, RunMatchesTheRateInPyxsimsCapture) {
  const RateCase& c = GetParam();
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("rate_" + std::string(c.name) + "_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "run.tcs") << Tcs(c);
  std::ofstream(dir / "run.pyx") << "rx_port 0 0 " << c.lineMbps << " 8 " << c.megahertz
                                 << "\ndrop 0 0\npcap out\ncorvel_load_tcs "
                                    "run.tcs\ncorvel_start\nrun\nclose\n";
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx")) << ReadText(dir / "console.txt");

  const std::vector<RxFrame> rx = ReadRx(dir / "out" / "rx0p0.pcap", c.megahertz);
  ASSERT_GE(rx.size(), 40u) << ReadText(dir / "console.txt");
  // Every frame the generator counts is in the capture.
  const std::string events = ReadText(dir / "RxEventsDev0Port0.txt");
  EXPECT_NE(events.find("totalFrames/Cells processed " + std::to_string(rx.size()) + "\n"), std::string::npos)
      << events;
  EXPECT_EQ(events.find("Port falls behind its rate: a frame is longer than its share") != std::string::npos, c.behind)
      << events;
  EXPECT_EQ(events.find("Port falls behind its rate: a frame is longer than its share") != std::string::npos, c.behind)
      << events;

  // From the first byte of the first frame to the first byte of the last:
  // every frame but the last with its gap.
  const auto start = [](const RxFrame& f) { return f.endCycle - f.length + 1; };
  const double cycles = static_cast<double>(start(rx.back()) - start(rx.front()));
  double bytes = 0;
  for (size_t k = 0; k + 1 < rx.size(); ++k) bytes += static_cast<double>(rx[k].length);
  const double frames = static_cast<double>(rx.size() - 1);
  const double seconds = cycles / (c.megahertz * 1e6);
  // The exact length of the run at the rate asked for, in cycles.
  const double exact = c.mbps > 0 ? bytes * 8 * c.megahertz / c.mbps : frames * c.megahertz * 1e6 / c.fps;
  if (c.mbps > 0) {
    EXPECT_NEAR(bytes * 8 / seconds / 1e6, c.mbps, c.mbps / 100);
  } else {
    EXPECT_NEAR(frames / seconds, c.fps, c.fps / 100);
  }
  // The remainder carried from gap to gap keeps the whole run within a
  // cycle of exact, however many frames it has.
  EXPECT_LE(std::fabs(cycles - exact), 1.0) << cycles << " cycles, exactly " << exact;
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Rates, RatePacing, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvel::test
