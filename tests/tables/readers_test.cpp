// The tables reader and the function reader on whole documents: the exact
// console lines and the exact host command lines, in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/tables/function_definitions_reader.h"
#include "corvel/tables/table_entries_reader.h"
#include "table_test_support.h"

namespace corvel {
namespace {

using test::CommandCapture;
using test::ConsoleCapture;
using test::TestContext;
using Lines = std::vector<std::string>;

class Readers : public testing::Test {
 protected:
  void load(std::string_view fixture) {
    test::LoadFixture(_document, fixture);
    _console.take();
  }

  TcsDocument _document;
  ConsoleCapture _console;
  TestContext _context{_document};
  CommandCapture _commands;
};

TEST_F(Readers, RecordsTablesFromTheLastToTheFirst) {
  load("edge_cases.tcs");
  EXPECT_TRUE(readTables(_context));
  EXPECT_EQ(_console.take(),
            "Corvel> ------ Retreiving Tables ------\n"
            "Corvel>   macs\n"
            "Corvel>   names\n"
            "Corvel>   routes\n");
  ASSERT_EQ(_context.tables().size(), 3u);
  const TableDefinition& routes = *_context.tables().at("routes");
  EXPECT_EQ(routes.name(), "route");
  EXPECT_EQ(routes.id(), "routes");
  EXPECT_FALSE(routes.isLoopTable());
  EXPECT_TRUE(_context.tables().at("macs")->isLoopTable());
  EXPECT_TRUE(isNodeNamed(routes.getDefaultsNode(), "route.defaults"));
}

TEST_F(Readers, AppliesEveryFunctionToEveryEntryOfItsTable) {
  load("edge_cases.tcs");
  ASSERT_TRUE(readTables(_context));
  _console.take();
  EXPECT_TRUE(readFunctions(_context));
  EXPECT_EQ(_console.take(), "Corvel> ------ Retreiving Functions ------\n");
  EXPECT_EQ(_context.status(), 0);
  // Functions from the last definition to the first; the one on an unknown
  // table executes nothing.
  EXPECT_EQ(_commands.lines(), (Lines{
                                   "mac_add(0x00112233, 0x4401,1);",
                                   "mac_add(0x00112233, 0x4402,2);",
                                   "mac_add(0x00112233, 0x4403,3);",
                                   "name_set(\"abc\");",
                                   "vlan_set(1,\"FUNC PARAM/KEY NOT IN DEFAULT/ENTRY\");",
                                   "vlan_set(2,\"FUNC PARAM/KEY NOT IN DEFAULT/ENTRY\");",
                                   "vlan_set(3,\"FUNC PARAM/KEY NOT IN DEFAULT/ENTRY\");",
                                   "route_add(1,81);",
                                   "route_add(2,80);",
                                   "route_add(3,83);",
                               }));
}

TEST_F(Readers, AppliesLoopTables) {
  load("loops.tcs");
  ASSERT_TRUE(readTables(_context));
  ASSERT_TRUE(readFunctions(_context));
  EXPECT_EQ(_commands.lines(), (Lines{
                                   "ip(\"10.0.0.255\");",
                                   "ip(\"10.0.1.0\");",
                                   "nest(1,1);",
                                   "nest(1,2);",
                                   "nest(1,3);",
                                   "nest(2,1);",
                                   "nest(2,2);",
                                   "nest(2,3);",
                                   "hex(\"9\");",
                                   "hex(\"a\");",
                                   "hex(\"b\");",
                                   "hex(\"c\");",
                                   "width(\"001\");",
                                   "width(\"002\");",
                                   "width(\"003\");",
                                   "count(1);",
                                   "count(2);",
                                   "count(3);",
                               }));
}

TEST_F(Readers, TracesCommandsAtVerboseLevelsFourAndNine) {
  for (const int32_t level : {1, 3, 4, 5, 8, 9}) {
    SCOPED_TRACE(level);
    TcsDocument document;
    test::LoadFixture(document, "edge_cases.tcs");
    TestContext context(document);
    ASSERT_TRUE(readTables(context));
    _console.take();
    const test::VerboseLevel verbose(level);
    ASSERT_TRUE(readFunctions(context));
    const std::string console = _console.take();
    if (level == 4 || level == 9) {
      EXPECT_NE(console.find("Corvel>    tolk command: route_add(2,80);\n"
                             "Corvel>    tolk command: route_add(3,83);\n"),
                std::string::npos);
      EXPECT_NE(console.find("Corvel>    tolk command: mac_add(0x00112233, 0x4401,1);\n"), std::string::npos);
    } else {
      EXPECT_EQ(console, "Corvel> ------ Retreiving Functions ------\n");
    }
  }
}

TEST_F(Readers, ReportsALoopThatWouldNeverEndAndStops) {
  load("bad_loop.tcs");
  ASSERT_TRUE(readTables(_context));
  _console.take();
  EXPECT_TRUE(readFunctions(_context));
  EXPECT_EQ(_console.take(),
            "Corvel> ------ Retreiving Functions ------\n"
            "Corvel> PARSE-ERROR, Element stuck_fn: loop variable i of table stuck has an increment below 1 "
            "(TcsFunctionProtocol)\n");
  EXPECT_EQ(_context.status(), 2);
  // The function before it in the document is not applied any more.
  EXPECT_TRUE(_commands.lines().empty());
}

TEST_F(Readers, DoNothingOnceTheStatusIsNotZero) {
  load("edge_cases.tcs");
  ASSERT_TRUE(readTables(_context));
  _console.take();
  _context.setStatus(2);
  EXPECT_FALSE(readTables(_context));
  EXPECT_FALSE(readFunctions(_context));
  EXPECT_EQ(_console.take(), "");
  EXPECT_TRUE(_commands.lines().empty());
}

TEST_F(Readers, AnswerFalseForMissingSections) {
  test::ParseText(_document, "<corvel><streams/></corvel>");
  EXPECT_FALSE(readTables(_context));
  EXPECT_EQ(_console.take(), "");
  EXPECT_FALSE(readFunctions(_context));
  EXPECT_EQ(_console.take(), "Corvel> ERROR: Could not find stream node\n");
}

TEST_F(Readers, FunctionsWithoutTablesApplyNothing) {
  load("edge_cases.tcs");
  // No tables read: every function's table is unknown, which is no error.
  EXPECT_FALSE(readFunctions(_context));
  EXPECT_EQ(_context.status(), 0);
  EXPECT_TRUE(_commands.lines().empty());
}

TEST_F(Readers, ThrowDefinitionMessagesToTheCaller) {
  struct Case {
    const char* attributes;
    const char* message;
  };
  const Case cases[] = {
      {R"(_function_name="f" _table_id="t")", "_element_type_ not defined for function definition"},
      {R"(_element_type="e" _table_id="t")", "_function_name not defined for function definition"},
      {R"(_element_type="e" _function_name="f")", "_table_id not defined for function definition"},
      {R"(_element_type="e" _function_name="f" _table_id="t" v="float")", "Unknown parameter type"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    TcsDocument document;
    test::ParseText(document, std::string("<corvel><type_definitions><f _entry_type=\"function\" ") +
                                  c.attributes + "/></type_definitions></corvel>");
    TestContext context(document);
    try {
      readFunctions(context);
      ADD_FAILURE() << "no message thrown";
    } catch (const TextError& error) {
      EXPECT_STREQ(error.text(), c.message);
    }
  }
}

TEST_F(Readers, PassOverElementsThatAreNoFunctions) {
  test::ParseText(_document,
                  "<corvel><type_definitions>"
                  "<f _entry_type=\"declare\"/><g/><!-- note -->"
                  "</type_definitions><table_entries/></corvel>");
  EXPECT_FALSE(readFunctions(_context));
  EXPECT_EQ(_context.status(), 0);
}

TEST_F(Readers, EnterEntityReferences) {
  // Kept as references in the tree (no substitution at parse time).
  TcsDocument kept;
  {
    xmlDoc* parsed = xmlReadFile(test::FixturePath("entities.tcs").c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    ASSERT_NE(parsed, nullptr);
    kept.adopt(parsed, "entities.tcs");
  }
  // Substituted by the plug-in's own load.
  TcsDocument substituted;
  test::LoadFixture(substituted, "entities.tcs");
  _console.take();
  for (TcsDocument* document : {&kept, &substituted}) {
    TestContext context(*document);
    EXPECT_TRUE(readTables(context));
    // Last to first, inside the entity too; the later "first" wins.
    EXPECT_EQ(_console.take(),
              "Corvel> ------ Retreiving Tables ------\n"
              "Corvel>   first\n"
              "Corvel>   second_entity\n"
              "Corvel>   from_entity\n"
              "Corvel>   first\n");
    ASSERT_EQ(context.tables().size(), 3u);
    EXPECT_EQ(test::EntryTexts(*context.tables().at("first")), (Lines{"v=9"}));
    EXPECT_EQ(test::EntryTexts(*context.tables().at("from_entity")), (Lines{"v=5"}));
    EXPECT_TRUE(test::EntryTexts(*context.tables().at("second_entity")).empty());
  }
}

}  // namespace
}  // namespace corvel
