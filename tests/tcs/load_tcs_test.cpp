// Whole TCS fixtures through the controller's load, compared line by line on
// the console. The section readers after the root settings find nothing yet,
// so every well-formed file ends in the stop state.
#include <gtest/gtest.h>

#include <string>

#include "corvel/host/corvel.h"
#include "corvel/base/text_error.h"
#include "tcs_test_support.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

using test::FixturePath;

WorkbenchPort HostPort(int32_t direction, int32_t device, int32_t port) {
  WorkbenchPort record;
  record.direction = direction;
  record.device = device;
  record.port = port;
  record.rate = 100;
  record.interpacketTime = 8;
  record.mediaBusClockFrequency = 66;
  return record;
}

constexpr const char* kParsed =
    "Corvel> ------ Traffic Config Spec parsed successfully\n"
    "Corvel> Simple load of document successful.\n";

constexpr const char* kPortsAndNoTables =
    "Corvel> The workbench registered 1 rxPorts and 1 txPorts.\n"
    "Corvel>   Connected generator object Device 0 Port 1.\n"
    "Corvel>   Connected capture object Device 0 Port 2.\n"
    "Corvel>   No table data found\n";

// The functions reader announces itself when the file has type_definitions
// and says that it found none otherwise.
std::string FunctionsReaderLine(const std::string& fixture) {
  return fixture == "proto_elements.tcs" ? "Corvel> ------ Retreiving Functions ------\n"
                                         : "Corvel> ERROR: Could not find stream node\n";
}

constexpr const char* kNoFunctionsAndNoSections =
    "Corvel>   No function specifications found\n"
    "Corvel>   No policy data found\n"
    "Corvel>   No stream data found\n"
    "Corvel> ERROR: Could not find stream node\n"
    "Corvel>   No RxPorts found\n"
    "Corvel> ERROR: Could not find stream node\n"
    "Corvel>   No TxPorts found\n"
    "Corvel> Transistion corvel to enCorvelStateStop.\n";

class LoadTcsTest : public ::testing::Test {
 protected:
  LoadTcsTest() {
    corvel.registerPort(HostPort(1, 0, 1));
    corvel.registerPort(HostPort(0, 0, 2));
  }

  // Loads a file that must fail; answers the text thrown.
  std::string loadFailing(const std::string& path) {
    try {
      corvel.LoadTcs(path.c_str());
    } catch (const TextError& error) {
      return error.text();
    }
    ADD_FAILURE() << path << " loaded";
    return {};
  }

  static std::string errorLines(const std::string& path, const std::string& text) {
    return "Corvel> Transistion corvel to enCorvelStateError.\n"
           "Corvel> ERROR: Exception while loading TCS file " + path + " [" + text + "]\n"
           "Corvel> ERROR: [" + text + "]\n";
  }

  test::ConsoleCapture console;
  Corvel corvel;
};

TEST_F(LoadTcsTest, MissingFileFailsBeforeAnythingIsRead) {
  const std::string path = FixturePath("no_such_file.tcs");
  const std::string text = loadFailing(path);
  EXPECT_EQ(text, "TCS configuration file does not exists.\n");
  EXPECT_EQ(console.take(), errorLines(path, text));
  EXPECT_EQ(corvel.state(), enCorvelStateError);
}

TEST_F(LoadTcsTest, SyntaxErrorIsReportedWithItsLine) {
  const std::string path = FixturePath("load_syntax_error.tcs");
  const std::string text = loadFailing(path);
  EXPECT_EQ(text, "Error, the TCS file contains a bad parameter.");
  const std::string out = console.take();
  const std::string head = "Corvel> === E R R O R ===\nCorvel> XML-PARSE-ERROR: on line 12, position ";
  ASSERT_EQ(out.compare(0, head.size(), head), 0) << out;
  EXPECT_NE(out.find(" of " + path + ".\nCorvel> XML-REASON     : "), std::string::npos) << out;
  EXPECT_NE(out.find(errorLines(path, text)), std::string::npos) << out;
  EXPECT_EQ(out.find("No table data found"), std::string::npos);
  EXPECT_EQ(corvel.state(), enCorvelStateError);
}

TEST_F(LoadTcsTest, RootOtherThanCorvelIsRefused) {
  const std::string path = FixturePath("load_wrong_root.tcs");
  const std::string text = loadFailing(path);
  EXPECT_EQ(text, "Error, unable to read required \"<corvel ...>\" parameters.\n");
  EXPECT_EQ(console.take(), kParsed + errorLines(path, text));
  EXPECT_EQ(corvel.state(), enCorvelStateError);
}

// Every well-formed fixture with a corvel root reads its settings and then
// finds no section.
class WellFormedFixtureTest : public LoadTcsTest,
                              public ::testing::WithParamInterface<const char*> {};

// The warning of the one fixture with an attribute no reader takes (the root
// ignores it), printed before the sections are read.
std::string UnknownNameWarnings(const std::string& fixture) {
  if (fixture != "root_crc_hex_one.tcs") return {};
  return "Corvel> Warning, unknown attribute other in <corvel> is ignored\nCorvel>   at " + FixturePath(fixture) +
         ":2, <corvel> attribute other=\"ignored\"\n";
}

TEST_P(WellFormedFixtureTest, EndsInTheStopStateWithEverySectionMissing) {
  EXPECT_FALSE(corvel.LoadTcs(FixturePath(GetParam()).c_str()));
  EXPECT_EQ(console.take(), std::string(kParsed) + UnknownNameWarnings(GetParam()) + kPortsAndNoTables +
                                FunctionsReaderLine(GetParam()) + kNoFunctionsAndNoSections);
  EXPECT_EQ(corvel.state(), enCorvelStateStop);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WellFormedFixtureTest,
                         ::testing::Values("root_defaults.tcs", "root_crc_zero_seed_hex.tcs",
                                           "root_crc_five_seed_octal.tcs", "root_crc_hex_one.tcs"),
    test::NameFromText());

// The protocol-element fixture holds stream sets: the streams reader lists
// them by id, and the load still ends in the stop state for want of ports.
TEST_F(LoadTcsTest, ProtocolElementFixtureReadsItsStreamSets) {
  EXPECT_FALSE(corvel.LoadTcs(FixturePath("proto_elements.tcs").c_str()));
  std::string expected = std::string(kParsed) + kPortsAndNoTables + FunctionsReaderLine("proto_elements.tcs") +
                         kNoFunctionsAndNoSections;
  const std::string noStreams = "Corvel>   No stream data found\n";
  const size_t at = expected.find(noStreams);
  ASSERT_NE(at, std::string::npos);
  expected.replace(at, noStreams.size(),
                   "Corvel> ------ Retreiving Streams ------\n"
                   "Corvel>   header_group\n"
                   "Corvel>   own_header\n"
                   "Corvel>   payloads\n"
                   "Corvel>   compressed\n"
                   "Corvel>   generic\n");
  EXPECT_EQ(console.take(), expected);
  EXPECT_EQ(corvel.state(), enCorvelStateStop);
}

TEST_F(LoadTcsTest, NoRegisteredPortFailsAfterTheRootSettings) {
  Corvel bare;
  const std::string path = FixturePath("root_defaults.tcs");
  try {
    bare.LoadTcs(path.c_str());
    FAIL() << "loaded without ports";
  } catch (const TextError& error) {
    const std::string text = error.text();
    EXPECT_EQ(text, "Corvel> Error, no devices was registered by the workbench\n");
    EXPECT_EQ(console.take(), kParsed +
                                  std::string("Corvel> The workbench registered 0 rxPorts and 0 "
                                              "txPorts.\n") +
                                  errorLines(path, text));
  }
}

}  // namespace
}  // namespace corvel
