// Console commands: argument counts and types of the built-ins and of the
// plug-in's commands, quoting, hexadecimal, error reports with file and line.
#include <gtest/gtest.h>

#include "host_fixture.h"
#include "tests/support/param_name.h"

namespace pyxsim::test {
namespace {

class CommandTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    loadFake();
  }
};

TEST_F(CommandTest, PluginCommandsGetTheirStringAndIntegerArguments) {
  ASSERT_TRUE(script("fake_pair \"hello # world\" 0x10\n"
                     "fake_ints -1 0xFFFFFFFF\n"
                     "fake_ints 0x7fffffff -2147483648\n"
                     "fake_echo plain\n"
                     "fake_echo two words  kept   # a comment\n"
                     "fake_echo \"\"\n"));
  EXPECT_EQ(console_.out,
            "fake: [hello # world] 16\n"
            "fake: -1 -1\n"
            "fake: 2147483647 -2147483648\n"
            "fake: [plain]\n"
            "fake: [two words  kept]\n"
            "fake: []\n");
  EXPECT_EQ(console_.err, "");
}

struct BadLine {
  const char* line;
  const char* message;
};

class BadLineTest : public CommandTest, public ::testing::WithParamInterface<BadLine> {};

TEST_P(BadLineTest, ReportsFileLineAndMessage) {
  EXPECT_FALSE(script(std::string("# first line\n\n") + GetParam().line + "\n"));
  EXPECT_EQ(console_.err, std::string("test.pyx:3: ") + GetParam().message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadLineTest,
    ::testing::Values(
        BadLine{"frobnicate 1", "unknown command \"frobnicate\" (help lists the commands)"},
        BadLine{"fake_ints 1", "wrong number of arguments (1); usage: fake_ints INT INT"},
        BadLine{"fake_ints 1 2 3", "wrong number of arguments (3); usage: fake_ints INT INT"},
        BadLine{"fake_ints 1 x", "argument 2 must be an integer, got \"x\"; usage: fake_ints INT INT"},
        BadLine{"fake_ints 1 \"2\"", "argument 2 must be an integer, got \"2\"; usage: fake_ints INT INT"},
        BadLine{"fake_ints 1 0x100000000", "argument 2 does not fit in 32 bits: 0x100000000"},
        BadLine{"fake_pair a", "wrong number of arguments (1); usage: fake_pair STRING INT"},
        BadLine{"fake_echo", "wrong number of arguments (0); usage: fake_echo STRING"},
        BadLine{"fake_echo a \"b c\"", "wrong number of arguments (2); usage: fake_echo STRING"},
        BadLine{"fake_echo \"open", "unterminated quoted string"},
        BadLine{"rx_port 0", "wrong number of arguments (1); usage: rx_port DEV PORT [RATE IPT FREQ]"},
        BadLine{"rx_port 0 1 2 3 4 5", "wrong number of arguments (6); usage: rx_port DEV PORT [RATE IPT FREQ]"},
        BadLine{"rx_port 0 one", "PORT must be an integer, got \"one\"; usage: rx_port DEV PORT [RATE IPT FREQ]"},
        BadLine{"tx_port -1 0", "DEV must be between 0 and 2147483647, got -1"},
        BadLine{"rx_port 0 1 100 8 0", "FREQ must be between 1 and 2147483647, got 0"},
        BadLine{"latency", "wrong number of arguments (0); usage: latency CYCLES"},
        BadLine{"run 1 2", "wrong number of arguments (2); usage: run [CYCLES]"},
        BadLine{"run -5", "CYCLES must be between 0 and 4611686018427387903, got -5"},
        BadLine{"forward 0 1 0 2", "no rx port 0/1 is declared"},
        BadLine{"drop 0 9", "no rx port 0/9 is declared"},
        BadLine{"impair 0 9 loss 0.1", "no rx port 0/9 is declared"},
        BadLine{"impair 0 0 loss 1.5", "loss needs a probability from 0 to 1, got \"1.5\""},
        BadLine{"impair 0 0 corrupt 0.5x", "corrupt needs a probability from 0 to 1, got \"0.5x\""},
        BadLine{"impair 0 0 reorder", "reorder needs a value"},
        BadLine{"impair 0 0 delay 5", "delay needs MIN and MAX"},
        BadLine{"impair 0 0 delay 9 3", "delay MIN 9 is above MAX 3"},
        BadLine{"impair 0 0 seed 010x", "seed needs a whole number, got \"010x\""},
        BadLine{"impair 0 0 seed 1 seed 2", "seed is given twice"},
        BadLine{"impair 0 0 jitter 1", "unknown impairment \"jitter\" (loss, duplicate, reorder, corrupt, delay or seed)"},
        BadLine{"pcap out NOSUCHTYPE", "unknown link type \"NOSUCHTYPE\" (give a number or a name such as EN10MB)"},
        BadLine{"close now", "wrong number of arguments (1); usage: close"},
        BadLine{"help nothing", "unknown command \"nothing\""}),
    corvel::test::NameFrom<&BadLine::line>());

TEST_F(CommandTest, FailingLinesDoNotStopTheScriptUnlessStrict) {
  EXPECT_FALSE(script("fake_echo one\nbogus\nfake_echo two\n"));
  EXPECT_EQ(console_.out, "fake: [one]\nfake: [two]\n");
  console_.out.clear();
  console_.err.clear();
  EXPECT_FALSE(script("fake_echo one\nbogus\nfake_echo two\n", true));
  EXPECT_EQ(console_.out, "fake: [one]\n");
  EXPECT_EQ(console_.err, "test.pyx:2: unknown command \"bogus\" (help lists the commands)\n");
}

TEST_F(CommandTest, PortDeclarations) {
  ASSERT_TRUE(script("rx_port 0 2\nrx_port 0 10 50 4 0x64\ntx_port 0 1\n"));
  const auto rx = events(kFakeInitRx);
  ASSERT_EQ(rx.size(), 2u);
  EXPECT_EQ(rx[0].port, 2);
  EXPECT_EQ(rx[0].value, 66);  // default bus frequency
  EXPECT_EQ(rx[1].port, 10);
  EXPECT_EQ(rx[1].value, 100);
  EXPECT_EQ(events(kFakeInitTx).size(), 1u);
  EXPECT_FALSE(script("rx_port 0 2\n"));
  EXPECT_EQ(console_.err, "test.pyx:1: rx port 0/2 is already declared\n");
  EXPECT_TRUE(script("tx_port 0 2\n"));  // the other direction is another port
}

TEST_F(CommandTest, HelpListsBuiltinsAndPluginCommandsWithShapes) {
  ASSERT_TRUE(script("help\n"));
  EXPECT_NE(console_.out.find("rx_port DEV PORT [RATE IPT FREQ]"), std::string::npos);
  EXPECT_NE(console_.out.find("pcap DIR [LINKTYPE]"), std::string::npos);
  EXPECT_NE(console_.out.find("  fake_pair STRING INT\n"), std::string::npos);
  EXPECT_NE(console_.out.find("  fake_frames INT INT INT INT INT\n"), std::string::npos);
  console_.out.clear();
  ASSERT_TRUE(script("help forward\n"));
  EXPECT_EQ(console_.out.rfind("forward RXDEV RXPORT TXDEV TXPORT\n", 0), 0u);
}

TEST_F(CommandTest, AnExceptionFromAPluginCommandIsAFailedLine) {
  EXPECT_FALSE(script("fake_throw\nfake_echo still here\n"));
  EXPECT_EQ(console_.err, "test.pyx:1: command fake_throw let an exception escape\n");
  EXPECT_EQ(console_.out, "fake: [still here]\n");
}

TEST_F(CommandTest, LoadingTheSamePluginAgainInitialisesItAgain) {
  EXPECT_EQ(initializeCount(), 1);
  EXPECT_EQ(hookCount(), 1);
  ASSERT_TRUE(script("plugin \"" + fakePluginPath() + "\"\n"));
  EXPECT_EQ(initializeCount(), 2);
  EXPECT_EQ(hookCount(), 2);
  EXPECT_NE(console_.out.find("is already loaded; initialising it again"), std::string::npos);
}

TEST_F(CommandTest, QuitStopsReading) {
  EXPECT_TRUE(script("fake_echo a\nquit\nfake_echo b\n"));
  EXPECT_EQ(console_.out, "fake: [a]\n");
  EXPECT_TRUE(host_->quitRequested());
}

class LoadTest : public HostFixture {};

TEST_F(LoadTest, MissingFileOrExportIsAClearError) {
  EXPECT_FALSE(script("plugin /no/such/plugin.so\n"));
  EXPECT_EQ(console_.err.rfind("test.pyx:1: cannot load plug-in /no/such/plugin.so: ", 0), 0u) << console_.err;
  console_.err.clear();
  const std::string broken = binPath("libsimhost_fake_broken.so");
  EXPECT_FALSE(script("plugin " + broken + "\n"));
  EXPECT_EQ(console_.err, "test.pyx:1: plug-in " + broken + " does not export SendNextByte\n");
  console_.err.clear();
  EXPECT_FALSE(script("rx_port 0 1\n"));
  EXPECT_EQ(console_.err, "test.pyx:1: no plug-in loaded (use -p PATH or the plugin command first)\n");
}

}  // namespace
}  // namespace pyxsim::test
