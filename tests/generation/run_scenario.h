// Runs one traffic scenario through pyxsim with the corvel_lite plug-in:
// a receive port 0/0 (100 MHz, so a pcap timestamp in nanoseconds is ten
// times the host cycle) whose frames are written to rx0p0.pcap.
#pragma once

#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace corvel::test {

namespace fs = std::filesystem;

struct CapturedFrame {
  uint64_t endCycle = 0;
  std::string hex;
  size_t length = 0;
};

inline std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::string HexOf(const uint8_t* data, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

inline std::vector<CapturedFrame> ReadFrames(const fs::path& path, uint64_t nanosecondsPerCycle = 10) {
  std::vector<CapturedFrame> frames;
  char error[PCAP_ERRBUF_SIZE];
  pcap_t* pcap = pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_NANO, error);
  if (!pcap) return frames;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(pcap, &header, &data) == 1) {
    const uint64_t ns = static_cast<uint64_t>(header->ts.tv_sec) * 1000000000u + header->ts.tv_usec;
    frames.push_back({ns / nanosecondsPerCycle, HexOf(data, header->caplen), header->caplen});
  }
  pcap_close(pcap);
  return frames;
}

// A fresh directory for one scenario.
inline fs::path ScenarioDir(const std::string& name) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("generation_" + std::to_string(getpid())) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// Writes scenario.tcs, runs pyxsim on it (rx 0/0 at 100 MHz with the host
// gap `hostGap`, forwarded to tx 0/1, pcap on) and answers the console output.
inline std::string RunPyxsim(const fs::path& dir, const std::string& tcs, int hostGap = 8,
                             const std::string& extraPorts = "") {
  std::ofstream(dir / "scenario.tcs") << tcs;
  std::ofstream(dir / "run.pyx") << "rx_port 0 0 100 " << hostGap << " 100\n"
                                 << "tx_port 0 1 100 8 100\nforward 0 0 0 1\n" << extraPorts << "pcap .\ncorvel_load_tcs scenario.tcs\ncorvel_start\nrun\nclose\n";
  const std::string command = "cd '" + dir.string() + "' && '" CORVEL_BIN_DIR "/pyxsim' -p '" CORVEL_BIN_DIR
                              "/libcorvel_lite.so' run.pyx >console.txt 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir / "console.txt");
  return ReadText(dir / "console.txt");
}

// The frames tcs2pcap builds for the sets, in the order given, one hex line each.
inline std::vector<std::string> Tcs2pcapFrames(const fs::path& dir, const std::vector<std::string>& sets) {
  std::string command = "cd '" + dir.string() + "' && '" CORVEL_BIN_DIR "/tcs2pcap' scenario.tcs --hex";
  for (const std::string& set : sets) command += " --set " + set;
  command += " >expected.txt 2>/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  return TextLines(ReadText(dir / "expected.txt"));
}

}  // namespace corvel::test
