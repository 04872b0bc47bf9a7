// Workbench log files as payload source: line endings, skipped captions and
// line numbers, iterations, and malformed input.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/workbench_log.h"
#include "encap_support.h"

namespace corvel {
namespace {

using namespace corvel::test;

class WorkbenchLog : public ::testing::Test {
 protected:
  // Writes `content` to a fresh file and returns its path.
  std::string file(const std::string& content) {
    const std::string path = ::testing::TempDir() + "corvel_wblog_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                             std::to_string(_files++) + ".txt";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return path;
  }

  static std::unique_ptr<DataGenerator> builder(const std::string& path, int32_t iterations = 1,
                                                bool skipFirst = false, bool skipNumbers = false) {
    WorkbenchLogPayloadConfig payload(path, skipFirst, skipNumbers, iterations);
    payload.setTxPort(1, 2);  // never applied to file packets
    return builderOf(stackOf(payload, GenericProtocolConfig("ab", "")));
  }

  // Every packet the builder yields.
  static std::vector<Bytes> packets(DataGenerator& builder) {
    std::vector<Bytes> out;
    for (int pdu = 1; pdu <= 50; ++pdu) {
      const GeneratedFrameList frames = builder.generate(pdu);
      if (frames.empty()) break;
      EXPECT_EQ(frames.size(), 1u);
      EXPECT_EQ(frames[0].datalinkKind(), ProtocolKind::Generic);
      EXPECT_TRUE(frames[0].isFirst() && frames[0].isLast());
      EXPECT_TRUE(frames[0].pdu().empty());
      EXPECT_EQ(frames[0].pduNumber(), pdu);
      out.push_back(bytesOf(frames[0].data()));
    }
    return out;
  }

 private:
  int _files = 0;
};

TEST_F(WorkbenchLog, OnePacketPerLineWithEitherLineEnd) {
  const struct {
    const char* content;
    std::vector<Bytes> packets;
  } cases[] = {
      {"00 01 02\r\n", {hex("000102")}},
      {"00 01 02\n", {hex("000102")}},
      {"00 01 02", {hex("000102")}},
      {"0a 0B ff\r\n10 20\r\n", {hex("0a0bff"), hex("1020")}},
      {"0a 0b\n\n  \r\n10 20\n\n", {hex("0a0b"), hex("1020")}},  // blank lines are no packets
      {"  00  01\t02 \r garbage after the carriage return\n03\n", {hex("000102"), hex("03")}},
      {"000102\n", {hex("000102")}},  // pairs need no separator
  };
  for (const auto& c : cases) {
    auto b = builder(file(c.content));
    EXPECT_EQ(packets(*b), c.packets) << c.content;
  }
}

TEST_F(WorkbenchLog, SkipsCaptionAndLineNumbers) {
  auto b = builder(file("packet dump of port 3\r\n1: 00 01\r\n2: 02 03 04\r\n"), 1, true, true);
  EXPECT_EQ(packets(*b), (std::vector<Bytes>{hex("0001"), hex("020304")}));
  auto plain = builder(file("0001 aa bb\n0002 cc\n"), 1, false, true);
  EXPECT_EQ(packets(*plain), (std::vector<Bytes>{hex("aabb"), hex("cc")}));
  // A numbered line without bytes is no packet, also after the last one.
  auto gaps = builder(file("1: 01\n2:\n3: 02\n4:\n"), 2, false, true);
  EXPECT_EQ(packets(*gaps), (std::vector<Bytes>{hex("01"), hex("02"), hex("01"), hex("02")}));
}

TEST_F(WorkbenchLog, EveryIterationReadsTheFileAgain) {
  auto b = builder(file("01\r\n02 03\r\n04\r\n"), 2);
  EXPECT_EQ(packets(*b), (std::vector<Bytes>{hex("01"), hex("0203"), hex("04"), hex("01"), hex("0203"), hex("04")}));
  EXPECT_TRUE(b->isDone());
  EXPECT_EQ(b->payload().completedIterations(), 2);
}

TEST_F(WorkbenchLog, FileWithoutPacketsSendsNothing) {
  auto b = builder(file("\r\n\r\n"), 3);
  EXPECT_TRUE(packets(*b).empty());
  EXPECT_TRUE(b->isDone());
}

TEST_F(WorkbenchLog, MalformedBytesNameFileAndLine) {
  const struct {
    const char* content;
    int line;
  } cases[] = {
      {"00 01\n00 0g 02\n", 2},
      {"00 1\n", 1},
      {"00 01 0", 1},
      {"\n\nzz\n", 3},
  };
  for (const auto& c : cases) {
    const std::string path = file(c.content);
    auto b = builder(path);
    std::string error;
    for (int pdu = 1; pdu <= 3 && error.empty(); ++pdu) {
      error = throwText([&] { b->generate(pdu); });
      if (error == "(no exception)") error.clear();
    }
    EXPECT_EQ(error, "Error, a byte is not two hex digits in file " + path + " at line " + std::to_string(c.line))
        << c.content;
  }
}

TEST_F(WorkbenchLog, OverlongLineAndMissingFile) {
  std::string line;
  for (size_t i = 0; i <= WorkbenchLogPacketEncapsulator::kMaxPacketSize; ++i) line += "ab";
  const std::string path = file(line + "\n");
  auto b = builder(path);
  EXPECT_EQ(throwText([&] { b->generate(1); }), "Error, packet too long in file " + path + " at line 1");

  EXPECT_EQ(throwText([&] { builder(::testing::TempDir() + "corvel_no_such_log.txt"); }),
            "Error, could not open input file for reading.");
}

}  // namespace
}  // namespace corvel
