// The rate element of a receive port: every refused form with its whole
// report (the parse error and the place line naming the rate element's
// line), and forms that load without a word of error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "corvel/host/pyx_devices.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/tcs_document.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

struct RateCase {
  const char* name;
  int32_t port;         // 0: 100 Mbps at 66 MHz; 1: 1000 Mbps at 66 MHz; 4: line rate 0
                        // at 100 MHz
  const char* before;   // port children on the line before the rate element
  const char* rate;     // the rate element, on line 5
  const char* reports;  // the error lines and their place lines; @FILE@ is the file
};
void PrintTo(const RateCase& c, std::ostream* out) { *out << c.name; }

#define ERR(text)                            \
  "Corvel> PARSE-ERROR: " text               \
  " (TcsRxPortMgt)\nCorvel>   at @FILE@:5, " \
  "<rate>"
const RateCase kCases[] = {
    {"MbpsAtLine", 0, "", "<rate mbps=\"100\"/>", ""},
    {"PercentFraction", 0, "", "<rate percent=\" 0.5 \"/>", ""},
    {"FpsAtOneBytePerCycleOfTheLine", 0, "", "<rate fps=\"12500000\"/>", ""},
    {"MbpsAtClockOfFastLine", 1, "", "<rate mbps=\"528\"/>", ""},
    {"MbpsAboveLine", 0, "", "<rate mbps=\"100.5\"/>",
     ERR("rate mbps=\"100.5\" cannot be reached: the port carries at most 100 "
         "Mbps") " attribute mbps=\"100.5\"\n"},
    {"MbpsAboveClock", 1, "", "<rate mbps=\"600\"/>",
     ERR("rate mbps=\"600\" cannot be reached: the port carries at most 528 "
         "Mbps") " attribute mbps=\"600\"\n"},
    {"PercentAboveAll", 0, "", "<rate percent=\"101\"/>",
     ERR("rate percent=\"101\" cannot be reached: the port carries at most 100 "
         "percent of its line rate of 100 "
         "Mbps") " attribute percent=\"101\"\n"},
    {"PercentOfLineFasterThanClock", 1, "", "<rate percent=\"60\"/>",
     ERR("rate percent=\"60\" cannot be reached: the port carries at most 52.8 "
         "percent of its line rate of 1000 "
         "Mbps") " attribute percent=\"60\"\n"},
    {"PercentWithoutLine", 4, "", "<rate percent=\"50\"/>",
     ERR("rate percent=\"50\" needs the port's line rate, which the host gave "
         "as 0 Mbps") " attribute "
                      "percent=\"50\"\n"},
    {"MbpsWithoutLineUsesClock", 4, "", "<rate mbps=\"800\"/>", ""},
    {"FpsAboveOneBytePerCycle", 0, "", "<rate fps=\"12500001\"/>",
     ERR("rate fps=\"12500001\" cannot be reached: the port carries at most "
         "12500000 frames per second") " attribute "
                                       "fps=\"12500001\"\n"},
    {"Zero", 0, "", "<rate mbps=\"0\"/>", ERR("rate mbps=\"0\" is not a positive number") " attribute mbps=\"0\"\n"},
    {"Negative", 0, "", "<rate fps=\"-3\"/>",
     ERR("rate fps=\"-3\" is not a positive number") " attribute fps=\"-3\"\n"},
    {"NotANumber", 0, "", "<rate percent=\"50%\"/>",
     ERR("rate percent=\"50%\" is not a positive number") " attribute "
                                                          "percent=\"50%\"\n"},
    {"Empty", 0, "", "<rate mbps=\"\"/>", ERR("rate mbps=\"\" is not a positive number") " attribute mbps=\"\"\n"},
    {"Infinite", 0, "", "<rate mbps=\"inf\"/>",
     ERR("rate mbps=\"inf\" is not a positive number") " attribute "
                                                       "mbps=\"inf\"\n"},
    {"BelowOneBitPerSecond", 0, "", "<rate mbps=\"0.0000001\"/>",
     ERR("rate mbps=\"0.0000001\" is below the slowest rate the port paces, "
         "1e-06 Mbps") " attribute "
                       "mbps=\"0.0000001\"\n"},
    {"PercentBelowOneBitPerSecond", 0, "", "<rate percent=\"0.000000004\"/>",
     ERR("rate percent=\"0.000000004\" is below the slowest rate the port paces, 1e-06 percent") " attribute "
                                                                                                 "percent=\"0."
                                                                                                 "000000004\"\n"},
    {"PercentHuge", 1, "", "<rate percent=\"1e300\"/>",
     ERR("rate percent=\"1e300\" cannot be reached: the port carries at most 52.8 percent of its line rate of 1000 "
         "Mbps") " attribute percent=\"1e300\"\n"},
    {"FpsHuge", 0, "", "<rate fps=\"1e300\"/>",
     ERR("rate fps=\"1e300\" cannot be reached: the port carries at most 12500000 frames per second") " attribute "
                                                                                                      "fps="
                                                                                                      "\"1e300\"\n"},
    {"TwoUnits", 0, "", "<rate mbps=\"10\" fps=\"100\"/>", ERR("rate takes one of mbps, fps and percent") "\n"},
    {"NoUnit", 0, "", "<rate mpbs=\"10\"/>", ERR("rate takes one of mbps, fps and percent") "\n"},
    {"TwoRates", 0, "", "<rate mbps=\"10\"/><rate fps=\"10\"/>", ERR("a port takes one rate element") "\n"},
    {"WithInterpacket", 0, "<interpacket_timedistribution min_time=\"3\" max_time=\"9\"/>", "<rate mbps=\"10\"/>",
     ERR("rate and interpacket_timedistribution cannot both space the frames "
         "of a port") "\n"},
    {"WithInterpacketAfter", 0, "", "<rate mbps=\"10\"/><interpacket_timedistribution min_time=\"3\"/>",
     ERR("rate and interpacket_timedistribution cannot both space the frames "
         "of a port") "\n"},
    {"WithTokenBucket", 0, "<tokenBucket_streamdistribution/>", "<rate percent=\"10\"/>",
     ERR("rate cannot be combined with the token-bucket stream distribution, "
         "whose shapers space the frames") "\n"},
};
#undef ERR

class RateElement : public ::testing::TestWithParam<RateCase> {};

TEST_P(RateElement, LoadsOrIsRefusedWithItsPlace) {
  const RateCase& c = GetParam();
  std::string pattern = ::testing::TempDir() + "rate_XXXXXX";
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::string file = pattern + "/rate.tcs";
  std::ofstream(file) << "<?xml version=\"1.0\"?>\n<corvel>\n<streams/>\n<rx_ports><port "
                         "device=\"0\" port=\""
                      << c.port << "\">" << c.before << "\n"
                      << c.rate << "\n</port></rx_ports>\n</corvel>\n";
  PyxDevices devices;
  for (const WorkbenchPort& record :
       {WorkbenchPort{1, 0, 0, 100, 12, 66}, WorkbenchPort{1, 0, 1, 1000, 3, 66}, WorkbenchPort{1, 0, 4, 0, 0, 100}})
    devices.addPort(record);
  devices.initialize();
  test::ConsoleCapture console;
  TcsDocument document;
  LoadDocument(document, file);
  {
    TcsManager manager(document);
    manager.readRxPorts(devices);
    std::istringstream lines(console.take());
    std::string reports;
    bool afterError = false;
    for (std::string line; std::getline(lines, line);) {
      if (afterError || line.find("ERROR") != std::string::npos) reports += line + "\n";
      afterError = line.find("ERROR") != std::string::npos;
    }
    std::string expected = c.reports;
    if (const size_t at = expected.find("@FILE@"); at != std::string::npos) expected.replace(at, 6, file);
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(manager.status(), expected.empty() ? 0 : 2);
  }
  std::filesystem::remove_all(pattern);
}

INSTANTIATE_TEST_SUITE_P(Ports, RateElement, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvel
