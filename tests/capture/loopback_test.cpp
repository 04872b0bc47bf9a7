// The quickstart example run as a user runs it: every frame a receive port
// generates comes back through the processor stand-in to a transmit port,
// which verifies every PDU and finds it passed, with nothing to warn about.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "pyxsim_run.h"

namespace {

namespace fs = std::filesystem;
using corvel::test::ReadText;
using corvel::test::RunPyxsim;

int Total(const std::string& log, const std::string& counter) {
  std::smatch match;
  const std::regex pattern("  " + counter + " +([0-9]+)\n");
  return std::regex_search(log, match, pattern) ? std::stoi(match[1]) : -1;
}

TEST(Loopback, QuickstartPassesEveryPdu) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("loopback_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "out");
  for (const char* file : {"quickstart.tcs", "quickstart.pyx"})
    fs::copy_file(fs::path(CORVEL_SOURCE_DIR) / "examples" / file, dir / file);
  ASSERT_TRUE(RunPyxsim(dir, "quickstart.pyx")) << ReadText(dir / "console.txt");
  int sent = 0;
  for (int port = 0; port < 3; ++port) {
    const std::string rx = ReadText(dir / "out" / ("RxEventsDev0Port" + std::to_string(port) + ".txt"));
    const std::string tx = ReadText(dir / "out" / ("TxEventsDev0Port" + std::to_string(port) + ".txt"));
    const int frames = Total(rx, "totalFrames/Cells processed");
    EXPECT_GT(frames, 0) << port;
    sent += frames;
    EXPECT_EQ(Total(tx, "total PDU passed"), frames) << port;
    EXPECT_EQ(Total(tx, "total PDU routes passed"), frames) << port;
    EXPECT_EQ(Total(tx, "total Frames/Cells processed"), frames) << port;
    for (const char* counter : {"total PDU failed", "total PDU warnings", "total Frames/Cells dropped",
                                "total Frames/Cells discarded"})
      EXPECT_EQ(Total(tx, counter), 0) << port << " " << counter;
    EXPECT_EQ(tx.find("[w]"), std::string::npos) << tx;
    // Every line names the stream and PDU the payload tag carried.
    EXPECT_NE(tx.find("Pdu contained 1 cell(s) { RxPort " + std::to_string(port) + " Stream 0 Pdu 1 }"),
              std::string::npos);
  }
  EXPECT_EQ(sent, 17 + 6 + 4);
}

// IPv4/UDP in AAL5 over ATM: every PDU is cut into cells, forwarded cell by
// cell, reassembled per connection and checked down to the AAL5 CRC.
TEST(Loopback, Aal5OverAtmReassembledAndPassed) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("loopback_atm_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(fs::path(CORVEL_TEST_DATA) / "capture" / "aal5_over_atm.tcs", dir / "atm.tcs");
  std::ofstream(dir / "run.pyx") << "rx_port 0 0\ntx_port 0 1\nforward 0 0 0 1\ncorvel_load_tcs atm.tcs\n"
                                    "corvel_start\nrun\nclose\n";
  ASSERT_TRUE(RunPyxsim(dir, "run.pyx")) << ReadText(dir / "console.txt");
  // 100, 200 and 300 payload bytes + UDP 8 + IPv4 20 + LLC/SNAP 8 + trailer 8,
  // padded to whole cells of 48: 3, 6 and 8 cells.
  const std::string log = ReadText(dir / "TxEventsDev0Port1.txt");
  EXPECT_EQ(log.substr(0, log.find("Capture stopped:")),
            "Device 0 Port 1 [s] Pdu contained 3 cell(s) { RxPort 0 Stream 0 Pdu 1 }\n"
            "Device 0 Port 1 [s] Pdu contained 6 cell(s) { RxPort 0 Stream 0 Pdu 2 }\n"
            "Device 0 Port 1 [s] Pdu contained 8 cell(s) { RxPort 0 Stream 0 Pdu 3 }\n");
  EXPECT_EQ(Total(log, "total Frames/Cells processed"), 17);
}

}  // namespace
