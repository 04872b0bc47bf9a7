// One template session as a user runs it (tests/data/template/session.tcs):
// root directory, template, three parameters, extraction, then the same
// output name again in modes 0 and 2. Each console step's answer and lines are
// checked in a loaded copy of the plug-in; the same lines then run through
// pyxsim, which loads the generated file, and tcs2pcap shows its frame.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"
#include "template_support.h"
#include "tests/host/plugin_copy.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

struct Step {
  std::vector<std::string> words;  // command, string arguments, integer arguments
  int answer;
  std::string console;  // "@" stands for the root directory as printed, with its '/'
};

std::vector<Step> Session() {
  const std::string root = "CorvelIntf> corvel_set_root_dir() - enter\n";
  const std::string rooted =
      "Corvel> Parameter root dir: @\nCorvel> Transistion templateMgr to enTemplateStateRootSpecified.\n"
      "CorvelIntf> corvel_set_root_dir() - exit\n";
  const std::string loaded =
      "CorvelIntf> corvel_load_template() - enter\nCorvel> Template filename : @template.tcs\n"
      "Corvel> Extracting parameters...\nCorvel> Transistion templateMgr to enTemplateStateTemplateLoaded.\n"
      "CorvelIntf> corvel_load_template() - exit\n";
  const std::string refused =
      "CorvelIntf> corvel_extract_tcs() - enter\nCorvelIntf> Extracting to out.tcs (append)\n"
      "Corvel> Error, output filename already exists: @out.tcs\nCorvelIntf> Error, Parameters not loaded\n"
      "CorvelIntf> corvel_extract_tcs() - exit\n";
  return {
      {{"corvel_set_root_dir", "@"}, 1, root + "Corvel> Instantiating TemplateMgr \n" + rooted},
      {{"corvel_load_template", "template.tcs"}, 1, loaded},
      {{"corvel_set_parameter", "DEST_ADDR", "10.9.8.7"}, 1, ""},
      {{"corvel_set_int_parameter", "SIZE", "100"}, 0, ""},
      {{"corvel_set_parameter", "RATE", "622"}, 1, ""},
      {{"corvel_extract_tcs", "out.tcs", "1"}, 1,
       "CorvelIntf> corvel_extract_tcs() - enter\nCorvelIntf> Extracting to out.tcs (overwrite)\n"
       "Corvel> Output filename: @out.tcs\nCorvel> Parameters:\nCorvel>   RATE = 622\n"
       "Corvel>   DEST_ADDR = 10.9.8.7\nCorvel>   SIZE = 100\n"
       // The generated file is loaded back before the extraction succeeds.
       "Corvel> ------ Traffic Config Spec parsed successfully\nCorvel> Simple load of document successful.\n"
       "Corvel> Transistion templateMgr to  enTemplateStateUninitialized.\n"
       "CorvelIntf> corvel_extract_tcs() - exit\n"},
      {{"corvel_set_root_dir", "@"}, 1, root + rooted},
      {{"corvel_load_template", "template.tcs"}, 1, loaded},
      {{"corvel_extract_tcs", "out.tcs", "0"}, 0, refused},
      {{"corvel_extract_tcs", "out.tcs", "2"}, 0, refused},
  };
}

const std::string kStub =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE corvel SYSTEM \"corvel.dtd\" [\n"
    "<!ENTITY % custom_types SYSTEM \"custom.ent\">\n%custom_types;\n"
    "<!ENTITY RATE \"622\">\n<!ENTITY DEST_ADDR \"10.9.8.7\">\n<!ENTITY SIZE \"100\">\n]>\n" +
    test::kStubBody;

// A command word: "@" is the root directory, given without its '/'.
std::string Word(const std::string& word, const test::Scratch& dir) {
  return word == "@" ? dir.root().substr(0, dir.root().size() - 1) : word;
}

// Copies the session's files into the scratch directory.
void SessionFiles(const test::Scratch& dir) {
  const std::string data = std::string(CORVEL_TEST_DATA) + "/template/";
  dir.write("template.tcs", test::ReadFile(data + "session.tcs"));
  for (const char* name : {"corvel.dtd", "custom.ent"}) dir.write(name, test::ReadFile(data + name));
}

std::string Shell(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  for (size_t n; pipe != nullptr && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int raw = pipe != nullptr ? pclose(pipe) : -1;
  status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

TEST(TemplateSession, EveryConsoleStepAnswersAndPrints) {
  test::Scratch dir;
  SessionFiles(dir);
  test::ConsoleCapture console;
  test::PluginCopy plugin;
  ASSERT_TRUE(plugin.loaded());
  plugin.Initialize();
  console.take();
  for (const Step& step : Session()) {
    std::vector<std::string> words;
    for (const std::string& word : step.words) words.push_back(Word(word, dir));
    std::vector<const char*> strings;
    std::vector<int32_t> ints;
    const bool lastIsInt = words[0] == "corvel_set_int_parameter" || words[0] == "corvel_extract_tcs";
    for (size_t i = 1; i < words.size(); ++i) {
      if (lastIsInt && i + 1 == words.size()) ints.push_back(std::stoi(words[i]));
      else strings.push_back(words[i].c_str());
    }
    EXPECT_EQ(test::PluginCopy::command(words[0].c_str(), strings, ints), step.answer) << words[0];
    EXPECT_EQ(console.take(), test::Rooted(step.console, dir)) << words[0];
  }
  EXPECT_EQ(dir.read("corvel_temp_file.tcs"), kStub);
}

TEST(TemplateSession, PyxsimLoadsTheGeneratedFileWithTheNewValues) {
  test::Scratch dir;
  SessionFiles(dir);
  std::string script = "plugin " CORVEL_BIN_DIR "/libcorvel_lite.so\nrx_port 0 0\ntx_port 0 0\n";
  std::string expected;
  for (const Step& step : Session()) {
    for (const std::string& word : step.words) script += Word(word, dir) + " ";
    script += "\n";
    expected += test::Rooted(step.console, dir);
  }
  dir.write("run.pyx", script + "corvel_load_tcs out.tcs\n");
  int status = -1;
  const std::string output = Shell("cd '" + dir.root() + "' && '" CORVEL_BIN_DIR "/pyxsim' run.pyx 2>&1", status);
  EXPECT_EQ(status, 0) << output;
  const size_t begin = output.find("CorvelIntf> corvel_set_root_dir() - enter\n");
  const size_t load = output.find("CorvelIntf> corvel_load_tcs() - enter\n");
  ASSERT_TRUE(begin != std::string::npos && load != std::string::npos) << output;
  EXPECT_EQ(output.substr(begin, load - begin), expected);
  const std::string loadLines = output.substr(load);
  EXPECT_NE(loadLines.find("Corvel> Simple load of document successful.\n"), std::string::npos) << loadLines;
  EXPECT_NE(loadLines.find("Corvel>   s1\n"), std::string::npos) << loadLines;
  EXPECT_EQ(loadLines.find("PARSE-ERROR"), std::string::npos) << loadLines;
  EXPECT_EQ(loadLines.find("Exception"), std::string::npos) << loadLines;
  EXPECT_EQ(dir.read("corvel_temp_file.tcs"), kStub);

  // Ethernet is 14 bytes, IPv4 from byte 14, UDP from byte 34 (two hex digits each).
  const std::string hex = Shell("'" CORVEL_BIN_DIR "/tcs2pcap' '" + dir.path("out.tcs") + "' --hex", status);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(hex.size(), (14 + 20 + 8 + 100 + 4) * 2 + 1) << hex;
  EXPECT_EQ(hex.substr(32, 4), "0080") << hex;      // IPv4 total length 128: SIZE 100
  EXPECT_EQ(hex.substr(44, 2), "21") << hex;        // TTL 33 from corvel.dtd
  EXPECT_EQ(hex.substr(60, 8), "0a090807") << hex;  // DEST_ADDR
  EXPECT_EQ(hex.substr(72, 4), "0fa0") << hex;      // destination port 4000 from custom.ent
  TcsDocument generated;
  LoadDocument(generated, dir.path("out.tcs"));
  const xmlNode* port = selectSingleNode(generated.documentNode(), "//corvel/rx_ports/port");
  EXPECT_EQ(GetAttribute(port, "shaper_linespeed"), "622");
}

}  // namespace
}  // namespace corvel
