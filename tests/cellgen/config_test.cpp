// The configuration file through cellgen_load_config: which lines are
// accepted, which fail the load, and the messages of the refusals.
#include <gtest/gtest.h>

#include "plugin_harness.h"

namespace cellgen_test {
namespace {

const std::string kGen = "STREAM 1,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,0,0\n";

struct ConfigCase {
  const char* what;
  std::string text;
};

// Every case is loaded after a good configuration, so a refusal must also
// switch the good one off.
void expectRefused(const ConfigCase& c) {
  SCOPED_TRACE(c.what);
  PluginHarness host;
  ASSERT_EQ(host.loadText("PORT 0,0,SEQ,1,IN\n" + kGen), 1);
  PyxPortHandle port = host.openPort(0, 0);
  ASSERT_FALSE(host.packet(port).empty());
  EXPECT_EQ(host.loadText(c.text), 0);
  EXPECT_TRUE(host.packet(port).empty()) << "nothing is produced after a failed load";
  EXPECT_EQ(GetInterpacketTime(port), 0);
  EXPECT_EQ(host.errors(), "") << "only the limits and missing files have messages";
}

TEST(CellgenConfig, RefusedLines) {
  const ConfigCase cases[] = {
      {"device 8", "PORT 8,0,SEQ,1,IN\n"},
      {"port 16", "PORT 0,16,SEQ,1,IN\n"},
      {"occupied slot", "PORT 1,2,SEQ,1,IN\nPORT 1,2,RND,1,IN\n"},
      {"unknown selection", "PORT 0,0,FIFO,1,IN\n"},
      {"keyword with a trailing blank", "PORT 0,0,SEQ ,1,IN\n"},
      {"unknown direction", "PORT 0,0,SEQ,1,UP\n"},
      {"blanks do not separate", "PORT 0 0 SEQ 1 IN\n"},
      {"missing argument", "PORT 0,0,SEQ,1\n"},
      {"extra argument", "PORT 0,0,SEQ,1,IN,7\n"},
      {"blank argument", "PORT 0, ,SEQ,1,IN\n"},
      {"not a number", "PORT 0,x1,SEQ,1,IN\n"},
      {"number then text", "PORT 0,1 2,SEQ,1,IN\n"},
      {"negative", "PORT 0,0,SEQ,-1,IN\n"},
      {"interpacket time beyond 32 bits", "PORT 0,0,SEQ,4294967296,IN\n"},
      {"stream before any port", kGen + "PORT 0,0,SEQ,1,IN\n"},
      {"unknown stream kind", "PORT 0,0,SEQ,1,IN\nSTREAM 1,IN,CELL,0\n"},
      {"stream direction", "PORT 0,0,SEQ,1,IN\nSTREAM 1,SIDEWAYS,GEN,0,0,0,0,0,0,0,0,0,0,0,0,0\n"},
      {"GEN value missing", "PORT 0,0,SEQ,1,IN\nSTREAM 1,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,0\n"},
      {"GEN class beyond a byte", "PORT 0,0,SEQ,1,IN\nSTREAM 1,IN,GEN,256,0,0,0,0,0,0,0,0,0,0,0,0\n"},
      {"GEN fill beyond a byte", "PORT 0,0,SEQ,1,IN\nSTREAM 1,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,0,0x100\n"},
      {"GEN fill bad octal", "PORT 0,0,SEQ,1,IN\nSTREAM 1,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,0,08\n"},
      {"GENR without file", "PORT 0,0,SEQ,1,IN\nSTREAM 1,IN,GENR,0,0,0,0,0,0,0,0,0,0\n"},
      {"RAW without file", "PORT 0,0,SEQ,1,IN\nSTREAM 1,IN,RAW\n"},
      {"LOGFILE without name", "LOGFILE\n"},
      {"good lines before a failing one", "PORT 0,0,SEQ,1,IN\n" + kGen + "PORT 9,0,SEQ,1,IN\n"},
  };
  for (const ConfigCase& c : cases) expectRefused(c);
}

TEST(CellgenConfig, AcceptedSpellings) {
  const ConfigCase cases[] = {
      {"lower case, comma separated", "port 0,0,seq,7,in\nstream 1,out,gen,0,0,0,0,0,0,0,0,0,0,0,0,0\n"},
      {"tabs and blanks before arguments", "PORT\t0,\t0,  SEQ,7 ,\tIN\n" + kGen},
      {"trailing comma and blanks", "PORT 0,0,SEQ,7,IN,  \n" + kGen},
      {"comments, blank and foreign lines",
       "# a comment\n   \n\t# indented comment\nSPEED 10\n\nPORT 0,0,RND,7,IN\r\n" + kGen},
      {"leading white space before the keyword", "   PORT 0,0,SEQ,7,OUT\n" + kGen},
      {"a line of 255 characters", "PORT 0,0,SEQ,7" + std::string(255 - 17, ' ') + ",IN\n" + kGen},
  };
  for (const ConfigCase& c : cases) {
    SCOPED_TRACE(c.what);
    PluginHarness host;
    EXPECT_EQ(host.loadText(c.text), 1);
    PyxPortHandle port = host.openPort(0, 0);
    EXPECT_EQ(GetInterpacketTime(port), 7);
    EXPECT_EQ(host.packet(port).size(), 22u);
    EXPECT_EQ(host.errors(), "");
  }
}

TEST(CellgenConfig, FillByteInDecimalHexAndOctal) {
  for (const char* fill : {"31", "0x1f", "0X1F", "037", "31  "}) {
    SCOPED_TRACE(fill);
    PluginHarness host;
    ASSERT_EQ(host.loadText(std::string("PORT 0,0,SEQ,0,IN\nSTREAM 1,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,1,") +
                            fill + "\n"),
              1);
    EXPECT_EQ(host.packet(host.openPort(0, 0)).back(), 31);
  }
}

TEST(CellgenConfig, MissingConfigurationFile) {
  PluginHarness host;
  const std::string name = host.dir().path("absent.cfg");
  EXPECT_EQ(host.load(name), 0);
  EXPECT_EQ(host.errors(), "fopen() failed: " + name + "\n");
}

TEST(CellgenConfig, LogFileIsCreatedEmpty) {
  PluginHarness host;
  const std::string log = host.dir().write("cellgen.log", "old text");
  ASSERT_EQ(host.loadText("LOGFILE " + log + "\nPORT 0,0,SEQ,0,IN\n" + kGen), 1);
  EXPECT_EQ(std::filesystem::file_size(log), 0u);
  // One that cannot be created is reported; the load goes on.
  const std::string bad = host.dir().path("no/such/dir/cellgen.log");
  EXPECT_EQ(host.loadText("LOGFILE " + bad + "\nPORT 0,0,SEQ,0,IN\n" + kGen), 1);
  EXPECT_EQ(host.errors(), "fopen() failed: " + bad + "\n");
}

TEST(CellgenConfig, MissingDataFileLeavesStreamInactive) {
  for (const char* kind : {"RAW,", "GENR,0,0,0,0,0,0,0,0,0,0,"}) {
    SCOPED_TRACE(kind);
    PluginHarness host;
    const std::string name = host.dir().path("absent.txt");
    ASSERT_EQ(host.loadText("PORT 0,0,SEQ,0,IN\nSTREAM 1,IN," + std::string(kind) + name + "\n"), 1);
    EXPECT_EQ(host.errors(), "fopen() failed: " + name + "\n");
    PyxPortHandle port = host.openPort(0, 0);
    EXPECT_TRUE(host.packet(port).empty());
  }
}

TEST(CellgenConfig, DataFileWithoutPacketsSendsNothing) {
  PluginHarness host;
  const std::string raw = host.dir().write("raw.txt", "# nothing here\n,\n");
  const std::string genr = host.dir().write("genr.txt", "");
  ASSERT_EQ(host.loadText("PORT 0,0,SEQ,0,IN\nSTREAM 1,IN,RAW," + raw + "\nSTREAM 2,IN,GENR,0,0,0,0,0,0,0,0,0,0," +
                          genr + "\n"),
            1);
  EXPECT_TRUE(host.packet(host.openPort(0, 0)).empty());
}

// Inputs beyond the buffers: refused with a message naming file and line.
TEST(CellgenConfig, LimitsAreRefusedWithAMessage) {
  PluginHarness host;
  std::string config = "PORT 0,0,SEQ,0" + std::string(256 - 17, ' ') + ",IN\n";
  std::string name = host.dir().write("long.cfg", config);
  EXPECT_EQ(host.load(name), 0);
  EXPECT_EQ(host.errors(), name + ":1: line longer than 255 characters\n");

  host.clearErrors();
  name = host.dir().write("frame.cfg", "PORT 0,0,SEQ,0,IN\nSTREAM 1,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,122873,0\n");
  EXPECT_EQ(host.load(name), 0);
  EXPECT_EQ(host.errors(),
            name + ":2: frame length 122873 needs more than 1024 cells (at most 122872 bytes)\n");

  host.clearErrors();
  const std::string genr = host.dir().write("genr.txt", "00\n" + std::string(1024, 'a') + "\n");
  name = host.dir().write("genr.cfg", "PORT 0,0,SEQ,0,IN\nSTREAM 1,IN,GENR,0,0,0,0,0,0,0,0,0,0," + genr + "\n");
  EXPECT_EQ(host.load(name), 0);
  EXPECT_EQ(host.errors(), genr + ":2: line longer than 1023 characters\n");

  host.clearErrors();
  const std::string raw = host.dir().write("raw.txt", "00 11\n22 3\n");
  name = host.dir().write("raw.cfg", "PORT 0,0,SEQ,0,IN\nSTREAM 1,IN,RAW," + raw + "\n");
  EXPECT_EQ(host.load(name), 0);
  EXPECT_EQ(host.errors(), raw + ":2: bytes must be pairs of hexadecimal digits\n");

  host.clearErrors();
  const std::string bad = host.dir().write("bad.txt", "00 1x\n");
  name = host.dir().write("bad.cfg", "PORT 0,0,SEQ,0,IN\nSTREAM 1,IN,GENR,0,0,0,0,0,0,0,0,0,0," + bad + "\n");
  EXPECT_EQ(host.load(name), 0);
  EXPECT_EQ(host.errors(), bad + ":1: bytes must be pairs of hexadecimal digits\n");
}

TEST(CellgenConfig, AtMost4096StreamsPerPort) {
  PluginHarness host;
  std::string config = "PORT 3,4,SEQ,0,IN\n";
  for (int i = 0; i < 4096; ++i) config += kGen;
  std::string name = host.dir().write("full.cfg", config);
  EXPECT_EQ(host.load(name), 1);
  EXPECT_EQ(host.packet(host.openPort(3, 4)).size(), 22u);

  name = host.dir().write("over.cfg", config + kGen);
  EXPECT_EQ(host.load(name), 0);
  EXPECT_EQ(host.errors(), name + ":4098: port 3,4 already has 4096 streams\n");
}

TEST(CellgenConfig, LongestGenrLineIsAccepted) {
  PluginHarness host;
  std::string line;
  for (int i = 0; i < 511; ++i) line += "5a";
  line += ' ';
  const std::string genr = host.dir().write("genr.txt", line + "\r\n");
  ASSERT_EQ(host.loadText("PORT 0,0,SEQ,0,IN\nSTREAM 1,IN,GENR,0,0,0,0,0,0,0,0,0,0," + genr + "\n"), 1);
  PyxPortHandle port = host.openPort(0, 0);
  std::size_t payload = 0;
  for (const Bytes& cell : host.packets(port, 5)) payload += cell.size() - (payload == 0 ? 22 : 14);
  EXPECT_EQ(payload, 511u);
}

}  // namespace
}  // namespace cellgen_test
