// Bit errors injected on a receive port, judged on the capture: the share of
// flipped bits, the burst lengths, tshark's verdict on the frame check
// sequences, and repeatability for a given seed.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <memory>
#include <set>

#include "run_scenario.h"

namespace corvel::test {
namespace {

constexpr int kFrames = 1000;

std::string Scenario(const char* errorRate) {
  return std::string("<corvel random_number_seed=\"7\"><streams><stream_set id=\"S\"><protocols>"
                     "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
                     "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
                     "<udp src_port=\"1000\" dest_port=\"2000\"/>"
                     "<fixed_payload size=\"1000\" iterations=\"") +
         std::to_string(kFrames) +
         "\" tx_port=\"0,1\"/></protocols></stream_set></streams>"
         "<rx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"0\">"
         "<interpacket_timedistribution min_time=\"1\" max_time=\"1\"/>"
         "<frame_bit_error error_rate=\"" + errorRate + "\" max_burst_length=\"3\"/>"
         "<assign_stream_set id=\"S\"/></port></rx_ports></corvel>";
}

std::vector<uint8_t> Bytes(const std::string& hex) {
  std::vector<uint8_t> bytes(hex.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  return bytes;
}

// Frame numbers (from 1) whose FCS tshark finds bad.
std::set<int> BadFcsFrames(const fs::path& pcap) {
  const std::string command = "tshark -n -r '" + pcap.string() +
                              "' -o eth.fcs:Always -o eth.check_fcs:TRUE -T fields -e frame.number -e eth.fcs.status "
                              "2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::set<int> bad;
  char line[256];
  while (pipe && std::fgets(line, sizeof line, pipe.get())) {
    int number = 0;
    int status = -1;
    if (std::sscanf(line, "%d %d", &number, &status) == 2 && status == 0) bad.insert(number);
  }
  return bad;
}

TEST(BitErrors, RateBurstsFcsAndRepeatability) {
  const fs::path clean = ScenarioDir("BitErrorsClean");
  const fs::path damaged = ScenarioDir("BitErrorsDamaged");
  const fs::path again = ScenarioDir("BitErrorsAgain");
  RunPyxsim(clean, Scenario("0"));
  RunPyxsim(damaged, Scenario("0.001"));
  RunPyxsim(again, Scenario("0.001"));

  const std::vector<CapturedFrame> reference = ReadFrames(clean / "rx0p0.pcap");
  const std::vector<CapturedFrame> frames = ReadFrames(damaged / "rx0p0.pcap");
  ASSERT_EQ(reference.size(), static_cast<size_t>(kFrames));
  ASSERT_EQ(frames.size(), reference.size());
  // Rate 0 sends exactly the frames tcs2pcap builds.
  const std::vector<std::string> built = Tcs2pcapFrames(clean, {"S"});
  ASSERT_EQ(built.size(), reference.size());
  for (size_t i = 0; i < built.size(); ++i) ASSERT_EQ(reference[i].hex, built[i]) << i;
  EXPECT_EQ(ReadText(damaged / "rx0p0.pcap"), ReadText(again / "rx0p0.pcap"));

  uint64_t bits = 0;
  uint64_t flipped = 0;
  int longestBurst = 0;
  std::set<int> damagedFrames;
  for (size_t i = 0; i < frames.size(); ++i) {
    const std::vector<uint8_t> sent = Bytes(frames[i].hex);
    const std::vector<uint8_t> wanted = Bytes(reference[i].hex);
    ASSERT_EQ(sent.size(), wanted.size());
    int run = 0;
    for (size_t k = 0; k < sent.size(); ++k) {
      const uint8_t difference = sent[k] ^ wanted[k];
      flipped += static_cast<uint64_t>(std::popcount(difference));
      for (int bit = 7; bit >= 0; --bit) {
        run = (difference >> bit) & 1 ? run + 1 : 0;
        longestBurst = std::max(longestBurst, run);
      }
    }
    bits += 8 * sent.size();
    if (sent != wanted) damagedFrames.insert(static_cast<int>(i) + 1);
  }
  const double share = static_cast<double>(flipped) / static_cast<double>(bits);
  // About 8.4 million bits: some 2,800 bursts, so the share is within a few
  // per cent of the rate.
  EXPECT_NEAR(share, 0.001, 0.0001) << flipped << " of " << bits;
  EXPECT_GE(longestBurst, 2);
  EXPECT_LE(longestBurst, 3);
  EXPECT_EQ(BadFcsFrames(damaged / "rx0p0.pcap"), damagedFrames);
  EXPECT_TRUE(BadFcsFrames(clean / "rx0p0.pcap").empty());
  // The generation summary counts the flipped bits.
  EXPECT_NE(ReadText(damaged / "RxEventsDev0Port0.txt").find("  totalBits   flipped   " + std::to_string(flipped) + "\n"),
            std::string::npos);
}

}  // namespace
}  // namespace corvel::test
