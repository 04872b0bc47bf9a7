// A capture taken elsewhere, checked against a TCS file: hand-built frames
// written to a pcap file without their FCS, injected into a transmit port
// with `pyxsim inject ... fcs`, and the port's verdict on each.
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <fstream>
#include <sstream>
#include <string>

#include "hand_frames.h"
#include "pyxsim_run.h"
#include "real_conversation.h"
#include "real_frames.h"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;

void WritePcap(const fs::path& path, const std::vector<Bytes>& frames) {
  pcap_t* dead = pcap_open_dead(DLT_EN10MB, 65536);
  pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
  uint32_t microseconds = 0;
  for (const Bytes& frame : frames) {
    pcap_pkthdr header{};
    header.ts.tv_usec = microseconds += 20;
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size());
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frame.data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
}

// The frame as an ordinary host captures it: without its 4 FCS bytes.
Bytes WithoutFcs(Bytes frame) {
  frame.resize(frame.size() - 4);
  return frame;
}

TEST(Inject, HostCaptureVerifiedAgainstTheTcs) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("inject_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  WritePcap(dir / "host.pcap", {WithoutFcs(Frame({})), WithoutFcs(Frame({.ttl = 0})),
                                WithoutFcs(Frame({.extraTotalLength = 4})), WithoutFcs(Frame({.txPort = 5})),
                                WithoutFcs(Frame({.flipPayloadByte = true}))});
  std::ofstream(dir / "check.tcs")
      << "<corvel><streams><stream_set id=\"c\" type=\"capture\"><protocols>"
         "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\" "
         "validate_level=\"1\"/>"
         "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\" validate_level=\"1\"/>"
         "<udp src_port=\"1000\" dest_port=\"2000\" validate_level=\"1\"/>"
         "<fixed_payload size=\"40\" iterations=\"1\" tx_port=\"0,1\"/></protocols></stream_set></streams>"
         "<tx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"1\"><assign_stream_set id=\"c\"/></port>"
         "</tx_ports></corvel>";
  std::ofstream(dir / "run.pyx") << "tx_port 0 1\ncorvel_load_tcs check.tcs\ncorvel_start\n"
                                    "inject 0 1 host.pcap fcs\nrun\nclose\n";
  // A failed PDU and a failed route: the run fails.
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx", kTrafficFailed)) << ReadText(dir / "console.txt");
  const std::string pass = "Device 0 Port 1 [s] Pdu contained 1 cell(s) { RxPort 0 Stream 0 Pdu 1 }";
  const std::string log = ReadText(dir / "TxEventsDev0Port1.txt");
  EXPECT_EQ(log.substr(0, log.find("Capture stopped:")),
            pass + "\n" +  //
                pass + "[w] IPv4 warning,  TTL is zero \n" +
                "Tx Device 0 Port 1 [e] Pdu contained 1 cell(s) IPv4 verification error, payload size does not "
                "equal internal size.\n" +
                "Device 0 Port 1 [s] Pdu contained 1 cell(s) { RxPort 0 Stream 0 Pdu 1 } Routing to port 5 failed\n" +
                pass + "[w] Udp warning,  CHECKSUM recomputation does not match stored value \n")
      << ReadText(dir / "console.txt");
}

TEST(Inject, RealConversationPassesWithoutSignaturesOrPadding) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("conversation_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::vector<Bytes> frames = Conversation();
  WritePcap(dir / "host.pcap", frames);
  size_t shortFrames = 0;
  for (const Bytes& frame : frames) shortFrames += frame.size() < 60 ? 1 : 0;
  ASSERT_EQ(shortFrames, 5u);  // the pure ACKs and both FINs
  if (std::system("command -v tshark >/dev/null 2>&1") == 0) {
    EXPECT_EQ(TsharkView(dir / "host.pcap"),
              "1,,1,,\n1,,1,,\n1,1,,1460,\n1,1,,1460,\n1,1,,,\n1,1,,,\n1,1,,,\n1,1,,,\n1,1,,,\n1,1,,,\n1,1,,,\n"
              "1,1,,,\n");
  }
  const char* layers =
      "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\" "
      "validate_level=\"1\"/><ipv4 hlen=\"5\" ttl=\"64\" protocol=\"%d\" validate_level=\"1\"/>";
  char tcp[512];
  char udp[512];
  std::snprintf(tcp, sizeof tcp, layers, 6);
  std::snprintf(udp, sizeof udp, layers, 17);
  std::ofstream(dir / "real.tcs")
      << "<corvel><streams><stream_set id=\"tcp\" type=\"capture\"><protocols>" << tcp
      << "<tcp validate_level=\"1\"/><fixed_payload size=\"0\" signature=\"0\"/></protocols></stream_set>"
         "<stream_set id=\"udp\" type=\"capture\"><protocols>"
      << udp
      << "<udp validate_level=\"1\"/><fixed_payload size=\"0\" signature=\"0\"/></protocols></stream_set></streams>"
         "<tx_ports eventlog_dir=\"./\"><port device=\"0\" port=\"1\"><assign_stream_set id=\"tcp\"/>"
         "<assign_stream_set id=\"udp\"/></port></tx_ports></corvel>";
  std::ofstream(dir / "run.pyx") << "tx_port 0 1\ncorvel_load_tcs real.tcs\ncorvel_start\n"
                                    "inject 0 1 host.pcap fcs\nrun\nclose\n";
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx")) << ReadText(dir / "console.txt");
  std::string expected;
  for (size_t i = 0; i < frames.size(); ++i) expected += "Device 0 Port 1 [s] Pdu contained 1 cell(s) { }\n";
  expected +=
      "Capture stopped:\n"
      "  total PDU passed             12\n"
      "  total PDU failed             0\n"
      "  total PDU warnings           0\n"
      "  total PDU routes passed      0\n"
      "  total PDU routes failed      0\n"
      "  total PDU routes not tested  12\n"
      "  total Frames/Cells processed 12\n"
      "  total Frames/Cells dropped   0\n"
      "  total Frames/Cells discarded 0\n"
      "  total Frames/Cells warnings  0\n";
  EXPECT_EQ(ReadText(dir / "TxEventsDev0Port1.txt"), expected) << ReadText(dir / "console.txt");
}

}  // namespace
}  // namespace corvel::test
