// The accessors on a loaded sample document and the text conversions the
// readers build on.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "console_capture.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

class SampleDocument : public testing::Test {
 protected:
  void SetUp() override {
    test::ConsoleCapture quiet;
    LoadDocument(_document, std::string(CORVEL_TEST_DATA) + "/tcs/doc_sample.tcs");
  }
  xmlNode* select(const std::string& path) const { return selectSingleNode(_document.documentNode(), path); }
  static std::vector<std::string> names(const std::vector<xmlNode*>& nodes) {
    std::vector<std::string> result;
    for (const xmlNode* node : nodes) result.push_back(GetNodeName(node).value_or("<none>"));
    return result;
  }

  TcsDocument _document;
};

// ---- Selection -----------------------------------------------------------

TEST_F(SampleDocument, SelectsTheSectionsByTheirPaths) {
  EXPECT_TRUE(isNodeNamed(select("//corvel"), "corvel"));
  EXPECT_TRUE(isNodeNamed(select("//corvel/type_definitions"), "type_definitions"));
  EXPECT_EQ(GetAttribute(select("//corvel//policies"), "police_log_dir"), "logs/");
  EXPECT_EQ(GetAttribute(select("//corvel/policies/policy_set"), "id"), "p1");
  EXPECT_EQ(GetAttribute(select("//corvel/rx_ports"), "rate"), "100");
  EXPECT_NE(select("//corvel/tx_ports"), nullptr);
  EXPECT_EQ(GetAttribute(select("//corvel/type_definitions/mytag.declare"), "len"), "8");
  EXPECT_EQ(select("//corvel/type_definitions/other.declare"), nullptr);
  EXPECT_EQ(select("//corvel/nothing"), nullptr);
}

TEST_F(SampleDocument, SelectsNodeListsInDocumentOrder) {
  const std::vector<xmlNode*> sets = selectNodes(_document.documentNode(), "//corvel/streams/stream_set");
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(GetAttribute(sets[0], "id"), "s1");
  EXPECT_EQ(GetAttribute(sets[1], "id"), "s2");
  EXPECT_TRUE(selectNodes(_document.documentNode(), "//corvel/streams/none").empty());
  // The first of several matches is the single selection.
  EXPECT_EQ(selectSingleNode(_document.documentNode(), "//corvel/streams/stream_set"), sets[0]);
}

TEST_F(SampleDocument, RelativePathsStartAtTheContextNode) {
  const std::vector<xmlNode*> sets = selectNodes(_document.documentNode(), "//corvel/streams/stream_set");
  ASSERT_EQ(sets.size(), 2u);
  const xmlNode* protocols = selectSingleNode(sets[1], "./protocols");
  ASSERT_NE(protocols, nullptr);
  EXPECT_EQ(names(getChildNodes(protocols)), std::vector<std::string>{"payload"});
  EXPECT_EQ(selectSingleNode(sets[1], "./for_table_entries"), nullptr);
  EXPECT_EQ(selectSingleNode(protocols, "./.."), sets[1]);
  EXPECT_EQ(selectSingleNode(protocols, "./../.."), select("//corvel/streams"));
}

TEST_F(SampleDocument, UnusableExpressionsSelectNothingQuietly) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(select("//["), nullptr);
  EXPECT_EQ(select("count(//port)"), nullptr);  // a number, not nodes
  EXPECT_EQ(select("//x:port"), nullptr);       // prefix unknown to the expression
  EXPECT_EQ(select(""), nullptr);
  EXPECT_TRUE(selectNodes(_document.documentNode(), "//corvel/type_definitions/a:b.declare").empty());
  EXPECT_EQ(selectSingleNode(nullptr, "//corvel"), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(SampleDocument, AttributeSelectionsYieldAttributeNodes) {
  const std::vector<xmlNode*> ids = selectNodes(_document.documentNode(), "//stream_set/@id");
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(GetNodeName(ids[0]), "id");
  EXPECT_EQ(GetNodeValue(ids[1]), "s2");
  // Namespace nodes are never handed out.
  EXPECT_TRUE(selectNodes(select("//corvel"), "./namespace::*").empty());
}

// ---- Child walks ---------------------------------------------------------

TEST_F(SampleDocument, ChildWalksPassOverComments) {
  EXPECT_EQ(names(getChildNodes(select("//corvel/streams/stream_set/protocols"))),
            (std::vector<std::string>{"ethernet", "ipv4", "udp", "payload"}));
  EXPECT_EQ(names(getChildNodes(select("//corvel/rx_ports"))), (std::vector<std::string>{"port", "port"}));
  EXPECT_EQ(names(getChildNodes(select("//corvel/type_definitions"))),
            (std::vector<std::string>{"mytag.declare", "fn"}));
  EXPECT_TRUE(getChildNodes(select("//corvel/table_entries")).empty());
  EXPECT_TRUE(getChildNodes(nullptr).empty());
}

TEST_F(SampleDocument, ChildWalksKeepTextThatIsNotBlank) {
  const std::vector<xmlNode*> ports = selectNodes(_document.documentNode(), "//corvel/rx_ports/port");
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(names(getChildNodes(ports[1])), (std::vector<std::string>{"#text", "#cdata-section"}));
}

// ---- Names, values, text -------------------------------------------------

TEST_F(SampleDocument, NodeNamesFollowTheDomConvention) {
  const xmlNode* protocols = select("//corvel/streams/stream_set/protocols");
  ASSERT_NE(protocols, nullptr);
  const xmlNode* comment = protocols->children;
  while (comment != nullptr && comment->type != XML_COMMENT_NODE) comment = comment->next;
  ASSERT_NE(comment, nullptr);
  EXPECT_EQ(GetNodeName(comment), "#comment");
  EXPECT_TRUE(isCommentNode(comment));
  EXPECT_TRUE(isNodeNamed(comment, "#comment"));
  EXPECT_EQ(GetNodeValue(comment), " the datalink comes first ");
  EXPECT_EQ(GetNodeName(protocols), "protocols");
  EXPECT_EQ(GetNodeValue(protocols), std::nullopt);
  EXPECT_EQ(GetNodeName(static_cast<const xmlNode*>(nullptr)), std::nullopt);
  EXPECT_FALSE(isNodeNamed(nullptr, ""));
  const xmlNode* tx = select("//corvel/tx_ports");
  EXPECT_EQ(GetNodeName(tx->properties), "x:rate");
  EXPECT_EQ(GetNodeValue(tx->properties), "7");
}

TEST_F(SampleDocument, NodeTextConcatenatesTextAndCdata) {
  const std::vector<xmlNode*> ports = selectNodes(_document.documentNode(), "//corvel/rx_ports/port");
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(GetNodeText(ports[1]), "text & more <raw> ");
  EXPECT_EQ(GetNodeText(ports[0]), "");
  EXPECT_EQ(GetNodeText(nullptr), std::nullopt);
}

// ---- Attributes ----------------------------------------------------------

TEST_F(SampleDocument, AttributeLookupIsExactAndCaseSensitive) {
  const xmlNode* tx = select("//corvel/tx_ports");
  EXPECT_EQ(GetAttribute(tx, "rate"), "8");
  EXPECT_EQ(GetAttribute(tx, "Rate"), "9");
  EXPECT_EQ(GetAttribute(tx, "x:rate"), "7");
  EXPECT_EQ(GetAttribute(tx, "RATE"), std::nullopt);
  EXPECT_EQ(GetAttribute(tx, "rat"), std::nullopt);
  EXPECT_EQ(GetAttribute(tx, std::string_view("rate\0", 5)), std::nullopt);
  EXPECT_EQ(GetAttribute(nullptr, "rate"), std::nullopt);
  EXPECT_FALSE(hasAttributeMap(_document.documentNode()));
  EXPECT_TRUE(hasAttributeMap(tx));
}

TEST_F(SampleDocument, AttributeTextTreatsEmptyAsAbsent) {
  const xmlNode* payload = select("//corvel/streams/stream_set/protocols/payload");
  EXPECT_EQ(GetAttribute(payload, "empty"), "");
  EXPECT_EQ(GetAttributeText(payload, "empty"), std::nullopt);
  EXPECT_EQ(GetAttributeText(payload, "missing"), std::nullopt);
  EXPECT_EQ(GetAttributeText(payload, "length"), "2,50");
}

TEST_F(SampleDocument, AttributeIntegersUseBase0Conversion) {
  bool found = false;
  const xmlNode* root = select("//corvel");
  EXPECT_EQ(GetAttributeInt(root, "random_number_seed", found), 16);
  EXPECT_TRUE(found);
  EXPECT_EQ(GetAttributeInt(select("//ipv4"), "ttl", found), 8);
  EXPECT_EQ(GetAttributeInt(select("//ipv4"), "tos", found), 12);
  EXPECT_EQ(GetAttributeInt(select("//udp"), "dst_port", found), -5);
  EXPECT_EQ(GetAttributeInt(select("//payload"), "spaced", found), 42);
  EXPECT_EQ(GetAttributeInt(select("//payload"), "empty", found), 0);
  EXPECT_TRUE(found);
  found = true;
  EXPECT_EQ(GetAttributeInt(root, "missing", found), 0);
  EXPECT_FALSE(found);
}

TEST_F(SampleDocument, AttributeDoubles) {
  bool found = false;
  EXPECT_DOUBLE_EQ(GetAttributeDouble(select("//payload"), "rate", found), 25.0);
  EXPECT_TRUE(found);
  EXPECT_DOUBLE_EQ(GetAttributeDouble(select("//payload"), "length", found), 2.0);
  EXPECT_DOUBLE_EQ(GetAttributeDouble(select("//payload"), "missing", found), 0.0);
  EXPECT_FALSE(found);
}

TEST_F(SampleDocument, AttributeListKeepsDocumentOrder) {
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(getAttributeList(select("//corvel/tx_ports")),
            (Pairs{{"x:rate", "7"}, {"rate", "8"}, {"Rate", "9"}}));
  EXPECT_TRUE(getAttributeList(_document.documentNode()).empty());
}

TEST_F(SampleDocument, SetAttributeReplacesOrAppends) {
  xmlNode* ipv4 = select("//ipv4");
  EXPECT_TRUE(SetAttribute(ipv4, "src_addr", "192.168.1.1"));
  EXPECT_EQ(GetAttribute(ipv4, "src_addr"), "192.168.1.1");
  EXPECT_TRUE(SetAttribute(ipv4, "dst_addr", "10.0.0.2"));
  const auto list = getAttributeList(ipv4);
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[1], (std::pair<std::string, std::string>{"src_addr", "192.168.1.1"}));
  EXPECT_EQ(list[4], (std::pair<std::string, std::string>{"dst_addr", "10.0.0.2"}));
  // Values are stored as they are, markup characters included.
  EXPECT_TRUE(SetAttribute(ipv4, "note", "a&b<\"c\"&amp;"));
  EXPECT_EQ(GetAttribute(ipv4, "note"), "a&b<\"c\"&amp;");
  EXPECT_TRUE(SetAttribute(ipv4, "note", ""));
  EXPECT_EQ(GetAttribute(ipv4, "note"), "");
  // The changed value is what later selections and readers see.
  EXPECT_EQ(GetAttribute(select("//ipv4[@dst_addr='10.0.0.2']"), "src_addr"), "192.168.1.1");
}

TEST_F(SampleDocument, SetAttributeRefusesWhatCannotBeStored) {
  xmlNode* ipv4 = select("//ipv4");
  EXPECT_FALSE(SetAttribute(ipv4, "1bad", "x"));
  EXPECT_FALSE(SetAttribute(ipv4, "", "x"));
  EXPECT_FALSE(SetAttribute(ipv4, "bad name", "x"));
  EXPECT_FALSE(SetAttribute(ipv4, "cut", std::string_view("a\0b", 3)));
  EXPECT_FALSE(SetAttribute(_document.documentNode(), "rate", "1"));
  EXPECT_FALSE(SetAttribute(nullptr, "rate", "1"));
  EXPECT_EQ(GetAttribute(ipv4, "1bad"), std::nullopt);
}

// ---- Copies --------------------------------------------------------------

TEST_F(SampleDocument, CopiesAreDeepAndDetached) {
  xmlNode* protocols = select("//corvel/streams/stream_set/protocols");
  NodeCopy copy = cloneNode(protocols);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->parent, nullptr);
  EXPECT_EQ(names(getChildNodes(copy.get())), names(getChildNodes(protocols)));
  xmlNode* copiedIpv4 = selectSingleNode(copy.get(), "./ipv4");
  ASSERT_NE(copiedIpv4, nullptr);
  EXPECT_TRUE(SetAttribute(copiedIpv4, "src_addr", "1.2.3.4"));
  EXPECT_EQ(GetAttribute(select("//ipv4"), "src_addr"), "10.0.0.1");
  // The copy is not part of the document's selections.
  EXPECT_EQ(selectNodes(_document.documentNode(), "//ipv4").size(), 1u);
  EXPECT_EQ(cloneNode(_document.documentNode()), nullptr);
  EXPECT_EQ(cloneNode(nullptr), nullptr);
}

// ---- xmlCharText conversions ----------------------------------------------------

struct IntCase {
  const char* text;
  int32_t value;
};

class Base0Conversion : public testing::TestWithParam<IntCase> {};

TEST_P(Base0Conversion, Converts) { EXPECT_EQ(textToIntBase0(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    XmlAccess, Base0Conversion,
    testing::Values(IntCase{"0x10", 16}, IntCase{"0X1f", 31}, IntCase{"010", 8}, IntCase{"08", 0},
                    IntCase{"0", 0}, IntCase{"16", 16}, IntCase{"12abc", 12}, IntCase{"abc", 0},
                    IntCase{"", 0}, IntCase{"0x", 0}, IntCase{"  \t42", 42}, IntCase{"-5", -5},
                    IntCase{"+7", 7}, IntCase{"-0x10", -16}, IntCase{"1,2", 1},
                    IntCase{"2147483647", kMax}, IntCase{"2147483648", kMax}, IntCase{"0x7fffffff", kMax},
                    IntCase{"0x80000000", kMax}, IntCase{"0xffffffff", kMax},
                    IntCase{"-2147483648", kMin}, IntCase{"-2147483649", kMin},
                    IntCase{"99999999999999999999999", kMax}, IntCase{"-99999999999999999999999", kMin}),
    test::NameFrom<&IntCase::text>());

TEST(XmlAccess, RealConversionTakesTheLeadingNumber) {
  EXPECT_DOUBLE_EQ(textToDouble("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(textToDouble(" -1.25e2x"), -125.0);
  EXPECT_DOUBLE_EQ(textToDouble("abc"), 0.0);
}

TEST(XmlAccess, HexStringsStartWithThePrefix) {
  EXPECT_TRUE(IsHexString("0x"));
  EXPECT_TRUE(IsHexString("0X0800"));
  EXPECT_TRUE(IsHexString("0xzz"));
  EXPECT_FALSE(IsHexString("0800"));
  EXPECT_FALSE(IsHexString("x0800"));
  EXPECT_FALSE(IsHexString(" 0x08"));
  EXPECT_FALSE(IsHexString("0"));
  EXPECT_FALSE(IsHexString(""));
}

struct FieldCase {
  const char* text;
  int32_t n;
  std::optional<std::string> field;
  std::optional<int32_t> value;
};

class FieldSplitting : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldSplitting, TakesTheNthField) {
  const FieldCase& c = GetParam();
  EXPECT_EQ(getField(c.text, c.n), c.field);
  EXPECT_EQ(getFieldInt(c.text, c.n), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    XmlAccess, FieldSplitting,
    testing::Values(FieldCase{"2", 1, "2", 2}, FieldCase{"2", 2, std::nullopt, std::nullopt},
                    FieldCase{"2,", 1, "2", 2}, FieldCase{"2,", 2, "", 0},
                    FieldCase{"2,", 3, std::nullopt, std::nullopt}, FieldCase{"2,50", 1, "2", 2},
                    FieldCase{"2,50", 2, "50", 50}, FieldCase{"2,0", 2, "0", 0},
                    FieldCase{"3,20", 2, "20", 20}, FieldCase{",7", 1, "", 0}, FieldCase{",7", 2, "7", 7},
                    FieldCase{"1,,3", 2, "", 0}, FieldCase{"1,,3", 3, "3", 3},
                    FieldCase{"a, 12b", 2, " 12b", 12}, FieldCase{"", 1, "", 0},
                    FieldCase{"0x10,010", 1, "0x10", 0}, FieldCase{"0x10,010", 2, "010", 10},
                    FieldCase{"-3,99999999999", 1, "-3", -3}, FieldCase{"-3,99999999999", 2, "99999999999", kMax},
                    FieldCase{"1,2", 0, std::nullopt, std::nullopt},
                    FieldCase{"1,2", -1, std::nullopt, std::nullopt}),
    test::NameFrom<&FieldCase::text>());

}  // namespace
}  // namespace corvel
