// Exact bytes on the wire: cells worked out by hand from the CSIX-L1 base
// header (0xC4, payload length), the class extension and the inner headers.
#include <gtest/gtest.h>

#include "plugin_harness.h"

namespace cellgen_test {
namespace {

std::string repeat(const std::string& pair, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += pair;
  return text;
}

// Fields of a cell read back from its bytes.
struct CellView {
  unsigned length, cellClass, index, streamId;
  bool last, first;
  explicit CellView(const Bytes& b)
      : length(b.at(1)),
        cellClass(b.at(2)),
        index(unsigned(b.at(7)) << 8 | b.at(8)),
        streamId(b.at(9) & 0x3Fu),
        last(b.at(9) & 0x80),
        first(b.at(9) & 0x40) {}
};

// Class 5, tag 0x7E, stream id 67 (low six bits: 3), counters fixed at
// 0x1234, 0x5678, 0x9ABC, 0xDEADBEEF, fill 0xAB.
std::string genLine(unsigned length, const std::string& limit = "0") {
  return "STREAM 67,IN,GEN,5,126,4660,4660,22136,22136,39612,39612,3735928559,3735928559," +
         limit + "," + std::to_string(length) + ",0xAB\n";
}

const std::string kPort = "PORT 0,1,SEQ,10,IN\n";

TEST(CellgenCells, FrameOf112BytesIsOneFirstAndLastCell) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kPort + genLine(112)), 1);
  PyxPortHandle port = host.openPort(0, 1);
  const Bytes expected =
      fromHex("c4 80 05000000 7e0000c3 12340000 56789abc deadbeef" + repeat("ab", 112));
  EXPECT_EQ(hex(host.packet(port)), hex(expected));
  EXPECT_EQ(hex(host.packet(port)), hex(expected)) << "fixed counters: every frame the same";
  EXPECT_EQ(GetInterpacketTime(port), 10);
}

TEST(CellgenCells, FrameOf113BytesIsTwoCells) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kPort + genLine(113)), 1);
  PyxPortHandle port = host.openPort(0, 1);
  EXPECT_EQ(hex(host.packet(port)),
            hex(fromHex("c4 80 05000000 7e000043 12340000 56789abc deadbeef" + repeat("ab", 112))));
  EXPECT_EQ(hex(host.packet(port)), hex(fromHex("c4 09 05000000 00000183 12340000 ab")));
  // The next frame starts over at cell 0.
  EXPECT_EQ(CellView(host.packet(port)).index, 0u);
}

TEST(CellgenCells, EmptyFrameIsOneCellWithoutPayload) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kPort + genLine(0)), 1);
  PyxPortHandle port = host.openPort(0, 1);
  EXPECT_EQ(hex(host.packet(port)),
            hex(fromHex("c4 10 05000000 7e0000c3 12340000 56789abc deadbeef")));
}

TEST(CellgenCells, CellLengthsOfLongerFrames) {
  // 112 + 120 fills two cells exactly; one byte more needs a third.
  struct Case {
    unsigned frame;
    std::vector<unsigned> payloads;
  };
  const Case cases[] = {{1, {1}}, {232, {112, 120}}, {233, {112, 120, 1}}, {352, {112, 120, 120}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame);
    PluginHarness host;
    ASSERT_EQ(host.loadText(kPort + genLine(c.frame)), 1);
    PyxPortHandle port = host.openPort(0, 1);
    for (std::size_t i = 0; i < c.payloads.size(); ++i) {
      const Bytes cell = host.packet(port);
      const CellView view(cell);
      const unsigned inner = i == 0 ? 16 : 8;
      EXPECT_EQ(cell.size(), 2 + 4 + inner + c.payloads[i]);
      EXPECT_EQ(view.length, inner + c.payloads[i]);
      EXPECT_EQ(view.index, i);
      EXPECT_EQ(view.first, i == 0);
      EXPECT_EQ(view.last, i + 1 == c.payloads.size());
    }
    EXPECT_TRUE(CellView(host.packet(port)).first);
  }
}

TEST(CellgenCells, LargestFrameTakes1024Cells) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kPort + genLine(122872)), 1);
  PyxPortHandle port = host.openPort(0, 1);
  std::size_t payload = 0;
  for (unsigned i = 0; i < 1024; ++i) {
    const Bytes cell = host.packet(port);
    const CellView view(cell);
    ASSERT_EQ(view.index, i);
    ASSERT_EQ(view.last, i == 1023);
    payload += cell.size() - (i == 0 ? 22 : 14);
  }
  EXPECT_EQ(payload, 122872u);
  EXPECT_EQ(CellView(host.packet(port)).index, 0u);
}

TEST(CellgenCells, FrameLimitStopsStreamAndPortServesTheOthers) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kPort +
                          "STREAM 1,IN,GEN,0,0,0,0,0,0,0,0,0,0,2,0,0\n"
                          "STREAM 2,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,0,0\n"
                          "PORT 0,2,SEQ,0,IN\n"
                          "STREAM 9,IN,GEN,0,0,0,0,0,0,0,0,0,0,2,113,0\n"),
            1);
  PyxPortHandle shared = host.openPort(0, 1);
  std::vector<unsigned> ids;
  for (const Bytes& cell : host.packets(shared, 7)) ids.push_back(CellView(cell).streamId);
  EXPECT_EQ(ids, (std::vector<unsigned>{1, 2, 1, 2, 2, 2, 2}));

  // Alone on its port: exactly two frames (four cells), then nothing.
  PyxPortHandle alone = host.openPort(0, 2);
  EXPECT_EQ(host.packets(alone, 4).back().size(), 15u);
  EXPECT_TRUE(host.packet(alone).empty());
  EXPECT_TRUE(host.packet(alone).empty());
}

TEST(CellgenCells, TwoSeqStreamsAlternateCellByCell) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kPort +
                          "STREAM 1,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,113,17\n"
                          "STREAM 2,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,113,34\n"),
            1);
  PyxPortHandle port = host.openPort(0, 1);
  std::vector<std::pair<unsigned, unsigned>> order;  // (stream, cell index)
  for (const Bytes& cell : host.packets(port, 6)) {
    const CellView view(cell);
    order.emplace_back(view.streamId, view.index);
    EXPECT_EQ(cell.back(), view.streamId == 1 ? 17 : 34) << "payload of its own stream";
  }
  const std::vector<std::pair<unsigned, unsigned>> expected = {{1, 0}, {2, 0}, {1, 1},
                                                               {2, 1}, {1, 0}, {2, 0}};
  EXPECT_EQ(order, expected);
}

TEST(CellgenCells, CountersStepPerFrameAndStartOver) {
  PluginHarness host;
  // counter 1: 5 down to 3; counter 2: 0 up to 2; counter 3 fixed at 7;
  // counter 4: 4294967294 up to 4294967295.
  ASSERT_EQ(host.loadText(kPort +
                          "STREAM 1,IN,GEN,0,0,5,3,0,2,7,7,4294967294,4294967295,0,0,0\n"),
            1);
  PyxPortHandle port = host.openPort(0, 1);
  std::vector<std::string> words;
  for (const Bytes& cell : host.packets(port, 5))
    words.push_back(hex(Bytes(cell.begin() + 10, cell.end())));
  const std::vector<std::string> expected = {
      "00050000" "00000007" "fffffffe", "00040000" "00010007" "ffffffff",
      "00030000" "00020007" "fffffffe", "00050000" "00000007" "ffffffff",
      "00040000" "00010007" "fffffffe"};
  EXPECT_EQ(words, expected);
}

TEST(CellgenCells, CounterOneRepeatsInEveryFurtherCell) {
  PluginHarness host;
  ASSERT_EQ(host.loadText(kPort + "STREAM 1,IN,GEN,0,0,65535,65535,0,0,0,0,0,0,0,200,0\n"), 1);
  PyxPortHandle port = host.openPort(0, 1);
  host.packet(port);
  const Bytes second = host.packet(port);
  EXPECT_EQ(hex(Bytes(second.begin() + 6, second.begin() + 14)), "00000181" "ffff0000");
}

TEST(CellgenCells, GenrFramesTakeDataLinesInTurnAndWrap) {
  PluginHarness host;
  const std::string data = host.dir().write("frames.txt", "01 02 03\n0A0b\n\n");
  ASSERT_EQ(host.loadText(kPort + "STREAM 4,IN,GENR,9,1,0,0,0,0,0,0,0,0," + data + "\n"), 1);
  PyxPortHandle port = host.openPort(0, 1);
  EXPECT_EQ(hex(host.packet(port)), "c41309000000" "010000c4" "00000000" "00000000" "00000000" "010203");
  EXPECT_EQ(hex(host.packet(port)), "c41209000000" "010000c4" "00000000" "00000000" "00000000" "0a0b");
  EXPECT_EQ(hex(host.packet(port)), "c41009000000" "010000c4" "00000000" "00000000" "00000000")
      << "an empty line is a frame without payload";
  EXPECT_EQ(hex(host.packet(port)), "c41309000000" "010000c4" "00000000" "00000000" "00000000" "010203");
}

TEST(CellgenCells, GenrLineLongerThanOneCell) {
  PluginHarness host;
  std::string line;
  for (int i = 0; i < 120; ++i) line += hex(Bytes{static_cast<std::uint8_t>(i)});
  const std::string data = host.dir().write("frames.txt", line + "\n");
  ASSERT_EQ(host.loadText(kPort + "STREAM 4,IN,GENR,9,1,0,0,0,0,0,0,0,0," + data + "\n"), 1);
  PyxPortHandle port = host.openPort(0, 1);
  const Bytes first = host.packet(port);
  const Bytes second = host.packet(port);
  EXPECT_EQ(first.size(), 22u + 112u);
  EXPECT_EQ(first.back(), 111);
  EXPECT_EQ(hex(second), "c41009000000" "00000184" "00000000" "7071727374757677");
}

TEST(CellgenCells, RawLinesWithCommasAndBlanks) {
  PluginHarness host;
  const std::string data = host.dir().write(
      "packets.txt", "00,11, 22\r\n  33 44\t55\n# comment\n,,\ndeadBEEF,\n\n77\n");
  ASSERT_EQ(host.loadText(kPort + "STREAM 1,IN,RAW," + data + "\n"), 1);
  PyxPortHandle port = host.openPort(0, 1);
  std::vector<std::string> seen;
  for (const Bytes& packet : host.packets(port, 5)) seen.push_back(hex(packet));
  // Lines without pairs are skipped; the empty line ends the data.
  EXPECT_EQ(seen, (std::vector<std::string>{"001122", "334455", "deadbeef", "001122", "334455"}));
}

TEST(CellgenCells, RawAndGenStreamsInterleave) {
  PluginHarness host;
  const std::string data = host.dir().write("packets.txt", "aa bb\n");
  ASSERT_EQ(host.loadText(kPort + "STREAM 1,IN,RAW," + data + "\n" +
                          "STREAM 2,IN,GEN,0,0,0,0,0,0,0,0,0,0,0,0,0\n"),
            1);
  PyxPortHandle port = host.openPort(0, 1);
  const auto packets = host.packets(port, 3);
  EXPECT_EQ(hex(packets[0]), "aabb");
  EXPECT_EQ(packets[1].size(), 22u);
  EXPECT_EQ(hex(packets[2]), "aabb");
}

}  // namespace
}  // namespace cellgen_test
