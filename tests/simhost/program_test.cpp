// The pyxsim program as a user runs it: options, scripts, standard input,
// messages and exit codes.
#include <gtest/gtest.h>

#include "program_fixture.h"

namespace pyxsim::test {
namespace {

TEST_F(ProgramTest, CleanScriptExitsZeroAndWritesTheCommandLog) {
  writeFile("ok.pyx",
            "# forward one port\nrx_port 0 1\ntx_port 0 1\nfake_frames 0 1 2 4 0\n"
            "fake_exec \"table 1\"\nrun 20\nclose\n");
  const Outcome o = pyxsim(fake() + " ok.pyx");
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_NE(o.out.find("pyxsim>   0/1         tx             2              8            -\n"), std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find("pyxsim> host commands executed: 1\n"), std::string::npos);
  EXPECT_EQ(readFile("host_commands.log"), "table 1\n");
}

TEST_F(ProgramTest, FailingLinesAreReportedAndMakeTheExitCodeNonZero) {
  writeFile("bad.pyx", "fake_echo first\n\nrx_port 0\nfake_echo last\n");
  Outcome o = pyxsim(fake() + " -c \"fake_echo from c\" -c bogus bad.pyx");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err,
            "-c:2: unknown command \"bogus\" (help lists the commands)\n"
            "bad.pyx:3: wrong number of arguments (1); usage: rx_port DEV PORT [RATE IPT FREQ]\n");
  EXPECT_NE(o.out.find("fake: [from c]\nfake: [first]\nfake: [last]\n"), std::string::npos) << o.out;

  o = pyxsim("--strict " + fake() + " bad.pyx -c \"fake_echo never\"");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.out.find("never"), std::string::npos);
  EXPECT_EQ(o.out.find("last"), std::string::npos);
}

TEST_F(ProgramTest, PluginAndFileProblems) {
  Outcome o = pyxsim("-p /no/such/plugin.so -c \"rx_port 0 1\"");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err.rfind("-p:1: cannot load plug-in /no/such/plugin.so: ", 0), 0u) << o.err;
  EXPECT_NE(o.err.find("-c:1: no plug-in loaded"), std::string::npos);

  o = pyxsim(fake() + " missing.pyx");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, "missing.pyx: cannot open: No such file or directory\n");

  o = pyxsim("--frobnicate");
  EXPECT_EQ(o.exitCode, 2);
  EXPECT_EQ(o.err.rfind("pyxsim: unknown option --frobnicate\nusage: pyxsim", 0), 0u) << o.err;

  o = pyxsim("--max-cycles 0");
  EXPECT_EQ(o.exitCode, 2);
}

TEST_F(ProgramTest, ReadsCommandsFromStandardInputWithoutScripts) {
  Outcome o = pyxsim(fake(), "fake_echo piped\nquit\nbogus\n");
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_NE(o.out.find("fake: [piped]\n"), std::string::npos);

  o = pyxsim(fake() + " -c \"fake_echo before\" - ", "bogus\n");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.err, "<stdin>:1: unknown command \"bogus\" (help lists the commands)\n");
}

TEST_F(ProgramTest, EndOfInputClosesThePortsAndOptionsSetTheLimits) {
  const Outcome o =
      pyxsim(fake() + " --idle-cycles 30 -c \"rx_port 0 1\" -c \"fake_frames 0 1 1 5 0\" -c run");
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_NE(o.out.find("ran 35 cycles, now at cycle 35 (traffic quiet for 30 cycles)"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("pyxsim> summary at cycle 35\n"), std::string::npos) << o.out;
}

}  // namespace
}  // namespace pyxsim::test
