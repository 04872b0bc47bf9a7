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

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

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
  const std::string command = "cd '" + dir.string() + "' && '" CORVEL_BIN_DIR "/pyxsim' -p '" CORVEL_BIN_DIR
                              "/libcorvel_lite.so' quickstart.pyx >console.txt 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(dir / "console.txt");
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

}  // namespace
