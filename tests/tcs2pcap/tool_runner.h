// Runs the tcs2pcap program and reads what it wrote: its exit status, its
// stdout and stderr, and the frames of a pcap file.
#pragma once

#include <pcap/pcap.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace corvel::test {

struct ToolResult {
  int status = -1;  // exit status, -1 when the program did not exit normally
  std::string out;
  std::string err;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A path in the test's temporary directory, unique to this process.
inline std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "tcs2pcap_" + std::to_string(getpid()) + "_" + name;
}

inline std::string ExamplesDir() { return std::string(CORVEL_SOURCE_DIR) + "/examples"; }
inline std::string FixtureDir() { return std::string(CORVEL_TEST_DATA) + "/tcs2pcap"; }

// Runs tcs2pcap with `arguments` (already quoted where needed) in `directory`.
inline ToolResult RunTool(const std::string& arguments, const std::string& directory = FixtureDir()) {
  const std::string out = TempPath("stdout.txt");
  const std::string err = TempPath("stderr.txt");
  const std::string command = "cd '" + directory + "' && '" + std::string(CORVEL_BIN_DIR) + "/tcs2pcap' " +
                              arguments + " >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  ToolResult result;
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  result.out = ReadFile(out);
  result.err = ReadFile(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return result;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

using Frame = std::vector<uint8_t>;

struct PcapContents {
  bool opened = false;
  int linkType = -1;
  std::vector<Frame> frames;
};

inline PcapContents ReadPcap(const std::string& path) {
  PcapContents contents;
  char error[PCAP_ERRBUF_SIZE];
  pcap_t* pcap = pcap_open_offline(path.c_str(), error);
  if (pcap == nullptr) return contents;
  contents.opened = true;
  contents.linkType = pcap_datalink(pcap);
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(pcap, &header, &data) == 1) contents.frames.emplace_back(data, data + header->caplen);
  pcap_close(pcap);
  return contents;
}

inline void WritePcap(const std::string& path, int linkType, const std::vector<Frame>& frames) {
  pcap_t* dead = pcap_open_dead(linkType, 262144);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  for (const Frame& frame : frames) {
    pcap_pkthdr header{};
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size());
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frame.data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

inline std::string Hex(const Frame& frame) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : frame) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0f];
  }
  return text;
}

}  // namespace corvel::test
