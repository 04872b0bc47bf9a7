// One entry to one host command: every parameter type, the missing field,
// the abandoned command, and the function-definition record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/tables/function_definition.h"
#include "corvel/tables/host_command.h"
#include "table_test_support.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

// A function element, a defaults element and an entry element in one
// document.
class CommandFixture {
 public:
  CommandFixture(const std::string& parameters, const std::string& defaults, const std::string& entry) {
    test::ParseText(_document, "<corvel><f _entry_type=\"function\" _function_name=\"fn\" _table_id=\"t\" "
                               "_element_type=\"e\" " + parameters + "/><t.defaults " + defaults +
                                   "/><t.entry " + entry + "/></corvel>");
    _function = selectSingleNode(_document.documentNode(), "//corvel/f");
    _defaults = selectSingleNode(_document.documentNode(), "//corvel/t.defaults");
    _entry = selectSingleNode(_document.documentNode(), "//corvel/t.entry");
  }
  // The command text, or "<abandoned>".
  std::string command() {
    const FunctionDefinition function(_function);
    HostCommandBuilder builder(_printer);
    if (!builder.formatHostCommand(function, _defaults, _entry)) return "<abandoned>";
    return builder.commandText();
  }
  const xmlNode* functionElement() const { return _function; }

 private:
  TcsDocument _document;
  PrintUtility _printer;
  const xmlNode* _function;
  const xmlNode* _defaults;
  const xmlNode* _entry;
};

struct ParameterCase {
  const char* type;
  const char* value;  // null: the entry does not give the field
  const char* expected;
};

class ParameterTypes : public testing::TestWithParam<ParameterCase> {};

TEST_P(ParameterTypes, WriteTheValue) {
  const ParameterCase& c = GetParam();
  const std::string entry = c.value != nullptr ? std::string("v=\"") + c.value + "\"" : std::string();
  CommandFixture fixture(std::string("v=\"") + c.type + "\"", "", entry);
  EXPECT_EQ(fixture.command(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ParameterTypes,
    testing::Values(
        // "int": a whole base-0 number other than -1, passed as written.
        ParameterCase{"int", "10", "fn(10);"}, ParameterCase{"int", "0", "fn(0);"},
        ParameterCase{"int", "-5", "fn(-5);"}, ParameterCase{"int", "+7", "fn(+7);"},
        ParameterCase{"int", "0x1F", "fn(0x1F);"}, ParameterCase{"int", "017", "fn(017);"},
        ParameterCase{"int", "0xffffffff", "fn(0xffffffff);"},
        ParameterCase{"int", "-1", "<abandoned>"}, ParameterCase{"int", "-0x1", "<abandoned>"},
        ParameterCase{"int", "-01", "<abandoned>"}, ParameterCase{"int", "12abc", "<abandoned>"},
        ParameterCase{"int", "abc", "<abandoned>"}, ParameterCase{"int", "", "<abandoned>"},
        ParameterCase{"int", "08", "<abandoned>"}, ParameterCase{"int", "0x", "<abandoned>"},
        ParameterCase{"int", "5 ", "<abandoned>"}, ParameterCase{"int", "-", "<abandoned>"},
        // "string": in double quotes.
        ParameterCase{"string", "abc", "fn(\"abc\");"}, ParameterCase{"string", "", "fn(\"\");"},
        ParameterCase{"string", "a b,c", "fn(\"a b,c\");"},
        // "hi32": the upper 32 bits of a 48-bit hex value.
        ParameterCase{"hi32", "0x001122334455", "fn(0x00112233);"},
        ParameterCase{"hi32", "0XAABBCCDDEEFF", "fn(0XAABBCCDD);"},
        ParameterCase{"hi32", "0x123456789", "fn(0x00012345);"},
        ParameterCase{"hi32", "0x1234", "fn(0x00000000);"},
        ParameterCase{"hi32", "0x00112233445566", "fn(0x00112233);"},
        ParameterCase{"hi32", "1234567890123", "fn(0x00000000);"},
        // "hi32_lo16": both halves, two arguments.
        ParameterCase{"hi32_lo16", "0x001122334455", "fn(0x00112233, 0x4455);"},
        ParameterCase{"hi32_lo16", "0x1234", "fn(0x00000000, 0x1234);"},
        ParameterCase{"hi32_lo16", "0x12", "fn(0x00000000, 0x0012);"},
        ParameterCase{"hi32_lo16", "0x123456", "fn(0x00000012, 0x3456);"},
        ParameterCase{"hi32_lo16", "001122334455", "fn(0x00000000, 0x0000);"},
        // A lone "lo16" is an argument of its own.
        ParameterCase{"lo16", "0x001122334455", "fn(0x4455);"},
        ParameterCase{"lo16", "0x12", "fn(0x0012);"},
        ParameterCase{"lo16", "4455", "fn(0x0000);"},
        ParameterCase{"lo16", "abcdefgh", "fn(0x0000);"},
        // A field that neither the entry nor the defaults give.
        ParameterCase{"int", nullptr, "fn(\"FUNC PARAM/KEY NOT IN DEFAULT/ENTRY\");"},
        ParameterCase{"string", nullptr, "fn(\"FUNC PARAM/KEY NOT IN DEFAULT/ENTRY\");"},
        ParameterCase{"lo16", nullptr, "fn(\"FUNC PARAM/KEY NOT IN DEFAULT/ENTRY\");"}),
    test::NameFrom<&ParameterCase::type>());

TEST(HostCommands, JoinParametersAndTakeDefaults) {
  // The entry gives dest, the defaults give port and mac; nothing gives vlan.
  CommandFixture fixture(
      "dest=\"int\" port=\"int\" vlan=\"int\" name=\"string\" mac=\"hi32\" macLow=\"lo16\"",
      "dest=\"0\" port=\"80\" name=\"x\" mac=\"0x001122334455\" macLow=\"0x001122334455\"",
      "dest=\"3\" name=\"eth0\"");
  EXPECT_EQ(fixture.command(),
            "fn(3,80,\"FUNC PARAM/KEY NOT IN DEFAULT/ENTRY\",\"eth0\",0x00112233, 0x4455);");
}

TEST(HostCommands, JoinALowHalfToTheArgumentBefore) {
  CommandFixture fixture("n=\"int\" m=\"lo16\" k=\"int\"", "", "n=\"5\" m=\"0xabcd\" k=\"6\"");
  EXPECT_EQ(fixture.command(), "fn(5, 0xabcd,6);");
}

TEST(HostCommands, AbandonTheWholeCommandForOneBadNumber) {
  CommandFixture fixture("a=\"int\" b=\"int\"", "b=\"-1\"", "a=\"1\"");
  EXPECT_EQ(fixture.command(), "<abandoned>");
}

TEST(HostCommands, WithoutParameters) {
  CommandFixture fixture("", "", "");
  EXPECT_EQ(fixture.command(), "fn();");
}

TEST(HostCommands, ExecuteAndTrace) {
  TcsDocument document;
  test::ParseText(document, "<corvel><f _entry_type=\"function\" _function_name=\"go\" _table_id=\"t\" "
                            "_element_type=\"e\" a=\"int\"/><d a=\"1\"/><e a=\"-1\"/></corvel>");
  const FunctionDefinition function(selectSingleNode(document.documentNode(), "//corvel/f"));
  const xmlNode* defaults = selectSingleNode(document.documentNode(), "//corvel/d");
  const xmlNode* bad = selectSingleNode(document.documentNode(), "//corvel/e");
  PrintUtility printer;
  HostCommandBuilder builder(printer);
  test::ConsoleCapture console;
  test::CommandCapture commands;
  const test::VerboseLevel verbose(9);
  EXPECT_TRUE(builder.BuildHostCommand(function, defaults, defaults));
  EXPECT_FALSE(builder.BuildHostCommand(function, defaults, bad));
  EXPECT_EQ(commands.lines(), (std::vector<std::string>{"go(1);"}));
  EXPECT_EQ(console.take(), "Corvel>    tolk command: go(1);\n");
}

TEST(IsWholeInteger, ReadsLikeABase0Conversion) {
  for (const char* text : {"0", "7", "-7", "+7", " 7", "\t-0x7f", "0X7F", "0777", "2147483648", "-99999999999"}) {
    EXPECT_TRUE(isWholeInteger(text)) << text;
  }
  for (const char* text : {"", " ", "+", "0x", "0xg", "08", "09", "1.5", "1e3", "7 ", "--7", "0x-1", "١"}) {
    EXPECT_FALSE(isWholeInteger(text)) << text;
  }
}

TEST(FunctionDefinitions, KeepTheParametersInDocumentOrder) {
  CommandFixture fixture("b=\"string\" a=\"int\" c=\"hi32\" d=\"lo16\" e=\"hi32_lo16\"", "", "");
  const FunctionDefinition function(fixture.functionElement());
  EXPECT_EQ(function.functionName(), "fn");
  EXPECT_EQ(function.tableId(), "t");
  EXPECT_EQ(function.elementType(), "e");
  ASSERT_EQ(function.parameterCount(), 5u);
  const std::pair<const char*, FunctionParameterType> expected[] = {
      {"b", enParameterString}, {"a", enParameterInt}, {"c", enParameterHi32},
      {"d", enParameterLo16},   {"e", enParameterHi32Lo16}};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(function.parameter(i).fieldName, expected[i].first);
    EXPECT_EQ(function.parameter(i).type, expected[i].second);
  }
}

TEST(FunctionDefinitions, HoldSixteenParametersAtMost) {
  std::string parameters;
  for (int i = 0; i < 16; ++i) parameters += "p" + std::to_string(i) + "=\"int\" ";
  CommandFixture sixteen(parameters, "", "");
  EXPECT_EQ(FunctionDefinition(sixteen.functionElement()).parameterCount(), 16u);
  CommandFixture seventeen(parameters + "p16=\"int\"", "", "");
  try {
    const FunctionDefinition function(seventeen.functionElement());
    ADD_FAILURE() << "seventeen parameters accepted";
  } catch (const TextError& error) {
    EXPECT_STREQ(error.text(), "more than 16 parameters in function definition");
  }
}

}  // namespace
}  // namespace corvel
