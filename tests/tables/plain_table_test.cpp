// Plain tables: the entries written out after the defaults element, and the
// field lookup that falls back on the defaults.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "table_test_support.h"

namespace corvel {
namespace {

using Lines = std::vector<std::string>;

class PlainTable {
 public:
  explicit PlainTable(const std::string& children) {
    test::ParseText(_document, "<corvel><table_entries><route id=\"r\">" + children +
                                   "</route></table_entries></corvel>");
    xmlNode* element = selectSingleNode(_document.documentNode(), "//corvel/table_entries/route");
    _table = std::make_unique<TableDefinition>(element, "r");
  }
  Lines entries() { return test::EntryTexts(*_table); }
  TableDefinition& table() { return *_table; }

 private:
  TcsDocument _document;
  std::unique_ptr<TableDefinition> _table;
};

struct PlainCase {
  const char* name;
  const char* children;
  Lines expected;
};

class PlainForms : public testing::TestWithParam<PlainCase> {};

TEST_P(PlainForms, ProduceTheseEntries) {
  PlainTable table(GetParam().children);
  EXPECT_FALSE(table.table().isLoopTable());
  EXPECT_EQ(table.entries(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, PlainForms,
    testing::Values(
        PlainCase{"EntriesInOrder",
                  "<route.defaults dest=\"0\" port=\"80\"/><route.entry dest=\"1\"/><route.entry dest=\"2\" port=\"8\"/>",
                  {"dest=1", "dest=2 port=8"}},
        PlainCase{"CommentsPassedOver",
                  "<!-- a --><route.defaults/><!-- b --><route.entry n=\"1\"/><!-- c --><route.entry n=\"2\"/><!-- d -->",
                  {"n=1", "n=2"}},
        PlainCase{"LaterEntriesNeedNoEntryName",
                  "<route.defaults/><route.entry n=\"1\"/><other n=\"2\"/><route.entry.x n=\"3\"/>",
                  {"n=1", "n=2", "n=3"}},
        PlainCase{"AnyNameBeforeTheFirstDotCounts", "<route.defaults/><x.entry n=\"1\"/>", {"n=1"}},
        PlainCase{"NoDefaults", "<route.entry n=\"1\"/>", {}},
        PlainCase{"DefaultsOfAnotherName", "<routes.defaults/><route.entry n=\"1\"/>", {}},
        PlainCase{"DefaultsNotFirst", "<route.entry n=\"0\"/><route.defaults/><route.entry n=\"1\"/>", {}},
        PlainCase{"FirstEntryMisnamed", "<route.defaults/><entry n=\"1\"/><route.entry n=\"2\"/>", {}},
        PlainCase{"FirstEntryOfALongerName", "<route.defaults/><route.x.entry n=\"1\"/>", {}},
        PlainCase{"OnlyDefaults", "<route.defaults/>", {}},
        PlainCase{"Empty", "", {}}),
    [](const testing::TestParamInfo<PlainCase>& info) { return std::string(info.param.name); });

TEST(PlainTables, StartAgainWithEveryNewIterator) {
  PlainTable table("<route.defaults/><route.entry n=\"1\"/><route.entry n=\"2\"/>");
  TableEntriesGenerator* first = table.table().createEntryIterator();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(first->next(), nullptr);
  EXPECT_EQ(table.entries(), (Lines{"n=1", "n=2"}));
}

TEST(PlainTables, HandOutTheDocumentsOwnEntries) {
  PlainTable table("<route.defaults/><route.entry n=\"1\"/>");
  TableEntriesGenerator* entries = table.table().createEntryIterator();
  ASSERT_NE(entries, nullptr);
  const xmlNode* entry = entries->next();
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->parent, table.table().tableElement());
  EXPECT_EQ(entries->next(), nullptr);
  EXPECT_EQ(entries->next(), nullptr);
}

TEST(PlainTables, LookUpFieldsInTheEntryThenTheDefaults) {
  PlainTable table("<route.defaults dest=\"0\" port=\"80\" empty=\"x\"/><route.entry dest=\"1\" empty=\"\"/>");
  const xmlNode* defaults = table.table().getDefaultsNode();
  ASSERT_TRUE(isNodeNamed(defaults, "route.defaults"));
  const xmlNode* entry = table.table().createEntryIterator()->next();
  EXPECT_EQ(TableDefinition::fieldValue(entry, defaults, "dest"), "1");
  EXPECT_EQ(TableDefinition::fieldValue(entry, defaults, "port"), "80");
  EXPECT_EQ(TableDefinition::fieldValue(entry, defaults, "empty"), "");
  EXPECT_EQ(TableDefinition::fieldValue(entry, defaults, "vlan"), std::nullopt);
  EXPECT_EQ(TableDefinition::fieldValue(entry, nullptr, "port"), std::nullopt);
}

}  // namespace
}  // namespace corvel
