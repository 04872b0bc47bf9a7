// Loop tables: counters, widths, radixes, nesting, the further variables and
// their operations, reference substitution and the refused loops.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/tables/table_entries_loops.h"
#include "table_test_support.h"

namespace corvel {
namespace {

using Lines = std::vector<std::string>;

// A loop table "t" whose `for` element is `loops`.
class LoopTable {
 public:
  explicit LoopTable(const std::string& loops, const std::string& defaults = "<t.defaults v=\"0\"/>") {
    test::ParseText(_document, "<corvel><table_entries><t id=\"t\">" + defaults + loops +
                                   "</t></table_entries></corvel>");
    xmlNode* element = selectSingleNode(_document.documentNode(), "//corvel/table_entries/t");
    _table = std::make_unique<TableDefinition>(element, "t");
  }
  Lines entries() { return test::EntryTexts(*_table); }
  TableDefinition& table() { return *_table; }

 private:
  TcsDocument _document;
  std::unique_ptr<TableDefinition> _table;
};

std::string For(const std::string& id, int first, int last, int incr, const std::string& body,
                const std::string& radix = "10") {
  return "<for id=\"" + id + "\" first=\"" + std::to_string(first) + "\" last=\"" + std::to_string(last) +
         "\" incr=\"" + std::to_string(incr) + "\" radix=\"" + radix + "\">" + body + "</for>";
}

Lines Values(std::initializer_list<const char*> values) {
  Lines lines;
  for (const char* value : values) lines.push_back(std::string("v=") + value);
  return lines;
}

struct LoopCase {
  const char* name;
  std::string loops;
  Lines expected;
};

class LoopForms : public testing::TestWithParam<LoopCase> {};

TEST_P(LoopForms, ProduceTheseEntries) {
  LoopTable table(GetParam().loops);
  EXPECT_EQ(table.entries(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, LoopForms,
    testing::Values(
        LoopCase{"Counter", For("i", 1, 3, 1, "<entry v=\"#i;\"/>"), Values({"1", "2", "3"})},
        LoopCase{"Width", For("i", 1, 3, 1, "<entry v=\"#3i;\"/>"), Values({"001", "002", "003"})},
        LoopCase{"WidthBelowTheText", For("i", 99, 101, 1, "<entry v=\"#2i;\"/>"), Values({"99", "100", "101"})},
        LoopCase{"Radix16", For("i", 1, 12, 1, "<entry v=\"#i;\"/>", "16"),
                 Values({"1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "b", "c"})},
        LoopCase{"Radix16Width", For("i", 254, 256, 1, "<entry v=\"#4i;\"/>", "0x10"), Values({"00fe", "00ff", "0100"})},
        LoopCase{"Radix2", For("i", 4, 6, 1, "<entry v=\"#i;\"/>", "2"), Values({"100", "101", "110"})},
        LoopCase{"NegativeInRadix16", For("i", -2, 1, 1, "<entry v=\"#i;\"/>", "16"),
                 Values({"fffffffe", "ffffffff", "0", "1"})},
        LoopCase{"NegativeDecimalPadded", For("i", -2, -1, 1, "<entry v=\"#3i;\"/>"), Values({"0-2", "0-1"})},
        LoopCase{"Step", For("i", 0, 10, 4, "<entry v=\"#i;\"/>"), Values({"0", "4", "8"})},
        LoopCase{"SingleValue", For("i", 5, 5, 1, "<entry v=\"#i;\"/>"), Values({"5"})},
        LoopCase{"LastBelowFirst", For("i", 3, 1, 1, "<entry v=\"#i;\"/>"), Values({})},
        LoopCase{"NoTemplate", For("i", 1, 3, 1, ""), Values({})},
        LoopCase{"Nested2x3",
                 For("i", 1, 2, 1, For("j", 1, 3, 1, "<entry v=\"#i;.#j;\"/>")),
                 Values({"1.1", "1.2", "1.3", "2.1", "2.2", "2.3"})},
        LoopCase{"InnerLoopEmpty", For("i", 1, 2, 1, For("j", 3, 1, 1, "<entry v=\"#i;.#j;\"/>")), Values({})},
        LoopCase{"InnerVariableHidesOuter", For("i", 1, 2, 1, For("i", 7, 7, 1, "<entry v=\"#i;\"/>")),
                 Values({"7", "7"})},
        LoopCase{"TemplatesInOrderEveryStep",
                 For("i", 1, 2, 1, "<entry v=\"a#i;\"/>" + For("j", 1, 2, 1, "<x.entry v=\"b#j;\"/>")),
                 Values({"a1", "b1", "a1", "b2", "a2", "b1", "a2", "b2"})},
        LoopCase{"OtherElementsAreNoTemplates",
                 For("i", 1, 2, 1, "<note v=\"x\"/><!-- c --><t.entry v=\"#i;\"/><entryx v=\"y\"/>"),
                 Values({"1", "2"})},
        LoopCase{"UnknownReferencesCopied",
                 For("i", 1, 1, 1, "<entry v=\"a#x;b#;c#3;d#i;e#2#i;f#i\"/>"),
                 Values({"a#x;b#;c#3;d1e#2#i;f#i"})},
        LoopCase{"IntegerVariable",
                 For("i", 1, 3, 1, "<var-def id=\"n\" value=\"10\"/><var-opr id=\"n\" opr=\"incr\" by=\"5\"/>"
                                   "<entry v=\"#n;\"/>"),
                 Values({"15", "20", "25"})},
        LoopCase{"IntegerVariableWithoutOperation",
                 For("i", 1, 2, 1, "<entry v=\"#n;\"/><var-def id=\"n\" value=\"0x10\"/>"), Values({"16", "16"})},
        LoopCase{"SetOperation",
                 For("i", 1, 2, 1, "<var-def id=\"n\" value=\"1\"/><var-opr id=\"n\" opr=\"set\" to=\"7\"/>"
                                   "<entry v=\"#n;\"/>"),
                 Values({"7", "7"})},
        LoopCase{"OuterOperationOncePerOuterPass",
                 For("i", 1, 2, 1,
                     "<var-def id=\"n\" value=\"100\"/><var-opr id=\"n\" opr=\"incr\" by=\"1\"/>" +
                         For("j", 1, 2, 1, "<entry v=\"#n;-#j;\"/>")),
                 Values({"101-1", "101-2", "102-1", "102-2"})},
        LoopCase{"InnerOperationOnAnOuterVariable",
                 For("i", 1, 2, 1,
                     "<var-def id=\"n\" value=\"0\"/>" +
                         For("j", 1, 2, 1, "<var-opr id=\"n\" opr=\"incr\" by=\"1\"/><entry v=\"#n;\"/>")),
                 Values({"1", "2", "3", "4"})},
        LoopCase{"CountingVariableWraps",
                 For("i", 1, 4, 1, "<loop id=\"k\" first=\"1\" last=\"3\" incr=\"1\" radix=\"10\"/>"
                                   "<var-opr id=\"k\" opr=\"incr\" by=\"1\"/><entry v=\"#k;\"/>"),
                 Values({"2", "3", "1", "2"})},
        LoopCase{"CountingVariableStepsByItsIncr",
                 For("i", 1, 3, 1, "<loop id=\"k\" first=\"0\" last=\"10\" incr=\"5\" radix=\"16\"/>"
                                   "<var-opr id=\"k\" opr=\"incr\"/><entry v=\"#k;\"/>"),
                 Values({"5", "a", "0"})},
        LoopCase{"OperationsLeaveLoopCountersAlone",
                 For("i", 1, 3, 1, "<var-opr id=\"i\" opr=\"set\" to=\"1\"/><entry v=\"#i;\"/>"),
                 Values({"1", "2", "3"})},
        LoopCase{"Ipv4Carry",
                 For("i", 1, 2, 1, "<var-def-ip4-addr id=\"ip\" ip1=\"10\" ip2=\"0\" ip3=\"0\" ip4=\"254\"/>"
                                   "<var-opr id=\"ip\" opr=\"incr\" by=\"9\"/><entry v=\"#ip;\"/>"),
                 Values({"10.0.0.255", "10.0.1.0"})},
        LoopCase{"Ipv4CarriesThroughEveryNumber",
                 For("i", 1, 3, 1, "<var-def-ip4-addr id=\"ip\" ip1=\"9\" ip2=\"255\" ip3=\"255\" ip4=\"254\"/>"
                                   "<var-opr id=\"ip\" opr=\"incr\"/><entry v=\"#ip;\"/>"),
                 Values({"9.255.255.255", "10.0.0.0", "10.0.0.1"})},
        LoopCase{"Ipv4AfterTheLastAddress",
                 For("i", 1, 2, 1, "<var-def-ip4-addr id=\"ip\" ip1=\"255\" ip2=\"255\" ip3=\"255\" ip4=\"255\"/>"
                                   "<var-opr id=\"ip\" opr=\"incr\"/><entry v=\"#10ip;\"/>"),
                 Values({"0000.0.0.0", "0000.0.0.1"})}),
    [](const testing::TestParamInfo<LoopCase>& info) { return std::string(info.param.name); });

TEST(LoopTables, CountEveryCombinationOfFirstLastAndIncr) {
  // For any range and step: the values first, first + incr, ... up to last.
  for (int first = -3; first <= 3; ++first) {
    for (int last = -3; last <= 6; ++last) {
      for (int incr = 1; incr <= 4; ++incr) {
        SCOPED_TRACE(testing::Message() << first << ".." << last << " by " << incr);
        Lines expected;
        for (int value = first; value <= last; value += incr) expected.push_back("v=" + std::to_string(value));
        LoopTable table(For("i", first, last, incr, "<entry v=\"#i;\"/>"));
        EXPECT_EQ(table.entries(), expected);
      }
    }
  }
}

TEST(LoopTables, KeepEveryAttributeOfTheTemplate) {
  LoopTable table(For("i", 1, 2, 1, "<r.entry a=\"x\" b=\"#i;\" c=\"\"/>"));
  EXPECT_EQ(table.entries(), (Lines{"a=x b=1 c=", "a=x b=2 c="}));
}

TEST(LoopTables, StartAgainWithEveryNewIterator) {
  LoopTable table(For("i", 1, 3, 1,
                      "<var-def id=\"n\" value=\"0\"/><var-opr id=\"n\" opr=\"incr\" by=\"1\"/>"
                      "<entry v=\"#i;-#n;\"/>"));
  const Lines expected{"v=1-1", "v=2-2", "v=3-3"};
  EXPECT_EQ(table.entries(), expected);
  EXPECT_EQ(table.entries(), expected);
}

TEST(LoopTables, RefuseLoopsThatCannotRun) {
  struct Case {
    std::string loops;
    const char* message;
  };
  const Case cases[] = {
      {For("i", 1, 3, 0, "<entry v=\"#i;\"/>"), "loop variable i of table t has an increment below 1"},
      {For("i", 3, 1, -1, "<entry v=\"#i;\"/>"), "loop variable i of table t has an increment below 1"},
      {"<for id=\"i\" first=\"1\" last=\"3\"><entry v=\"#i;\"/></for>",
       "loop variable i of table t has an increment below 1"},
      {For("i", 1, 2, 1, For("j", 1, 2, 0, "")), "loop variable j of table t has an increment below 1"},
      {For("i", 1, 3, 1, "", "37"), "loop variable i of table t has a radix outside 2 to 36"},
      {For("i", 1, 3, 1, "", "1"), "loop variable i of table t has a radix outside 2 to 36"},
      {For("i", 1, 3, 1, "<loop id=\"k\" first=\"1\" last=\"2\" incr=\"1\" radix=\"99\"/>"),
       "loop variable k of table t has a radix outside 2 to 36"},
      {For("i", 1, 3, 1, "<var-def-ip4-addr id=\"ip\" ip1=\"10\" ip2=\"256\" ip3=\"0\" ip4=\"0\"/>"),
       "IPv4 variable ip of table t has a number outside 0 to 255"},
      {For("i", 1, 3, 1, "<var-def-ip4-addr id=\"ip\" ip1=\"-1\" ip2=\"0\" ip3=\"0\" ip4=\"0\"/>"),
       "IPv4 variable ip of table t has a number outside 0 to 255"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.loops);
    LoopTable table(c.loops);
    try {
      table.table().createEntryIterator();
      ADD_FAILURE() << "loop accepted";
    } catch (const TextError& error) {
      EXPECT_STREQ(error.text(), c.message);
    }
    EXPECT_EQ(table.table().entryIterator(), nullptr);
  }
}

TEST(LoopTables, LimitSubstitutedValuesTo255Characters) {
  LoopTable fits(For("i", 1, 1, 1, "<entry v=\"#255i;\"/>"));
  const Lines entries = fits.entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0], "v=" + std::string(254, '0') + "1");

  for (const std::string& body : {std::string("<entry v=\"#256i;\"/>"), std::string("<entry v=\"#99999999999i;\"/>"),
                                  "<entry v=\"" + std::string(250, 'x') + "#6i;\"/>",
                                  "<entry v=\"" + std::string(300, 'x') + "\"/>"}) {
    LoopTable table(For("i", 1, 2, 1, body));
    TableEntriesGenerator* entries = table.table().createEntryIterator();
    ASSERT_NE(entries, nullptr);
    try {
      entries->next();
      ADD_FAILURE() << "long value accepted";
    } catch (const TextError& error) {
      EXPECT_STREQ(error.text(), "value of attribute v in an entry of table t is longer than 255 characters");
    }
  }
}

TEST(LoopTables, NeedTheDefaultsElementThenTheFor) {
  const std::string loop = For("i", 1, 2, 1, "<entry v=\"#i;\"/>");
  // Without defaults, or with something between them, the table is no loop
  // table; nor is it a plain table, so it has no entries.
  for (const std::string& defaults : {std::string(), std::string("<t.defaults/><note/>"), std::string("<u.defaults/>")}) {
    SCOPED_TRACE(defaults);
    LoopTable table(loop, defaults);
    EXPECT_TRUE(table.table().isLoopTable());
    EXPECT_EQ(table.table().createEntryIterator(), nullptr);
  }
  // Comments are passed over.
  LoopTable commented("<!-- a -->" + loop, "<!-- b --><t.defaults/>");
  EXPECT_EQ(commented.entries(), (Lines{"v=1", "v=2"}));
}

TEST(LoopTables, ProduceEntriesOfTheTemplatesName) {
  LoopTable table(For("i", 1, 1, 1, "<route.entry v=\"#i;\"/>"));
  TableEntriesGenerator* entries = table.table().createEntryIterator();
  ASSERT_NE(entries, nullptr);
  const xmlNode* entry = entries->next();
  EXPECT_TRUE(isNodeNamed(entry, "route.entry"));
  EXPECT_EQ(entry->parent, nullptr);  // attached nowhere
  EXPECT_EQ(entries->next(), nullptr);
  EXPECT_EQ(entries->next(), nullptr);
}

}  // namespace
}  // namespace corvel
