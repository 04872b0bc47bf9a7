// Every way a template step is refused: the whole console text, the answer,
// the state left behind, and no file made or changed.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "corvel/template/template_mgr.h"
#include "template_support.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

using test::Scratch;

const std::string kGood = test::Template(
    "<!ENTITY CORVEL_LOCATION \"corvel.dtd\">\n<!ENTITY CUSTOM_LOCATION \"c.ent\">\n<!ENTITY RATE \"100\">\n",
    "<corvel rate=\"&RATE;\"/>");

// Sets the root to the scratch directory and loads template.tcs (kGood
// unless the case writes another).
void Load(TemplateMgr& manager, const Scratch& dir) {
  manager.SetCorvelRoot(dir.root().c_str());
  manager.ReadTemplateStub("template.tcs");
}

struct Refusal {
  const char* label;
  std::function<void(const Scratch&)> files;          // written before the manager starts
  std::function<void(TemplateMgr&, const Scratch&)> before;  // steps that succeed or fail unchecked
  std::function<bool(TemplateMgr&)> refused;          // the step under test
  std::string console;                                // "@" stands for the scratch root
  int32_t state;
};

void Template(const Scratch& dir, const std::string& text) { dir.write("template.tcs", text); }

std::vector<Refusal> Refusals() {
  const auto good = [](const Scratch& dir) { Template(dir, kGood); };
  const auto none = [](TemplateMgr&, const Scratch&) {};
  const auto rooted = [](TemplateMgr& m, const Scratch& dir) { m.SetCorvelRoot(dir.root().c_str()); };
  const auto read = [](TemplateMgr& m) { return m.ReadTemplateStub("template.tcs"); };
  const auto extract = [](TemplateMgr& m) { return m.ExtractTcs("out.tcs", false); };
  const std::string notLoaded =
      "Corvel> Unable to extract a tcs file because Corvel is not in the enCorvelStateTemplateLoaded state\n";
  const std::string opened = "Corvel> Template filename : @template.tcs\nCorvel> Extracting parameters...\n";
  return {
      {"root twice", good, rooted, [](TemplateMgr& m) { return m.SetCorvelRoot("/tmp"); },
       "Corvel> Unable to SetCorvelRoot because Corvel is not in the enCorvelStateUninitialized state\n",
       enTemplateStateRootSpecified},
      {"template before root", good, none, read,
       "Corvel> Unable to ReadTemplateStub because Corvel is not in the enCorvelStateRootSpecified state\n",
       enTemplateStateUninitialized},
      {"parameter before template", good, rooted, [](TemplateMgr& m) { return m.SetParameter("RATE", "1"); },
       "Corvel> SetParameter ignored because Corvel is not in the enCorvelStateTemplateLoaded state\n",
       enTemplateStateRootSpecified},
      {"extract before template", good, rooted, extract, notLoaded, enTemplateStateRootSpecified},
      {"missing template", [](const Scratch&) {}, rooted, read, "Corvel> Unable to open file: @template.tcs\n",
       enTemplateStateRootSpecified},
      {"template is a FIFO", [](const Scratch& dir) { ::mkfifo(dir.path("template.tcs").c_str(), 0600); },
       rooted, read, "Corvel> Unable to open file: @template.tcs\n", enTemplateStateRootSpecified},
      {"first entity not CORVEL_LOCATION",
       [](const Scratch& dir) {
         Template(dir, test::Template("<!ENTITY RATE \"1\">\n<!ENTITY CORVEL_LOCATION \"c.dtd\">\n", "<corvel/>"));
       },
       rooted, read,
       opened + "Corvel> Error, CORVEL_LOCATION parameter was not found as the first defined parameter.",
       enTemplateStateRootSpecified},
      {"CUSTOM_LOCATION third",
       [](const Scratch& dir) {
         Template(dir, test::Template("<!ENTITY CORVEL_LOCATION \"c.dtd\">\n<!ENTITY A \"1\">\n"
                                      "<!ENTITY CUSTOM_LOCATION \"x\">\n",
                                      "<corvel/>"));
       },
       rooted, read,
       opened + "Corvel> Error, CUSTOM_LOCATION parameter was not found as the second defined parameter.",
       enTemplateStateRootSpecified},
      {"external entity as parameter",
       [](const Scratch& dir) {
         Template(dir, test::Template("<!ENTITY CORVEL_LOCATION \"c.dtd\">\n<!ENTITY EXT SYSTEM \"e.xml\">\n",
                                      "<corvel/>"));
       },
       rooted, read, opened + "Corvel> Error, parameter EXT of @template.tcs is not a text entity.\n",
       enTemplateStateRootSpecified},
      // Without its declaration libxml2 would drop the reference from the attribute.
      {"undeclared entity",
       [](const Scratch& dir) {
         Template(dir, test::Template("<!ENTITY CORVEL_LOCATION \"c.dtd\">\n", "<corvel a=\"&NOWHERE;\"/>"));
       },
       rooted, read,
       opened + "Corvel> Error, @template.tcs refers to the entity NOWHERE, which is declared nowhere.\n",
       enTemplateStateRootSpecified},
      {"malformed template", [](const Scratch& dir) { Template(dir, "<corvel>\n<streams></corvel>\n"); }, rooted,
       read,
       "Corvel> Template filename : @template.tcs\nCorvel> === E R R O R ===\n"
       "Corvel> XML-PARSE-ERROR: on line 2, position 19 of @template.tcs.\n"
       "Corvel> XML-REASON     : Opening and ending tag mismatch: streams line 2 and corvel\n"
       "Corvel> Error, unable to load template file\nCorvel> Transistion templateMgr to enTemplateStateError.\n",
       enTemplateStateError},
      {"root after a malformed template", [](const Scratch& dir) { Template(dir, "not xml"); }, Load,
       [](TemplateMgr& m) { return m.SetCorvelRoot("/tmp"); },
       "Corvel> Unable to SetCorvelRoot because Corvel is not in the enCorvelStateUninitialized state\n",
       enTemplateStateError},
      {"unknown parameter", good, Load, [](TemplateMgr& m) { return m.SetParameter("rate", "5"); },
       "Corvel>   Warning, unable to locate parameter rate\n", enTemplateStateTemplateLoaded},
      {"existing output without overwrite",
       [](const Scratch& dir) {
         Template(dir, kGood);
         dir.write("out.tcs", "old");
       },
       Load, extract, "Corvel> Error, output filename already exists: @out.tcs\n", enTemplateStateTemplateLoaded},
      {"location holding a double quote", good,
       [](TemplateMgr& m, const Scratch& dir) {
         Load(m, dir);
         m.SetParameter("CUSTOM_LOCATION", "a\"b");
       },
       extract,
       "Corvel> Output filename: @out.tcs\n"
       "Corvel> Error, the value of CUSTOM_LOCATION holds a double quote, which a system literal cannot carry.\n",
       enTemplateStateTemplateLoaded},
      {"stub cannot be written",
       [](const Scratch& dir) {
         Template(dir, kGood);
         ::mkdir(dir.path("corvel_temp_file.tcs").c_str(), 0700);
       },
       Load, extract,
       "Corvel> Output filename: @out.tcs\nCorvel> Parameters:\nCorvel>   RATE = 100\n"
       "Corvel> Error, writing of stub file (@corvel_temp_file.tcs) failed.\n",
       enTemplateStateTemplateLoaded},
      {"second extraction", good,
       [](TemplateMgr& m, const Scratch& dir) {
         Load(m, dir);
         m.ExtractTcs("first.tcs", false);
       },
       [](TemplateMgr& m) { return m.ExtractTcs("first.tcs", true); }, notLoaded, enTemplateStateUninitialized},
  };
}

TEST(TemplateRefusals, PrintTheirTextAndLeaveNoFileBehind) {
  for (const Refusal& c : Refusals()) {
    Scratch dir;
    c.files(dir);
    TemplateMgr manager;
    test::ConsoleCapture console;
    c.before(manager, dir);
    const std::vector<std::string> files = dir.files();
    const std::string output = dir.read("out.tcs");
    console.clear();
    EXPECT_FALSE(c.refused(manager)) << c.label;
    std::string expected = c.console;
    for (size_t at = expected.find('@'); at != std::string::npos; at = expected.find('@', at + 1))
      expected.replace(at, 1, dir.root());
    EXPECT_EQ(console.text(), expected) << c.label;
    EXPECT_EQ(manager.state(), c.state) << c.label;
    EXPECT_EQ(dir.files(), files) << c.label;
    EXPECT_EQ(dir.read("out.tcs"), output) << c.label;
  }
}

// A generated file that the TCS loader refuses (its definitions are broken)
// never takes the output's name: the old output stays, no temporary file is
// left, and the extraction can be repeated once the value is mended.
TEST(TemplateRefusals, OutputThatDoesNotLoadLeavesTheOldFile) {
  Scratch dir;
  dir.write("template.tcs", kGood);
  dir.write("broken.dtd", "<!ATTLIST\n");
  dir.write("out.tcs", "old");
  TemplateMgr manager;
  test::ConsoleCapture console;
  Load(manager, dir);
  ASSERT_TRUE(manager.SetParameter("CORVEL_LOCATION", "broken.dtd"));
  EXPECT_FALSE(manager.ExtractTcs("out.tcs", true));
  EXPECT_NE(console.text().find("Corvel> Error, the generated file does not load as a TCS file: " +
                                dir.path("out.tcs") + "\nCorvel> Error, unable to link template and stub.\n"),
            std::string::npos)
      << console.text();
  EXPECT_EQ(dir.read("out.tcs"), "old");
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"broken.dtd", "corvel_temp_file.tcs", "out.tcs", "template.tcs"}));
  ASSERT_TRUE(manager.SetParameter("CORVEL_LOCATION", "corvel.dtd"));
  EXPECT_TRUE(manager.ExtractTcs("out.tcs", true)) << console.text();
}

// A refused template leaves its parameters behind; the next read starts
// afresh, so the mended template gives exactly its own parameters.
TEST(TemplateRefusals, MendedTemplateReadsAfresh) {
  Scratch dir;
  dir.write("template.tcs",
            test::Template("<!ENTITY CORVEL_LOCATION \"c.dtd\">\n<!ENTITY OLD \"1\">\n<!ENTITY CUSTOM_LOCATION \"x\">\n",
                           "<corvel/>"));
  TemplateMgr manager;
  test::ConsoleCapture console;
  Load(manager, dir);
  ASSERT_EQ(manager.state(), enTemplateStateRootSpecified);
  dir.write("template.tcs", kGood);
  ASSERT_TRUE(manager.ReadTemplateStub("template.tcs"));
  ASSERT_TRUE(manager.ExtractTcs("out.tcs", false));
  EXPECT_EQ(dir.read("corvel_temp_file.tcs"),
            "<?xml version=\"1.0\"?>\n<!DOCTYPE corvel SYSTEM \"corvel.dtd\" [\n"
            "<!ENTITY % custom_types SYSTEM \"c.ent\">\n%custom_types;\n<!ENTITY RATE \"100\">\n]>\n" +
                test::kStubBody);
}

}  // namespace
}  // namespace corvel
