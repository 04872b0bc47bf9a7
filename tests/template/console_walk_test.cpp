// One template session as a user runs it: root directory, template, three
// parameters, extraction. Each console step is checked for its answer and
// its lines in a loaded copy of the plug-in, then the same steps run through
// pyxsim, which loads the generated file; its frames come from tcs2pcap.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/console_capture.h"
#include "corvel/tcs/tcs_document.h"
#include "corvel/tcs/xml_access.h"
#include "template_support.h"
#include "tests/host/plugin_copy.h"

namespace corvel {
namespace {

using test::Scratch;

// The DTD sets the IPv4 TTL, the custom declarations the UDP destination
// port: frames show that the generated document type reached both.
const std::string kTemplate = test::Template(
    "  <!ENTITY CORVEL_LOCATION \"corvel.dtd\">\n"
    "  <!ENTITY CUSTOM_LOCATION \"custom.ent\">\n"
    "  <!ENTITY RATE \"100\">\n"
    "  <!ENTITY DEST_ADDR \"192.168.2.1\">\n"
    "  <!ENTITY SIZE \"64\">\n",
    "<corvel>\n"
    "  <streams>\n"
    "    <stream_set id=\"s1\">\n"
    "      <protocols>\n"
    "        <ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>\n"
    "        <ipv4 hlen=\"5\" protocol=\"17\" src_addr=\"192.168.1.1\" dest_addr=\"&DEST_ADDR;\"/>\n"
    "        <udp src_port=\"1024\"/>\n"
    "        <fixed_payload size=\"&SIZE;\" iterations=\"1\" tx_port=\"0,0\"/>\n"
    "      </protocols>\n"
    "    </stream_set>\n"
    "  </streams>\n"
    "  <rx_ports>\n"
    "    <port device=\"0\" port=\"0\" shaper_linespeed=\"&RATE;\"><assign_stream_set id=\"s1\"/></port>\n"
    "  </rx_ports>\n"
    "</corvel>");

void WriteTemplateFiles(const Scratch& dir) {
  dir.write("template.tcs", kTemplate);
  dir.write("corvel.dtd", "<!ATTLIST ipv4 ttl CDATA \"33\">\n");
  dir.write("custom.ent", "<!ATTLIST udp dest_port CDATA \"4000\">\n");
}

struct Step {
  std::string command;
  std::vector<std::string> strings;
  std::vector<int32_t> ints;
  int answer;
  std::string console;

  std::string line() const {
    std::string text = command;
    for (const std::string& s : strings) text += " " + s;
    for (int32_t i : ints) text += " " + std::to_string(i);
    return text;
  }
};

// The session; after the extraction the template is loaded again and
// extracted to the same name in modes 0 and 2, which refuse to touch it.
std::vector<Step> Session(const std::string& root) {
  const Step setRoot{"corvel_set_root_dir", {root}, {}, 1,
                     "CorvelIntf> corvel_set_root_dir() - enter\n"
                     "Corvel> Parameter root dir: " + root + "/\n"
                     "Corvel> Transistion templateMgr to enTemplateStateRootSpecified.\n"
                     "CorvelIntf> corvel_set_root_dir() - exit\n"};
  Step firstRoot = setRoot;
  firstRoot.console.insert(firstRoot.console.find('\n') + 1, "Corvel> Instantiating TemplateMgr \n");
  const Step loadTemplate{"corvel_load_template", {"template.tcs"}, {}, 1,
                          "CorvelIntf> corvel_load_template() - enter\n"
                          "Corvel> Template filename : " + root + "/template.tcs\n"
                          "Corvel> Extracting parameters...\n"
                          "Corvel> Transistion templateMgr to enTemplateStateTemplateLoaded.\n"
                          "CorvelIntf> corvel_load_template() - exit\n"};
  const std::string refusedAppend =
      "CorvelIntf> corvel_extract_tcs() - enter\n"
      "CorvelIntf> Extracting to out.tcs (append)\n"
      "Corvel> Error, output filename already exists: " + root + "/out.tcs\n"
      "CorvelIntf> Error, Parameters not loaded\n"
      "CorvelIntf> corvel_extract_tcs() - exit\n";
  return {
      firstRoot,
      loadTemplate,
      {"corvel_set_parameter", {"DEST_ADDR", "10.9.8.7"}, {}, 1, ""},
      {"corvel_set_int_parameter", {"SIZE"}, {100}, 0, ""},
      {"corvel_set_parameter", {"RATE", "622"}, {}, 1, ""},
      {"corvel_extract_tcs", {"out.tcs"}, {1}, 1,
       "CorvelIntf> corvel_extract_tcs() - enter\n"
       "CorvelIntf> Extracting to out.tcs (overwrite)\n"
       "Corvel> Output filename: " + root + "/out.tcs\n"
       "Corvel> Parameters:\n"
       "Corvel>   RATE = 622\n"
       "Corvel>   DEST_ADDR = 10.9.8.7\n"
       "Corvel>   SIZE = 100\n"
       // The generated file is loaded back before the extraction succeeds.
       "Corvel> ------ Traffic Config Spec parsed successfully\n"
       "Corvel> Simple load of document successful.\n"
       "Corvel> Transistion templateMgr to  enTemplateStateUninitialized.\n"
       "CorvelIntf> corvel_extract_tcs() - exit\n"},
      setRoot,
      loadTemplate,
      {"corvel_extract_tcs", {"out.tcs"}, {0}, 0, refusedAppend},
      {"corvel_extract_tcs", {"out.tcs"}, {2}, 0, refusedAppend},
  };
}

const std::string kExpectedStub =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE corvel SYSTEM \"corvel.dtd\" [\n"
    "<!ENTITY % custom_types SYSTEM \"custom.ent\">\n"
    "%custom_types;\n"
    "<!ENTITY RATE \"622\">\n"
    "<!ENTITY DEST_ADDR \"10.9.8.7\">\n"
    "<!ENTITY SIZE \"100\">\n"
    "]>\n" + test::kStubBody;

std::string RunCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int raw = pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

TEST(TemplateSession, EveryConsoleStepAnswersAndPrints) {
  Scratch dir;
  WriteTemplateFiles(dir);
  test::ConsoleCapture console;
  test::PluginCopy plugin;
  ASSERT_TRUE(plugin.loaded());
  plugin.Initialize();
  console.take();
  const std::string root = dir.root().substr(0, dir.root().size() - 1);
  for (const Step& step : Session(root)) {
    std::vector<const char*> strings;
    for (const std::string& s : step.strings) strings.push_back(s.c_str());
    EXPECT_EQ(test::PluginCopy::command(step.command.c_str(), strings, step.ints), step.answer) << step.line();
    EXPECT_EQ(console.take(), step.console) << step.line();
  }
  EXPECT_EQ(dir.read("corvel_temp_file.tcs"), kExpectedStub);
}

TEST(TemplateSession, PyxsimLoadsTheGeneratedFileWithTheNewValues) {
  Scratch dir;
  WriteTemplateFiles(dir);
  const std::string root = dir.root().substr(0, dir.root().size() - 1);
  std::string script = std::string("plugin ") + CORVEL_BIN_DIR + "/libcorvel_lite.so\nrx_port 0 0\ntx_port 0 0\n";
  std::string expected;
  for (const Step& step : Session(root)) {
    script += step.line() + "\n";
    expected += step.console;
  }
  script += "corvel_load_tcs out.tcs\n";
  dir.write("run.pyx", script);
  int status = -1;
  const std::string output =
      RunCommand("cd '" + root + "' && '" CORVEL_BIN_DIR "/pyxsim' run.pyx 2>&1", status);
  EXPECT_EQ(status, 0) << output;

  const size_t begin = output.find("CorvelIntf> corvel_set_root_dir() - enter\n");
  const size_t load = output.find("CorvelIntf> corvel_load_tcs() - enter\n");
  ASSERT_NE(begin, std::string::npos) << output;
  ASSERT_NE(load, std::string::npos) << output;
  EXPECT_EQ(output.substr(begin, load - begin), expected);
  const std::string loadLines = output.substr(load);
  EXPECT_NE(loadLines.find("Corvel> Simple load of document successful.\n"), std::string::npos) << loadLines;
  EXPECT_NE(loadLines.find("Corvel>   s1\n"), std::string::npos) << loadLines;
  EXPECT_EQ(loadLines.find("PARSE-ERROR"), std::string::npos) << loadLines;
  EXPECT_EQ(loadLines.find("Exception"), std::string::npos) << loadLines;
  EXPECT_EQ(dir.read("corvel_temp_file.tcs"), kExpectedStub);

  // The frame of the stream: 14 bytes Ethernet, IPv4 from byte 14, UDP from 34.
  const std::string hex =
      RunCommand("'" CORVEL_BIN_DIR "/tcs2pcap' '" + dir.path("out.tcs") + "' --hex 2>/dev/null", status);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(hex.size(), (14 + 20 + 8 + 100 + 4) * 2 + 1) << hex;
  EXPECT_EQ(hex.substr(32, 4), "0080") << hex;      // IPv4 total length 128: SIZE 100
  EXPECT_EQ(hex.substr(44, 2), "21") << hex;        // TTL 33 from corvel.dtd
  EXPECT_EQ(hex.substr(60, 8), "0a090807") << hex;  // DEST_ADDR 10.9.8.7
  EXPECT_EQ(hex.substr(72, 4), "0fa0") << hex;      // destination port 4000 from custom.ent

  TcsDocument generated;
  LoadDocument(generated, dir.path("out.tcs"));
  EXPECT_EQ(GetAttribute(SelectSingleNode(generated.documentNode(), "//corvel/rx_ports/port"),
                         "shaper_linespeed"),
            "622");
}

}  // namespace
}  // namespace corvel
