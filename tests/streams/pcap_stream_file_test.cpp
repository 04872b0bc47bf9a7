// The capture files of a pcap stream: which images the reader takes and what
// it finds in them (images written field by field in capture_images.h), and
// the report a load gives for every file it refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "capture_images.h"
#include "corvel/base/capture_file.h"
#include "corvel/base/text_error.h"
#include "corvel/host/corvel.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

using test::Image;
using test::Packet;
using test::PcapImage;
using test::PcapngImage;

struct Expected {
  uint32_t size;
  uint8_t first;
  int64_t nanoseconds;
};

struct AcceptedCase {
  const char* name;
  Image image;
  uint32_t linkType;
  std::vector<Expected> records;
};
void PrintTo(const AcceptedCase& c, std::ostream* out) { *out << c.name; }

std::vector<AcceptedCase> AcceptedCases() {
  return {
      // The third record is stamped before the first: it is due at once.
      {"PcapMicrosecondsLittleEndian",
       PcapImage({{10, 5, Packet(60, 0x10)}, {10, 25, Packet(1514, 0x20)}, {9, 0, Packet(42, 0x30)}}),
       1,
       {{60, 0x10, 0}, {1514, 0x20, 20000}, {42, 0x30, 0}}},
      {"PcapNanosecondsBigEndianUserLink",
       PcapImage({{1, 999999999, Packet(20, 1)}, {2, 1, Packet(21, 2)}}, true, true, 65535, 147),
       147,
       {{20, 1, 0}, {21, 2, 2}}},
      // Custom, name-resolution and statistics blocks are passed over; the
      // simple packet takes the time of the packet before it.
      {"PcapngUnknownBlocksSkipped",
       PcapngImage()
           .section()
           .interface(1, 0, 9)
           .block(0x00000bad, Packet(7, 0))
           .enhanced(0, 5000000000, Packet(64, 0x40))
           .block(4, Packet(12, 0))
           .block(5, Packet(24, 0))
           .block(0x40000bad, Image{})
           .enhanced(0, 5000000750, Packet(70, 0x50))
           .simple(Packet(80, 0x60))
           .take(),
       1,
       {{64, 0x40, 0}, {70, 0x50, 750}, {80, 0x60, 750}}},
      // A big-endian section in microseconds, then a little-endian one in
      // milliseconds (if_tsresol 3) with interfaces of its own.
      {"PcapngTwoSectionsOfEitherByteOrder",
       [] {
         Image image = PcapngImage(true).section().interface(1, 65535).enhanced(0, 100, Packet(60, 1)).take();
         const Image second = PcapngImage().section().interface(1, 65535, 3).enhanced(0, 2, Packet(61, 2)).take();
         image.insert(image.end(), second.begin(), second.end());
         return image;
       }(),
       1,
       {{60, 1, 0}, {61, 2, 1900000}}},
  };
}

class CaptureFileAccepted : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(CaptureFileAccepted, RecordsAsWritten) {
  const AcceptedCase& c = GetParam();
  CaptureTrace trace;
  trace.name = "t";
  trace.image = c.image;
  parseCaptureImage(trace);
  EXPECT_EQ(trace.linkType, c.linkType);
  ASSERT_EQ(trace.records.size(), c.records.size());
  for (size_t i = 0; i < c.records.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i + 1));
    const std::span<const uint8_t> bytes = trace.bytes(trace.records[i]);
    EXPECT_EQ(bytes.size(), c.records[i].size);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.front(), c.records[i].first);
    EXPECT_EQ(bytes.back(), static_cast<uint8_t>(c.records[i].first + c.records[i].size - 1));
    EXPECT_EQ(trace.records[i].nanoseconds, c.records[i].nanoseconds);
  }
}

INSTANTIATE_TEST_SUITE_P(Images, CaptureFileAccepted, ::testing::ValuesIn(AcceptedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Refused files: the load's report and its place line -----------------

struct FaultCase {
  const char* name;
  std::optional<Image> file;  // nothing: the file does not exist
  const char* attributes;     // after file="x.pcap"
  const char* message;        // @PATH@ stands for the file's resolved path
  const char* place;          // the place line's element and attribute part
};
void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

Image WithRecordSizeField(Image image, uint32_t size) {
  // The first record's captured and original lengths: bytes 32..39 of a
  // little-endian pcap.
  for (int k = 0; k < 8; ++k) image[32 + k] = static_cast<uint8_t>(size >> (8 * (k % 4)));
  return image;
}

constexpr const char* kOnFile = "<pcap_stream> attribute file=\"x.pcap\"";

std::vector<FaultCase> FaultCases() {
  const Image good = PcapImage({{0, 0, Packet(60, 1)}, {0, 10, Packet(100, 2)}});
  Image truncatedRecord = WithRecordSizeField(PcapImage({{0, 0, Packet(40, 1)}}), 100);
  Image badLength = PcapngImage().section().interface(1, 0).enhanced(0, 0, Packet(60, 1)).take();
  badLength[badLength.size() - 1] ^= 0x01;  // the trailing length of the last block
  return {
      {"MissingFile", std::nullopt, "", "cannot open @PATH@: No such file or directory", kOnFile},
      {"EmptyFile", Image{}, "", "@PATH@: the file is empty", kOnFile},
      {"TruncatedHeader", Image(good.begin(), good.begin() + 10), "",
       "@PATH@: file header is truncated (10 of 24 bytes)", kOnFile},
      {"BadMagic", Image{'G', 'I', 'F', '8', '9', 'a', 0, 0}, "",
       "@PATH@: not a pcap or pcapng file (magic 0x47494638)", kOnFile},
      {"TruncatedRecord", truncatedRecord, "", "@PATH@: record 1 is truncated: 100 bytes announced, 40 left", kOnFile},
      {"TruncatedRecordHeader", Image(good.begin(), good.begin() + 24 + 16 + 60 + 9), "",
       "@PATH@: record 2 header is truncated (9 of 16 bytes)", kOnFile},
      {"RecordOverSnapLength", PcapImage({{0, 0, Packet(60, 1)}, {0, 1, Packet(100, 2)}}, false, false, 64), "",
       "@PATH@: record 2 holds 100 bytes, more than the snap length 64", kOnFile},
      {"RecordOverBound", PcapImage({{0, 0, Packet(70000, 1)}}, false, false, 0), "",
       "@PATH@: record 1 holds 70000 bytes, over the limit of 65536", kOnFile},
      {"CapturedOverOriginal", PcapImage({{0, 0, Packet(60, 1), 50}}), "",
       "@PATH@: record 1 holds 60 bytes, more than its original length 50", kOnFile},
      {"NoPackets", PcapImage({}), "", "@PATH@: the file holds no packets", kOnFile},
      {"PcapngLengthsDiffer", badLength, "", "@PATH@: block at byte 48 ends with a different length", kOnFile},
      {"PcapngUndescribedInterface", PcapngImage().section().interface(1, 0).enhanced(1, 0, Packet(60, 1)).take(), "",
       "@PATH@: record 1 names interface 1, which its section does not describe", kOnFile},
      {"PcapngWithoutSection", PcapngImage().interface(1, 0).take(), "",
       "@PATH@: not a pcap or pcapng file (magic 0x01000000)", kOnFile},
      {"FcsOnOtherLinkType", PcapImage({{0, 0, Packet(60, 1)}}, false, false, 65535, 147), " fcs=\"add\"",
       "fcs=\"add\" needs Ethernet records; @PATH@ has link type 147", kOnFile},
      {"UnknownTiming", good, " timing=\"fast\"", "timing must be recorded or port",
       "<pcap_stream> attribute timing=\"fast\""},
      {"ZeroIterations", good, " iterations=\"0\"", "iterations must be 1 or more",
       "<pcap_stream> attribute iterations=\"0\""},
  };
}

std::string Replaced(std::string text, const std::string& marker, const std::string& by) {
  for (size_t at = 0; (at = text.find(marker, at)) != std::string::npos; at += by.size())
    text.replace(at, marker.size(), by);
  return text;
}

class PcapStreamLoad : public ::testing::TestWithParam<FaultCase> {};

// Loads a TCS file whose stream set is the one pcap_stream element (line 6)
// on receive port 0/0; answers the console transcript and the load's result.
std::pair<std::string, bool> Load(const std::filesystem::path& tcs, const std::string& element) {
  std::ofstream(tcs) << "<?xml version=\"1.0\"?>\n<corvel>\n<streams>\n<stream_set id=\"s\">\n<protocols>\n"
                     << element
                     << "\n</protocols>\n</stream_set>\n</streams>\n<rx_ports>\n<p device=\"0\" port=\"0\">\n"
                        "<assign_stream_set id=\"s\"/>\n</p>\n</rx_ports>\n</corvel>\n";
  test::ConsoleCapture console;
  bool loaded = false;
  {
    Corvel corvel;
    corvel.registerPort(WorkbenchPort{1, 0, 0, 100, 8, 66});
    try {
      loaded = corvel.LoadTcs(tcs.c_str()) && corvel.state() == enCorvelStateTcsLoaded;
    } catch (const TextError&) {
    }
  }
  return {console.take(), loaded};
}

std::filesystem::path ScratchDir(const std::string& name) {
  const auto dir =
      std::filesystem::path(::testing::TempDir()) / ("pcap_stream_" + name + "_" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

TEST_P(PcapStreamLoad, ReportsTheFileAndItsPlace) {
  const FaultCase& c = GetParam();
  const auto dir = ScratchDir(c.name);
  if (c.file) {
    std::ofstream out(dir / "x.pcap", std::ios::binary);
    out.write(reinterpret_cast<const char*>(c.file->data()), static_cast<std::streamsize>(c.file->size()));
  }
  // The working directory is not the TCS file's: the path is taken from the latter.
  const auto [transcript, loaded] =
      Load(dir / "run.tcs", std::string("<pcap_stream file=\"x.pcap\"") + c.attributes + "/>");
  EXPECT_FALSE(loaded);
  const std::string report =
      "Corvel> PARSE-ERROR, Element pcap_stream: " + Replaced(c.message, "@PATH@", (dir / "x.pcap").string()) +
      " (TcsPcapStream)\n" + "Corvel>   at " + (dir / "run.tcs").string() + ":6, " + c.place + "\n";
  EXPECT_THAT(transcript, ::testing::HasSubstr("\n" + report));
  std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Files, PcapStreamLoad, ::testing::ValuesIn(FaultCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The element is the whole stack of its stream, and only a generated set sends.
TEST(PcapStreamLoad, ElementStandsAloneInAGeneratedSet) {
  const auto dir = ScratchDir("alone");
  std::ofstream(dir / "x.pcap", std::ios::binary)
      << std::string(reinterpret_cast<const char*>(PcapImage({{0, 0, Packet(60, 1)}}).data()), 24 + 16 + 60);
  const auto [accepted, loaded] = Load(dir / "run.tcs", "<pcap_stream file=\"x.pcap\" fcs=\"add\" timing=\"port\"/>");
  EXPECT_TRUE(loaded) << accepted;
  EXPECT_THAT(accepted, ::testing::Not(::testing::HasSubstr("PARSE-ERROR")));
  const auto [withPayload, loadedToo] = Load(dir / "run.tcs", "<pcap_stream file=\"x.pcap\"/><payload/>");
  EXPECT_FALSE(loadedToo);
  EXPECT_THAT(withPayload, ::testing::HasSubstr("Corvel> PARSE-ERROR, Element pcap_stream: a pcap stream is the only "
                                                "protocol of its stream (TcsPcapStream)\nCorvel>   at " +
                                                (dir / "run.tcs").string() + ":6, <pcap_stream>\n"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace corvel
