// The core pieces on their own: argument syntax, RND selection, in-memory
// loading (the fuzz target's path) and the GENR trace lines.
#include <gtest/gtest.h>

#include <map>

#include "cellgen/cell_gen.h"
#include "cellgen/config_line.h"
#include "cellgen/gen_stream.h"
#include "cellgen/port_generator.h"

namespace cellgen {
namespace {

class RecordingReporter final : public Reporter {
 public:
  void error(const std::string& text) override { errors += text; }
  void trace(const std::string& text) override { traces += text; }
  std::string errors;
  std::string traces;
};

TEST(CellgenSyntax, SplitArguments) {
  struct Case {
    std::string_view rest;
    std::vector<std::string_view> expected;
  };
  const Case cases[] = {
      {" 0,1,SEQ,10,IN", {"0", "1", "SEQ", "10", "IN"}},
      {"\t0,,\t1", {"0", "1"}},                 // a run of separators is one
      {" a b , c ", {"a b ", "c "}},            // blanks inside and after belong to it
      {"0, ,1", {"0", "", "1"}},                // a blank argument in the middle stays
      {"0,1,  ,\t ", {"0", "1"}},              // blank ones at the end are dropped
      {"0 1 SEQ", {"0 1 SEQ"}},                // blanks do not separate
      {"", {}},
  };
  std::vector<std::string_view> args;
  for (const Case& c : cases) {
    splitArguments(c.rest, args);
    EXPECT_EQ(args, c.expected) << "'" << c.rest << "'";
  }
}

TEST(CellgenSyntax, Keywords) {
  std::string_view rest;
  EXPECT_EQ(lineKeyword("  stream 1", rest), LineKeyword::stream);
  EXPECT_EQ(rest, " 1");
  EXPECT_EQ(lineKeyword("LogFile\tx", rest), LineKeyword::logfile);
  EXPECT_EQ(lineKeyword("PORT,0,1", rest), LineKeyword::none);  // the word ends only at white space
  EXPECT_EQ(lineKeyword(std::string(40, 'P'), rest), LineKeyword::none);
  EXPECT_TRUE(isSkippedLine(" \t # x"));
  EXPECT_FALSE(isSkippedLine(" x # y"));
}

TEST(CellgenSyntax, Numbers) {
  EXPECT_EQ(parseDecimal("4294967295", 0xFFFFFFFFu), 4294967295u);
  EXPECT_EQ(parseDecimal("4294967296", 0xFFFFFFFFu), std::nullopt);
  EXPECT_EQ(parseDecimal("99999999999999999999999", 0xFFFFFFFFu), std::nullopt);
  EXPECT_EQ(parseDecimal("12  ", 255), 12u);
  EXPECT_EQ(parseDecimal("", 255), std::nullopt);
  EXPECT_EQ(parseDecimal("+1", 255), std::nullopt);
  const std::map<std::string_view, std::optional<std::uint8_t>> fills = {
      {"0", 0},    {"00", 0},    {"0x0", 0},  {"255", 255},        {"0xff", 255},
      {"0377", 255}, {"0400", std::nullopt}, {"256", std::nullopt}, {"0x", std::nullopt},
      {"0xg", std::nullopt}, {"09", std::nullopt}, {"0x1f ", 31}, {"1f", std::nullopt}};
  for (const auto& [text, value] : fills) EXPECT_EQ(parseFillByte(text), value) << text;
}

std::unique_ptr<GenStream> cellStream(std::uint32_t id, std::uint32_t limit) {
  CellStreamSettings settings;
  settings.id = id;
  return std::make_unique<GenStream>(settings, limit, 0, 0);
}

// Draws cells from a port and answers the stream id of each.
std::vector<unsigned> streamIds(PortGenerator& port, std::size_t cells) {
  std::vector<unsigned> ids;
  std::vector<std::uint8_t> cell;
  while (ids.size() < cells) {
    std::uint8_t byte = 0;
    const ByteResult result = port.nextByte(byte);
    if (result == ByteResult::nothing) break;
    cell.push_back(byte);
    if (result == ByteResult::packetEnd) {
      ids.push_back(cell.at(9) & 0x3Fu);
      cell.clear();
    }
  }
  return ids;
}

TEST(CellgenSelection, RandomPortDrawsOnlyActiveStreams) {
  PortGenerator port(0, Selection::rnd, 0, Direction::in, 12345);
  port.addStream(cellStream(1, 0));
  port.addStream(cellStream(2, 5));
  port.addStream(cellStream(3, 0));
  std::map<unsigned, int> counts;
  for (unsigned id : streamIds(port, 3000)) ++counts[id];
  EXPECT_EQ(counts[2], 5) << "the limited stream sends its five frames and stops";
  EXPECT_GT(counts[1], 1300);
  EXPECT_GT(counts[3], 1300);
}

TEST(CellgenSelection, RandomSequenceFollowsTheSeed) {
  auto draw = [](std::uint32_t seed) {
    PortGenerator port(0, Selection::rnd, 0, Direction::in, seed);
    for (std::uint32_t id = 0; id < 4; ++id) port.addStream(cellStream(id, 0));
    return streamIds(port, 64);
  };
  EXPECT_EQ(draw(7), draw(7));
  EXPECT_NE(draw(7), draw(8));
}

TEST(CellgenSelection, SequentialPortSkipsFinishedStreams) {
  PortGenerator port(0, Selection::seq, 0, Direction::in, 1);
  port.addStream(cellStream(1, 1));
  port.addStream(cellStream(2, 2));
  port.addStream(cellStream(3, 3));
  EXPECT_EQ(streamIds(port, 10), (std::vector<unsigned>{1, 2, 3, 2, 3, 3}));
  port.resetStreams();
  EXPECT_EQ(streamIds(port, 3), (std::vector<unsigned>{1, 2, 3}));
}

TEST(CellgenMemoryFiles, LoadsWithoutTouchingTheFileSystem) {
  MemoryFileAccess files;
  files.put("cfg", "LOGFILE out.log\nPORT 1,1,SEQ,3,IN\nSTREAM 5,IN,GENR,1,2,0,0,0,0,0,0,0,0,d\n");
  files.put("d", "aabbcc\n");
  RecordingReporter reporter;
  CellGen model(files, reporter);
  ASSERT_TRUE(model.loadConfig("cfg"));
  EXPECT_EQ(files.created().count("out.log"), 1u);
  std::uint8_t byte = 0, end = 0;
  std::vector<std::uint8_t> cell;
  while (model.nextByte(1, 1, byte, end)) {
    cell.push_back(byte);
    if (end) break;
  }
  EXPECT_EQ(cell.size(), 25u);
  EXPECT_EQ(cell.back(), 0xcc);
  EXPECT_EQ(reporter.errors, "");
  // The payload copy of each GENR frame leaves two trace lines.
  const std::string prefix = "called len 3  cb 0 ";
  ASSERT_EQ(reporter.traces.compare(0, prefix.size(), prefix), 0) << reporter.traces;
  const std::size_t second = reporter.traces.find('\n') + 1;
  EXPECT_EQ(reporter.traces.substr(second), "cb+len = 3,  m_len = 4096\n");
}

TEST(CellgenMemoryFiles, ConfigurationLineEndsAtNul) {
  MemoryFileAccess files;
  files.put("cfg", std::string("PORT 0,0,SEQ,3,IN\0garbage\n", 26) +
                       "STREAM 1,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,0,0\n");
  RecordingReporter reporter;
  CellGen model(files, reporter);
  EXPECT_TRUE(model.loadConfig("cfg"));
  EXPECT_EQ(model.interpacketTime(0, 0), 3);
}

}  // namespace
}  // namespace cellgen
