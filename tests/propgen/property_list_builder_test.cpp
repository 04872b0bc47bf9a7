// Whole-header and whole-message checks of the document handling.
#include "propgen/property_list_builder.h"

#include <gtest/gtest.h>

#include "propgen_test_support.h"
#include "tests/support/param_name.h"

namespace {

using propgen::PropertyListBuilder;
using propgen_test::headerWith;
using propgen_test::inputPath;
using propgen_test::readFile;

struct Outcome {
  bool accepted;
  std::string text;  // the header when accepted, else the message
};

Outcome build(std::string_view xml) {
  PropertyListBuilder builder("props.xml");
  if (!builder.parse(xml.data(), xml.size(), true)) {
    return {false, std::string(builder.message())};
  }
  return {true, builder.finish()};
}

Outcome buildInChunks(std::string_view xml, std::size_t chunk) {
  PropertyListBuilder builder("props.xml");
  for (std::size_t at = 0;; at += chunk) {
    const std::size_t size = std::min(chunk, xml.size() - at);
    const bool last = at + size == xml.size();
    if (!builder.parse(xml.data() + at, size, last)) {
      return {false, std::string(builder.message())};
    }
    if (last) {
      return {true, builder.finish()};
    }
  }
}

std::string inRoot(std::string_view body) {
  return "<QenSdkConfig>\n" + std::string(body) + "\n</QenSdkConfig>\n";
}

TEST(PropertyListBuilderTest, RootOnlyGivesTheTerminatorAlone) {
  const Outcome out = build(readFile(inputPath("root_only.xml")));
  ASSERT_TRUE(out.accepted) << out.text;
  // No comma between the opening brace and the terminator record.
  EXPECT_EQ(out.text, headerWith(""));
  EXPECT_NE(out.text.find("   {\n    {\"\", \"\", 0, 0, 0, \"\"}};\n\n#endif"), std::string::npos);
}

TEST(PropertyListBuilderTest, NestedPropertiesCarryTheirParentPath) {
  const Outcome out = build(readFile(inputPath("nested.xml")));
  ASSERT_TRUE(out.accepted) << out.text;
  EXPECT_EQ(out.text, headerWith(" \n    {\"\", \"a\", 0, 0, 0, \"\"},"
                                 " \n    {\"/a\", \"b\", 1, 1, 5, \"\"},"));
}

TEST(PropertyListBuilderTest, ValueBeforeTypeIsNotedButNotStored) {
  const Outcome out = build(readFile(inputPath("value_before_type.xml")));
  ASSERT_TRUE(out.accepted) << out.text;
  EXPECT_EQ(out.text, headerWith(" \n    {\"\", \"early\", 1, 1, 0, \"\"},"
                                 " \n    {\"\", \"late\", 1, 2, 0, \"\"},"));
}

TEST(PropertyListBuilderTest, ElementsBeforeTheRootAreSkipped) {
  const Outcome out = build(readFile(inputPath("wrapped.xml")));
  ASSERT_TRUE(out.accepted) << out.text;
  EXPECT_EQ(out.text, headerWith(" \n    {\"\", \"hex\", 1, 1, 31, \"\"},"
                                 " \n    {\"\", \"zeros\", 1, 1, 7, \"\"},"
                                 " \n    {\"\", \"empty\", 1, 2, 0, \"\"},"
                                 " \n    {\"\", \"flag\", 0, 0, 0, \"\"},"));
}

TEST(PropertyListBuilderTest, DeepNestingClosesBackToEachLevel) {
  const Outcome out = build(inRoot(
      "<property name='a'><property name='b'><property name='c'/></property>"
      "<property name='d'/></property><property name='e'/>"));
  ASSERT_TRUE(out.accepted) << out.text;
  EXPECT_EQ(out.text, headerWith(" \n    {\"\", \"a\", 0, 0, 0, \"\"},"
                                 " \n    {\"/a\", \"b\", 0, 0, 0, \"\"},"
                                 " \n    {\"/a/b\", \"c\", 0, 0, 0, \"\"},"
                                 " \n    {\"/a\", \"d\", 0, 0, 0, \"\"},"
                                 " \n    {\"\", \"e\", 0, 0, 0, \"\"},"));
}

TEST(PropertyListBuilderTest, ANameWithASlashLeavesTheSiblingPathIntact) {
  const Outcome out = build(inRoot("<property name='x/y'><property name='c'/></property><property name='d'/>"));
  ASSERT_TRUE(out.accepted) << out.text;
  EXPECT_EQ(out.text, headerWith(" \n    {\"\", \"x/y\", 0, 0, 0, \"\"},"
                                 " \n    {\"/x/y\", \"c\", 0, 0, 0, \"\"},"
                                 " \n    {\"\", \"d\", 0, 0, 0, \"\"},"));
}

TEST(PropertyListBuilderTest, LargeValuesPrintUnsigned) {
  const Outcome out = build(inRoot("<property name='h' type='uint32' value='2147483648'/>"
                                   "<property name='m' type='uint32' value='0XFFFFFFFF'/>"));
  ASSERT_TRUE(out.accepted) << out.text;
  EXPECT_EQ(out.text, headerWith(" \n    {\"\", \"h\", 1, 1, 2147483648, \"\"},"
                                 " \n    {\"\", \"m\", 1, 1, 4294967295, \"\"},"));
}

TEST(PropertyListBuilderTest, NamesPathsAndValuesAreWrittenAsCLiterals) {
  const Outcome out = build(inRoot(
      "<property name='a\"b\\c'><property name='n' type='string' value='x&#10;y&#9;?\?=&quot;'/></property>"));
  ASSERT_TRUE(out.accepted) << out.text;
  EXPECT_EQ(out.text, headerWith(" \n    {\"\", \"a\\\"b\\\\c\", 0, 0, 0, \"\"},"
                                 " \n    {\"/a\\\"b\\\\c\", \"n\", 1, 2, 0, \"x\\ny\\t?\\?=\\\"\"},"));
}

TEST(PropertyListBuilderTest, ChunkBoundariesDoNotChangeTheResult) {
  for (const char* name : {"root_only.xml", "nested.xml", "escaped.xml", "wrapped.xml", "malformed.xml"}) {
    const std::string xml = readFile(inputPath(name));
    const Outcome whole = build(xml);
    for (std::size_t chunk : {1u, 3u, 64u}) {
      const Outcome pieces = buildInChunks(xml, chunk);
      EXPECT_EQ(pieces.accepted, whole.accepted) << name << " chunk " << chunk;
      EXPECT_EQ(pieces.text, whole.text) << name << " chunk " << chunk;
    }
  }
}

TEST(PropertyListBuilderTest, ARejectedDocumentStaysRejected) {
  PropertyListBuilder builder("props.xml");
  const std::string bad = "<QenSdkConfig>\n<oops/>";
  ASSERT_FALSE(builder.parse(bad.data(), bad.size(), false));
  const std::string first(builder.message());
  const std::string rest = "</QenSdkConfig>";
  EXPECT_FALSE(builder.parse(rest.data(), rest.size(), true));
  EXPECT_EQ(builder.message(), first);
  EXPECT_EQ(first, "\nprops.xml:2: 'oops' is not a valid tag\n");
}

struct RejectCase {
  const char* what;
  std::string xml;
  std::string message;
};

void PrintTo(const RejectCase& c, std::ostream* os) { *os << c.what; }

class RejectedDocumentTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectedDocumentTest, PrintsTheWholeMessage) {
  const Outcome out = build(GetParam().xml);
  EXPECT_FALSE(out.accepted) << GetParam().what;
  EXPECT_EQ(out.text, GetParam().message) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, RejectedDocumentTest,
    ::testing::Values(
        RejectCase{"unknown tag", inRoot("<prop name='a'/>"), "\nprops.xml:2: 'prop' is not a valid tag\n"},
        RejectCase{"second root", inRoot("\n<QenSdkConfig/>"),
                   "\nprops.xml:3: 'QenSdkConfig' is not a valid tag\n"},
        RejectCase{"tag after the root closed", "<a><QenSdkConfig/>\n<b/></a>", "\nprops.xml:2: 'b' is not a valid tag\n"},
        RejectCase{"unknown type", inRoot("<property name='a'\n type='int'/>"), "\nprops.xml:2: 'int' is not a valid type\n"},
        RejectCase{"empty uint32", inRoot("<property name='n' type='uint32' value=''/>"),
                   "\nprops.xml:2: '' is not a valid value for the 'n' property. 'uint32' properties must be all digits.\n"},
        RejectCase{"x inside digits", inRoot("<property name='n' type='uint32' value='12x4'/>"),
                   "\nprops.xml:2: '12x4' is not a valid value for the 'n' property. 'uint32' properties must be all digits.\n"},
        RejectCase{"bare 0x", inRoot("<property name='n' type='uint32' value='0x'/>"),
                   "\nprops.xml:2: '0x' is not a valid value for the 'n' property. 'uint32' properties must be all digits.\n"},
        RejectCase{"value before name", inRoot("<property type='uint32' value='z' name='n'/>"),
                   "\nprops.xml:2: 'z' is not a valid value for the '' property. 'uint32' properties must be all digits.\n"},
        RejectCase{"above 32 bits", inRoot("<property name='n' type='uint32' value='4294967296'/>"),
                   "\nprops.xml:2: '4294967296' is out of range for the 'n' property. 'uint32' values are at most 4294967295.\n"},
        RejectCase{"unknown attribute", inRoot("<property name='n' size='4'/>"),
                   "\nprops.xml:2: 'size' is not a valid attribute for the 'property' tag.\n"},
        RejectCase{"first fault wins", inRoot("<property bogus='1' type='int'/>"),
                   "\nprops.xml:2: 'bogus' is not a valid attribute for the 'property' tag.\n"},
        RejectCase{"no name", inRoot("<property type='uint32' value='1'/>"),
                   "\nprops.xml:2: the 'property' tag has no 'name' attribute.\n"},
        RejectCase{"mismatched tag", readFile(inputPath("malformed.xml")), "\nprops.xml:6: mismatched tag\n"},
        RejectCase{"junk after the root", "<QenSdkConfig/>\n\n<QenSdkConfig/>", "\nprops.xml:3: junk after document element\n"},
        RejectCase{"empty document", "", "\nprops.xml:1: no element found\n"},
        RejectCase{"entities expand past the output limit", readFile(inputPath("entities.xml")),
                   "\nprops.xml:10: the output is too long at the '" + std::string(34, 'p') +
                       "' property. The header is at most 32767 characters.\n"},
        RejectCase{"duplicate attribute", inRoot("<property name='a' name='b'/>"), "\nprops.xml:2: duplicate attribute\n"}),
    corvel::test::NameFrom<&RejectCase::what>());

}  // namespace
