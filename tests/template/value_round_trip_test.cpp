// Parameter values through a generated file: what the stub declares, byte for
// byte, and what the TCS loader reads back where the body refers to them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "corvel/tcs/tcs_document.h"
#include "corvel/tcs/xml_access.h"
#include "corvel/template/template_mgr.h"
#include "template_support.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

using test::Scratch;

// Loads the template, sets the values, extracts out.tcs; "" or the console.
std::string Extract(const Scratch& dir, const std::string& templateText,
                    const std::vector<std::pair<std::string, std::string>>& values) {
  test::ConsoleCapture console;
  dir.write("template.tcs", templateText);
  TemplateMgr manager;
  bool ok = manager.SetCorvelRoot(dir.root().c_str()) && manager.ReadTemplateStub("template.tcs");
  for (const auto& [name, value] : values) ok = ok && manager.SetParameter(name.c_str(), value.c_str());
  ok = ok && manager.ExtractTcs("out.tcs", false);
  return ok ? "" : console.text();
}

// Each value is used in an attribute and as element text, where the loader
// substitutes it; it must read back as given. (libxml2 turns tab, line feed
// and carriage return from an entity into blanks in attribute values, however
// they are escaped; element text keeps them.)
TEST(ParameterValues, ReadBackExactlyAsGiven) {
  const std::vector<std::string> values = {
      "\"quoted\"", "a & b &amp; &#60;", "<tag/>", "100%", "%pe;", "  two  blanks  ",
      "tab\there\nline\r\n", "]]>", "'single'", "caf\xc3\xa9 \xf0\x9f\x93\xa1", std::string(255, 'x'),
      "", "&UNDECLARED;"};
  const std::string templateText = test::Template(
      "<!ENTITY CORVEL_LOCATION \"corvel.dtd\">\n<!ENTITY VALUE \"old\">\n",
      "<corvel><streams note=\"&VALUE;\">&VALUE;</streams></corvel>");
  for (const std::string& value : values) {
    Scratch dir;
    ASSERT_EQ(Extract(dir, templateText, {{"VALUE", value}}), "") << value;
    TcsDocument generated;
    LoadDocument(generated, dir.path("out.tcs"));
    const xmlNode* streams = SelectSingleNode(generated.documentNode(), "//corvel/streams");
    std::string blanked = value;
    for (char& c : blanked)
      if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    EXPECT_EQ(GetAttribute(streams, "note"), blanked);
    EXPECT_EQ(GetNodeText(streams), value);
  }
}

// Values the template gives and nobody changes keep their meaning: the
// generated file reads exactly like the template itself.
TEST(ParameterValues, UnchangedTemplateValuesReadLikeTheTemplate) {
  Scratch dir;
  const std::string templateText = test::Template(
      "<!ENTITY CORVEL_LOCATION \"corvel.dtd\">\n"
      "<!ENTITY HOST \"10.1.2.3\">\n"
      "<!ENTITY QUOTES '\"q\" &amp; &#38;#60; &#37; &#x41;'>\n"
      "<!ENTITY ADDRESS \"&HOST;/24 &lt;\">\n",
      "<corvel><streams a=\"&QUOTES;\" b=\"&ADDRESS;\">&QUOTES;|&ADDRESS;</streams></corvel>");
  ASSERT_EQ(Extract(dir, templateText, {{"HOST", "10.9.9.9"}}), "");
  TcsDocument original;
  LoadDocument(original, dir.path("template.tcs"));
  TcsDocument generated;
  LoadDocument(generated, dir.path("out.tcs"));
  const xmlNode* was = SelectSingleNode(original.documentNode(), "//corvel/streams");
  const xmlNode* is = SelectSingleNode(generated.documentNode(), "//corvel/streams");
  EXPECT_EQ(GetAttribute(is, "a"), GetAttribute(was, "a"));
  EXPECT_EQ(GetAttribute(is, "a"), "\"q\" & < % A");
  EXPECT_EQ(GetAttribute(is, "b"), "10.9.9.9/24 <");
  EXPECT_EQ(GetNodeText(is), "\"q\" & < % A|10.9.9.9/24 <");
}

// The stub's document type, worked out by hand from the layout and the
// escaping rules (once for '"' and '%', twice for '&', '<', '>' and white
// space other than blanks; template literals as written, '"' escaped).
TEST(ParameterStub, HoldsTheLayoutByteForByte) {
  struct Case {
    const char* label;
    std::string declarations;
    std::vector<std::pair<std::string, std::string>> values;
    std::string prolog;
  };
  const std::vector<Case> cases = {
      {"location only", "<!ENTITY CORVEL_LOCATION \"../dtd/corvel.dtd\">\n", {},
       "<?xml version=\"1.0\"?>\n<!DOCTYPE corvel SYSTEM \"../dtd/corvel.dtd\" [\n]>\n"},
      {"both locations, set values escaped",
       "<!ENTITY CORVEL_LOCATION \"corvel.dtd\">\n<!ENTITY CUSTOM_LOCATION \"x.ent\">\n"
       "<!ENTITY A \"1\">\n<!ENTITY B \"2\">\n",
       {{"B", "\"%&<>\t\n\r é"}, {"CORVEL_LOCATION", "new dir/c.dtd"}, {"CUSTOM_LOCATION", "%c&.ent"}},
       "<?xml version=\"1.0\"?>\n<!DOCTYPE corvel SYSTEM \"new dir/c.dtd\" [\n"
       "<!ENTITY % custom_types SYSTEM \"%c&.ent\">\n%custom_types;\n<!ENTITY A \"1\">\n"
       "<!ENTITY B \"&#34;&#37;&#38;#38;&#38;#60;&#38;#62;&#38;#9;&#38;#10;&#38;#13; é\">\n]>\n"},
      {"template literals kept, first declaration binds",
       "<!ENTITY CORVEL_LOCATION \"c.dtd\">\n<!ENTITY L 'say \"&#60;\" &amp; &L2;'>\n"
       "<!ENTITY L \"ignored\">\n<!ENTITY L2 \"two\">\n<!ENTITY % p \"unused\">\n",
       {},
       "<?xml version=\"1.0\"?>\n<!DOCTYPE corvel SYSTEM \"c.dtd\" [\n"
       "<!ENTITY L \"say &#34;&#60;&#34; &amp; &L2;\">\n<!ENTITY L2 \"two\">\n]>\n"},
  };
  for (const Case& c : cases) {
    Scratch dir;
    ASSERT_EQ(Extract(dir, test::Template(c.declarations, "<corvel/>"), c.values), "") << c.label;
    EXPECT_EQ(dir.read("corvel_temp_file.tcs"), c.prolog + test::kStubBody) << c.label;
    EXPECT_EQ(dir.read("out.tcs"), c.prolog + "<corvel/>\n") << c.label;
  }
}

}  // namespace
}  // namespace corvel
