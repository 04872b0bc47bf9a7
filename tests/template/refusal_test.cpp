// Every way a template step is refused: the whole console text, the answer,
// the state left behind, and no file made or changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "template_support.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

using test::Do;
using test::Scratch;
using test::Template;

const std::string kGood = Template(
    "<!ENTITY CORVEL_LOCATION \"corvel.dtd\">\n<!ENTITY CUSTOM_LOCATION \"c.ent\">\n<!ENTITY RATE \"100\">\n",
    "<corvel rate=\"&RATE;\"/>");

struct Refusal {
  const char* label;
  std::vector<std::pair<std::string, std::string>> files;
  std::vector<std::string> before;  // steps run first, their answers not checked
  std::string step;                 // the refused step
  std::string console;              // "@" stands for the root directory
  int32_t state;
};

std::vector<Refusal> Refusals() {
  const std::string notLoaded =
      "Corvel> Unable to extract a tcs file because Corvel is not in the enCorvelStateTemplateLoaded state\n";
  const std::string rootRefused =
      "Corvel> Unable to SetCorvelRoot because Corvel is not in the enCorvelStateUninitialized state\n";
  const std::string read = "Corvel> Template filename : @template.tcs\nCorvel> Extracting parameters...\n";
  const auto with = [](const std::string& declarations, const std::string& body = "<corvel/>") {
    return std::vector<std::pair<std::string, std::string>>{{"template.tcs", Template(declarations, body)}};
  };
  const std::vector<std::pair<std::string, std::string>> good = {{"template.tcs", kGood}};
  const int32_t rooted = enTemplateStateRootSpecified, loaded = enTemplateStateTemplateLoaded;
  return {
      {"root twice", good, {"root"}, "root /tmp", rootRefused, rooted},
      {"template before root", good, {}, "load",
       "Corvel> Unable to ReadTemplateStub because Corvel is not in the enCorvelStateRootSpecified state\n",
       enTemplateStateUninitialized},
      {"parameter before template", good, {"root"}, "set RATE 1",
       "Corvel> SetParameter ignored because Corvel is not in the enCorvelStateTemplateLoaded state\n", rooted},
      {"extract before template", good, {"root"}, "extract out.tcs 0", notLoaded, rooted},
      {"missing template", {}, {"root"}, "load", "Corvel> Unable to open file: @template.tcs\n", rooted},
      {"template is a FIFO", {{"template.tcs", "<fifo>"}}, {"root"}, "load",
       "Corvel> Unable to open file: @template.tcs\n", rooted},
      {"first entity not CORVEL_LOCATION", with("<!ENTITY A \"1\">\n<!ENTITY CORVEL_LOCATION \"c.dtd\">\n"),
       {"root"}, "load",
       read + "Corvel> Error, CORVEL_LOCATION parameter was not found as the first defined parameter.", rooted},
      {"CUSTOM_LOCATION third",
       with("<!ENTITY CORVEL_LOCATION \"c.dtd\">\n<!ENTITY A \"1\">\n<!ENTITY CUSTOM_LOCATION \"x\">\n"), {"root"},
       "load", read + "Corvel> Error, CUSTOM_LOCATION parameter was not found as the second defined parameter.",
       rooted},
      {"external entity as parameter", with("<!ENTITY CORVEL_LOCATION \"c.dtd\">\n<!ENTITY E SYSTEM \"e.xml\">\n"),
       {"root"}, "load", read + "Corvel> Error, parameter E of @template.tcs is not a text entity.\n", rooted},
      // Without a declaration libxml2 would drop the reference from the attribute.
      {"undeclared entity", with("<!ENTITY CORVEL_LOCATION \"c.dtd\">\n", "<corvel a=\"&NOWHERE;\"/>"), {"root"},
       "load", read + "Corvel> Error, @template.tcs refers to the entity NOWHERE, which is declared nowhere.\n",
       rooted},
      {"malformed template", {{"template.tcs", "<corvel>\n<streams></corvel>\n"}}, {"root"}, "load",
       "Corvel> Template filename : @template.tcs\nCorvel> === E R R O R ===\n"
       "Corvel> XML-PARSE-ERROR: on line 2, position 19 of @template.tcs.\n"
       "Corvel> XML-REASON     : Opening and ending tag mismatch: streams line 2 and corvel\n"
       "Corvel> Error, unable to load template file\nCorvel> Transistion templateMgr to enTemplateStateError.\n",
       enTemplateStateError},
      {"root after a malformed template", {{"template.tcs", "not xml"}}, {"root", "load"}, "root /tmp",
       rootRefused, enTemplateStateError},
      {"unknown parameter", good, {"root", "load"}, "set rate 5",
       "Corvel>   Warning, unable to locate parameter rate\n", loaded},
      {"existing output without overwrite", {{"template.tcs", kGood}, {"out.tcs", "old"}}, {"root", "load"},
       "extract out.tcs 0", "Corvel> Error, output filename already exists: @out.tcs\n", loaded},
      {"location holding a double quote", good, {"root", "load", "set CUSTOM_LOCATION a\"b"}, "extract out.tcs 0",
       "Corvel> Output filename: @out.tcs\nCorvel> Error, the value of CUSTOM_LOCATION holds a double quote, "
       "which a system literal cannot carry.\n",
       loaded},
      {"value that is not UTF-8", good, {"root", "load", "set RATE \xff"}, "extract out.tcs 0",
       "Corvel> Output filename: @out.tcs\n"
       "Corvel> Error, the value of RATE is not XML text (UTF-8 without control characters).\n",
       loaded},
      {"stub cannot be written", {{"template.tcs", kGood}, {"corvel_temp_file.tcs", "<dir>"}}, {"root", "load"},
       "extract out.tcs 0",
       "Corvel> Output filename: @out.tcs\nCorvel> Parameters:\nCorvel>   RATE = 100\n"
       "Corvel> Error, writing of stub file (@corvel_temp_file.tcs) failed.\n",
       loaded},
      // The stub is written (and stays, as after every extraction) before the link fails.
      {"template without a corvel element",
       {{"template.tcs", Template("<!ENTITY CORVEL_LOCATION \"c.dtd\">\n", "<other/>")},
        {"corvel_temp_file.tcs", "old"}},
       {"root", "load"}, "extract out.tcs 0",
       "Corvel> Output filename: @out.tcs\nCorvel> Parameters:\nthreeCorvel> Error, unable to link template and stub.\n",
       loaded},
      {"second extraction", good, {"root", "load", "extract first.tcs 0"}, "extract first.tcs 1", notLoaded,
       enTemplateStateUninitialized},
  };
}

TEST(TemplateRefusals, PrintTheirTextAndLeaveNoFileBehind) {
  for (const Refusal& c : Refusals()) {
    Scratch dir;
    for (const auto& [name, content] : c.files) dir.write(name, content);
    TemplateMgr manager;
    test::ConsoleCapture console;
    for (const std::string& step : c.before) Do(manager, dir, step);
    const std::vector<std::string> files = dir.files();
    const std::string output = dir.read("out.tcs");
    const std::vector<TemplateParameter> parameters = manager.parameters();
    console.clear();
    EXPECT_FALSE(Do(manager, dir, c.step)) << c.label;
    EXPECT_EQ(console.text(), test::Rooted(c.console, dir)) << c.label;
    EXPECT_EQ(manager.state(), c.state) << c.label;
    EXPECT_EQ(dir.files(), files) << c.label;
    EXPECT_EQ(dir.read("out.tcs"), output) << c.label;
    // No value changes (a refused template does leave the records it read).
    ASSERT_GE(manager.parameters().size(), parameters.size()) << c.label;
    for (size_t i = 0; i < parameters.size(); ++i)
      EXPECT_EQ(manager.parameters()[i].value, parameters[i].value) << c.label;
  }
}

// A generated file that the TCS loader refuses (broken definitions) never
// takes the output's name: the old output stays, no temporary file is left,
// and the extraction succeeds once the value is mended.
TEST(TemplateRefusals, OutputThatDoesNotLoadLeavesTheOldFile) {
  Scratch dir;
  for (const auto& [name, content] : {std::pair{"template.tcs", kGood}, {"broken.dtd", "<!ATTLIST\n"}, {"out.tcs", "old"}})
    dir.write(name, content);
  TemplateMgr manager;
  test::ConsoleCapture console;
  for (const char* step : {"root", "load", "set CORVEL_LOCATION broken.dtd"}) ASSERT_TRUE(Do(manager, dir, step));
  EXPECT_FALSE(Do(manager, dir, "extract out.tcs 1"));
  EXPECT_TRUE(console.text().ends_with("Corvel> Error, the generated file does not load as a TCS file: " +
                                       dir.path("out.tcs") + "\nCorvel> Error, unable to link template and stub.\n"))
      << console.text();
  EXPECT_EQ(dir.read("out.tcs"), "old");
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"broken.dtd", "corvel_temp_file.tcs", "out.tcs", "template.tcs"}));
  EXPECT_TRUE(Do(manager, dir, "set CORVEL_LOCATION corvel.dtd") && Do(manager, dir, "extract out.tcs 1"));
}

// A refused template leaves its parameters behind; the next read starts
// afresh, so the mended template gives exactly its own parameters.
TEST(TemplateRefusals, MendedTemplateReadsAfresh) {
  Scratch dir;
  dir.write("template.tcs", Template("<!ENTITY CORVEL_LOCATION \"c.dtd\">\n<!ENTITY OLD \"1\">\n"
                                     "<!ENTITY CUSTOM_LOCATION \"x\">\n", "<corvel/>"));
  TemplateMgr manager;
  test::ConsoleCapture console;
  ASSERT_FALSE(Do(manager, dir, "root") && Do(manager, dir, "load"));
  dir.write("template.tcs", kGood);
  ASSERT_TRUE(Do(manager, dir, "load") && Do(manager, dir, "extract out.tcs 0"));
  EXPECT_EQ(dir.read("corvel_temp_file.tcs"),
            "<?xml version=\"1.0\"?>\n<!DOCTYPE corvel SYSTEM \"corvel.dtd\" [\n<!ENTITY % custom_types SYSTEM "
            "\"c.ent\">\n%custom_types;\n<!ENTITY RATE \"100\">\n]>\n" + test::kStubBody);
}

// An empty root is the working directory (other tests give the root with and
// without its '/').
TEST(TemplateRefusals, EmptyRootIsTheWorkingDirectory) {
  Scratch dir;
  dir.write("template.tcs", kGood);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.root());
  TemplateMgr manager;
  test::ConsoleCapture console;
  EXPECT_TRUE(manager.SetCorvelRoot("") && Do(manager, dir, "load") && Do(manager, dir, "extract out.tcs 0"));
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"corvel_temp_file.tcs", "out.tcs", "template.tcs"}));
  std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace corvel
