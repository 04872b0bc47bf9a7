// The streams reader: which stream_set elements become records, with which
// nodes and type, and the console lines of the section.
#include <gtest/gtest.h>

#include <string>

#include "corvel/host/corvel.h"
#include "corvel/base/text_error.h"
#include "corvel/host/workbench_port.h"
#include "corvel/xml/xml_access.h"
#include "streams_test_support.h"

namespace corvel {
namespace {

using test::ConsoleCapture;
using test::StreamsFixture;

TEST(StreamReader, RecordsEverySetWithAnIdAndADefinition) {
  ConsoleCapture console;
  TcsDocument document;
  LoadDocument(document, StreamsFixture("streams.tcs"));
  TcsManager manager(document);
  console.take();

  ASSERT_TRUE(manager.readStreams());
  EXPECT_EQ(manager.status(), 0);
  // Every set with an id is named, including the one that has neither
  // protocols nor stream_files; the set without an id is not.
  EXPECT_EQ(console.take(),
            "Corvel> ------ Retreiving Streams ------\n"
            "Corvel>   udp_stack\n"
            "Corvel>   reversed\n"
            "Corvel>   capture_udp\n"
            "Corvel>   generate_udp\n"
            "Corvel>   files\n"
            "Corvel>   both\n"
            "Corvel>   empty\n"
            "Corvel>   silent_loss\n"
            "Corvel>   flow_loop\n"
            "Corvel>   tunnel\n"
            "Corvel>   tunnel_literal\n"
            "Corvel>   unreferenced\n"
            "Corvel>   unmatched\n"
            "Corvel>   nested_stop\n"
            "Corvel>   no_table\n"
            "Corvel>   loop_zero\n"
            "Corvel>   loop_no_entries\n"
            "Corvel>   dump_target\n");
  EXPECT_EQ(manager.streamSets().size(), 17u);
  EXPECT_FALSE(manager.streamSets().contains("empty"));
  for (const auto& [id, record] : manager.streamSets()) {
    EXPECT_EQ(record->id(), id);
    EXPECT_TRUE(record->stacks().empty()) << id << ": stacks are built on first use only";
    EXPECT_TRUE(isNodeNamed(record->setNode(), "stream_set"));
  }
}

struct RecordCase {
  const char* id;
  const char* definition;  // protocols or stream_files
  bool hasLoop;
  int32_t type;
};

class StreamRecord : public test::StreamSetsTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(StreamRecord, NodesAndType) {
  const RecordCase& c = GetParam();
  const StreamSetDefinition& record = set(c.id);
  EXPECT_TRUE(isNodeNamed(record.definitionNode(), c.definition));
  EXPECT_EQ(record.definitionNode()->parent, record.setNode());
  EXPECT_EQ(record.loopNode() != nullptr, c.hasLoop);
  if (c.hasLoop) {
    EXPECT_TRUE(isNodeNamed(record.loopNode(), "for_table_entries"));
  }
  EXPECT_EQ(record.type(), c.type);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, StreamRecord,
    ::testing::Values(RecordCase{"udp_stack", "protocols", false, enSetTypeGenerate},
                      RecordCase{"capture_udp", "protocols", false, enSetTypeCapture},
                      // only the text capture makes a capture set
                      RecordCase{"generate_udp", "protocols", false, enSetTypeGenerate},
                      // stream_files: no loop and no type, whatever the element says
                      RecordCase{"files", "stream_files", false, enSetTypeGenerate},
                      RecordCase{"both", "protocols", false, enSetTypeGenerate},
                      RecordCase{"flow_loop", "protocols", true, enSetTypeGenerate}),
    [](const auto& info) { return std::string(info.param.id); });

TEST(StreamReader, DuplicateIdEndsTheReading) {
  ConsoleCapture console;
  TcsDocument document;
  LoadDocument(document, StreamsFixture("duplicate.tcs"));
  TcsManager manager(document);
  console.take();

  try {
    manager.readStreams();
    FAIL() << "no exception";
  } catch (const TextError& error) {
    EXPECT_STREQ(error.text(), "duplicate stream set");
  }
  EXPECT_EQ(console.take(),
            "Corvel> ------ Retreiving Streams ------\n"
            "Corvel>   a\n"
            "Corvel>   b\n"
            "Corvel>   a\n");
  // The first a is kept as it was read.
  ASSERT_TRUE(manager.streamSets().contains("a"));
  EXPECT_EQ(getChildNodes(manager.streamSets().at("a")->definitionNode()).size(), 2u);
}

// Through the controller's load: the reader's exception ends the load in the
// error state with the message on the console.
TEST(StreamReader, DuplicateIdEndsTheControllersLoad) {
  ConsoleCapture console;
  Corvel corvel;
  WorkbenchPort rx;
  rx.direction = 1;
  rx.rate = 100;
  rx.interpacketTime = 8;
  rx.mediaBusClockFrequency = 66;
  corvel.registerPort(rx);
  const std::string path = StreamsFixture("duplicate.tcs");
  try {
    corvel.LoadTcs(path.c_str());
    FAIL() << "no exception";
  } catch (const TextError& error) {
    EXPECT_STREQ(error.text(), "duplicate stream set");
  }
  EXPECT_EQ(corvel.state(), enCorvelStateError);
  const std::string text = console.take();
  EXPECT_NE(text.find("Corvel>   a\n"
                      "Corvel> Transistion corvel to enCorvelStateError.\n"
                      "Corvel> ERROR: Exception while loading TCS file " +
                      path + " [duplicate stream set]\n"
                      "Corvel> ERROR: [duplicate stream set]\n"),
            std::string::npos)
      << text;
}

TEST(StreamReader, NothingToReadGivesFalseAndNoLines) {
  ConsoleCapture console;
  TcsDocument document;
  LoadDocument(document, StreamsFixture("no_sets.tcs"));
  TcsManager manager(document);
  console.take();
  EXPECT_FALSE(manager.readStreams());
  EXPECT_EQ(console.take(), "");
}

TEST(StreamReader, ReadsNothingOnceTheStatusIsRaised) {
  ConsoleCapture console;
  TcsDocument document;
  LoadDocument(document, StreamsFixture("streams.tcs"));
  TcsManager manager(document);
  manager.ReportParseError("TcsTest", std::nullopt, "earlier error");
  console.take();
  EXPECT_FALSE(manager.readStreams());
  EXPECT_TRUE(manager.streamSets().empty());
  EXPECT_EQ(console.take(), "");
}

}  // namespace
}  // namespace corvel
