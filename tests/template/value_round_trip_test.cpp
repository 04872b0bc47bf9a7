// Parameter values through a generated file: what the stub declares, byte for
// byte, and what the TCS loader reads back where the body refers to them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"
#include "template_support.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

using test::Scratch;
using Values = std::vector<std::pair<std::string, std::string>>;

// Loads the template, sets the values, extracts out.tcs; "" or the console.
std::string Extract(const Scratch& dir, const std::string& templateText, const Values& values) {
  test::ConsoleCapture console;
  dir.write("template.tcs", templateText);
  TemplateMgr manager;
  bool ok = test::Do(manager, dir, "root") && test::Do(manager, dir, "load");
  for (const auto& [name, value] : values) ok = ok && manager.SetParameter(name.c_str(), value.c_str());
  return ok && test::Do(manager, dir, "extract out.tcs 0") ? "" : console.text();
}

const xmlNode* Streams(const TcsDocument& document) {
  return selectSingleNode(document.documentNode(), "//corvel/streams");
}

// Each value, used in an attribute and as element text, reads back as given.
// (libxml2 turns tab, line feed and carriage return that come from an entity
// into blanks in attribute values, however they are escaped.)
TEST(ParameterValues, ReadBackExactlyAsGiven) {
  const std::vector<std::string> values = {
      "\"quoted\"", "a & b &amp; &#60;", "<tag/>", "100%", "%pe;", "  two  blanks  ", "tab\there\nline\r\n",
      "]]>", "'single'", "caf\xc3\xa9 \xf0\x9f\x93\xa1", std::string(255, 'x'), "", "&UNDECLARED;"};
  const std::string templateText =
      test::Template("<!ENTITY CORVEL_LOCATION \"corvel.dtd\">\n<!ENTITY VALUE \"old\">\n",
                     "<corvel><streams note=\"&VALUE;\">&VALUE;</streams></corvel>");
  for (const std::string& value : values) {
    Scratch dir;
    ASSERT_EQ(Extract(dir, templateText, {{"VALUE", value}}), "") << value;
    TcsDocument generated;
    LoadDocument(generated, dir.path("out.tcs"));
    std::string blanked = value;
    for (char& c : blanked)
      if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    EXPECT_EQ(GetAttribute(Streams(generated), "note"), blanked);
    EXPECT_EQ(GetNodeText(Streams(generated)), value);
  }
}

// Values nobody changed keep their meaning, references to changed ones
// included: the generated file reads like the template with the new value.
TEST(ParameterValues, UnchangedTemplateValuesReadLikeTheTemplate) {
  Scratch dir;
  const std::string templateText = test::Template(
      "<!ENTITY CORVEL_LOCATION \"corvel.dtd\">\n<!ENTITY HOST \"10.1.2.3\">\n"
      "<!ENTITY QUOTES '\"q\" &amp; &#38;#60; &#37; &#x41;'>\n<!ENTITY ADDRESS \"&HOST;/24 &lt;\">\n",
      "<corvel><streams a=\"&QUOTES;\" b=\"&ADDRESS;\">&QUOTES;|&ADDRESS;</streams></corvel>");
  ASSERT_EQ(Extract(dir, templateText, {{"HOST", "10.9.9.9"}}), "");
  TcsDocument original, generated;
  LoadDocument(original, dir.path("template.tcs"));
  LoadDocument(generated, dir.path("out.tcs"));
  EXPECT_EQ(GetAttribute(Streams(generated), "a"), GetAttribute(Streams(original), "a"));
  EXPECT_EQ(GetAttribute(Streams(generated), "a"), "\"q\" & < % A");
  EXPECT_EQ(GetAttribute(Streams(generated), "b"), "10.9.9.9/24 <");
  EXPECT_EQ(GetNodeText(Streams(generated)), "\"q\" & < % A|10.9.9.9/24 <");
}

// The stub and the generated file, worked out by hand from the layout and the
// escaping rules: '"' and '%' escaped once, '&', '<', '>' and white space
// other than blanks twice; template literals as written, their '"' escaped.
TEST(ParameterStub, HoldsTheLayoutByteForByte) {
  struct Case {
    std::string declarations;
    Values values;
    std::string prolog;
  };
  const std::string head = "<?xml version=\"1.0\"?>\n<!DOCTYPE corvel SYSTEM ";
  const std::vector<Case> cases = {
      {"<!ENTITY CORVEL_LOCATION \"../dtd/corvel.dtd\">\n", {}, head + "\"../dtd/corvel.dtd\" [\n]>\n"},
      {"<!ENTITY CORVEL_LOCATION \"corvel.dtd\">\n<!ENTITY CUSTOM_LOCATION \"x.ent\">\n<!ENTITY A \"1\">\n"
       "<!ENTITY B \"2\">\n",
       {{"B", "\"%&<>\t\n\r \xc3\xa9"}, {"CORVEL_LOCATION", "new dir/c.dtd"}, {"CUSTOM_LOCATION", "%c&.ent"}},
       head + "\"new dir/c.dtd\" [\n<!ENTITY % custom_types SYSTEM \"%c&.ent\">\n%custom_types;\n"
              "<!ENTITY A \"1\">\n<!ENTITY B \"&#34;&#37;&#38;#38;&#38;#60;&#38;#62;&#38;#9;&#38;#10;&#38;#13; "
              "\xc3\xa9\">\n]>\n"},
      // The first declaration of a name binds; parameter entities, and what
      // they declare, are no parameters.
      {"<!ENTITY CORVEL_LOCATION \"c.dtd\">\n<!ENTITY L 'say \"&#60;\" &amp; &L2;'>\n<!ENTITY L \"ignored\">\n"
       "<!ENTITY L2 \"two\">\n<!ENTITY % p \"<!ENTITY INNER 'x'>\">\n%p;\n",
       {},
       head + "\"c.dtd\" [\n<!ENTITY L \"say &#34;&#60;&#34; &amp; &L2;\">\n<!ENTITY L2 \"two\">\n]>\n"},
  };
  for (const Case& c : cases) {
    Scratch dir;
    ASSERT_EQ(Extract(dir, test::Template(c.declarations, "<corvel> <streams/> </corvel>"), c.values), "");
    EXPECT_EQ(dir.read("corvel_temp_file.tcs"), c.prolog + test::kStubBody);
    EXPECT_EQ(dir.read("out.tcs"), c.prolog + "<corvel> <streams/> </corvel>\n");
  }
}

}  // namespace
}  // namespace corvel
