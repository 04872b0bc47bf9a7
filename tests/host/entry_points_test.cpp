// The plug-in as the host sees it: exports, hooks, console commands and the
// teardown, each through a freshly loaded copy of libcorvel_lite.so.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_capture.h"
#include "plugin_copy.h"
#include "tcs_files.h"

namespace corvel {
namespace {

using ::testing::HasSubstr;
using test::PluginCopy;

constexpr const char* kRegistration =
    "CorvelIntf> Initialize() - enter\n"
    "CorvelIntf> DLL_CorvelInit() - start\n"
    "CorvelIntf>   registering functions\n"
    "CorvelIntf> DLL_CorvelInit() - exit\n"
    "CorvelIntf> Initialize() - exit\n";

constexpr const char* kLoadBanner =
    "CorvelIntf> corvel_load_tcs() - enter\n"
    "CorvelIntf> corvel_lite traffic simulator for the PyxLite network processor\n"
    "CorvelIntf>   Iteration 5.0 Preliminary ( PyxLite - 12/10/02 $)\n";

class EntryPoints : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(plugin.loaded()); }

  // Registers the commands and the ports 0/2, 0/10 (receive) and 0/1 (transmit).
  void startHost() {
    plugin.Initialize();
    rx2 = plugin.rxPort(0, 2);
    rx10 = plugin.rxPort(0, 10);
    tx1 = plugin.txPort(0, 1);
    console.take();
  }

  test::ConsoleCapture console;
  PluginCopy plugin;
  PyxPortHandle rx2 = nullptr, rx10 = nullptr, tx1 = nullptr;
};

TEST_F(EntryPoints, ExportOnlyTheEntryPoints) {
  EXPECT_NE(plugin.symbol("GetForeignModelFunctions"), nullptr);
  EXPECT_EQ(plugin.symbol("_ZN6corvel14glb_deviceListE"), nullptr);
  EXPECT_EQ(plugin.symbol("_ZN6corvel14DLL_CorvelInitEv"), nullptr);
  EXPECT_EQ(plugin.symbol("foreign_model_initialize"), nullptr);
}

// The host's first session: ports, verbose level, byte calls before any load,
// and two closes. Every line is checked.
TEST_F(EntryPoints, FirstSessionWithoutALoad) {
  PyxForeignHook hooks[5] = {};
  plugin.GetForeignModelFunctions(&hooks[0], &hooks[1], &hooks[2], &hooks[3], &hooks[4]);
  for (PyxForeignHook hook : hooks) ASSERT_NE(hook, nullptr);
  EXPECT_EQ(hooks[0](), 1);
  EXPECT_EQ(hooks[1](), 1);
  EXPECT_EQ(hooks[2](), 1);
  EXPECT_EQ(console.take(),
            "GetForeignModelFunctions(...) - start\n"
            "GetForeignModelFunctions(...) - exit\n"
            "foreign_model_initialize() - enter\n"
            "foreign_model_initialize() - exit\n");

  plugin.Initialize();
  EXPECT_EQ(console.take(), kRegistration);

  PyxPortHandle rx2 = plugin.rxPort(0, 2, 100, 8, 66);
  PyxPortHandle rx10 = plugin.rxPort(0, 10, 155, 12, 100);
  PyxPortHandle tx1 = plugin.txPort(0, 1, 1000, 0, 200);
  ASSERT_NE(rx2, nullptr);
  ASSERT_NE(rx10, nullptr);
  ASSERT_NE(tx1, nullptr);
  EXPECT_NE(rx2, rx10);
  EXPECT_EQ(console.take(),
            "CorvelIntf> InitializeRxPort(...) - enter \n"
            "CorvelTestPyxSeries> adding to WorkbenchInterface.glb_deviceList\n"
            "CorvelIntf>   Device 0 Port 2 Rate 100 InterPktTime 8 MediaBusClockFreq 66\n"
            "CorvelIntf> InitializeRxPort(...) - exit \n"
            "CorvelIntf> InitializeRxPort(...) - enter \n"
            "CorvelTestPyxSeries> adding to WorkbenchInterface.glb_deviceList\n"
            "CorvelIntf>   Device 0 Port 10 Rate 155 InterPktTime 12 MediaBusClockFreq 100\n"
            "CorvelIntf> InitializeRxPort(...) - exit \n"
            "CorvelIntf> InitializeTxPort(...) - enter \n"
            "CorvelIntf> adding to WorkbenchInterface.glb_deviceList (PyxLite)\n"
            "CorvelIntf>   Device 0 Port 1 Rate 1000 InterPktTime 0 MediaBusClockFreq 200\n"
            "CorvelIntf> InitializeTxPort(...) - exit \n");

  EXPECT_EQ(PluginCopy::command("corvel_verbose", {}, {12}), 1);
  EXPECT_EQ(console.take(), "CorvelIntf> corvel verbose level = 9.\n");

  // Byte calls before any load are answered silently.
  for (uint32_t cycle = 0; cycle < 100; ++cycle) {
    for (PyxPortHandle rx : {rx2, rx10}) {
      uint8_t byte = 0x5A, endOfPacket = 0x77;
      EXPECT_EQ(plugin.GetNextByte(rx, cycle, &byte, &endOfPacket), 0);
      EXPECT_EQ(byte, 0x5A);
      EXPECT_EQ(endOfPacket, 0x77);
    }
    EXPECT_EQ(plugin.GetInterpacketTime(rx2), 0);
    plugin.SendNextByte(tx1, cycle, 0x11, cycle % 10 == 9);
  }
  EXPECT_EQ(console.take(), "");

  plugin.CloseRxPort(rx2);
  EXPECT_EQ(console.take(),
            "CorvelIntf> CloseRxPort(...) - enter\n"
            "CorvelIntf> Warning, Corvel object was already deleted.\n"
            "CorvelIntf> CloseRxPort(...) - exit\n");
  plugin.CloseTxPort(tx1);
  EXPECT_EQ(console.take(),
            "CorvelIntf> CloseTxPort(...) - enter\n"
            "CorvelIntf> Warning, Corvel object was already deleted.\n"
            "CorvelIntf> CloseTxPort(...) - exit\n");

  EXPECT_EQ(hooks[3](), 1);
  EXPECT_EQ(hooks[4](), 1);
  plugin.Close(nullptr);
  plugin.Reset(nullptr);
  EXPECT_EQ(console.take(),
            "foreign_model_exit() - enter\n"
            "foreign_model_exit() - exit\n"
            "foreign_model_reset() - enter\n"
            "foreign_model_reset() - exit \n"
            "CorvelIntf> Close() - enter\n"
            "CorvelIntf> Close() - exit\n"
            "CorvelIntf> Reset() - enter\n"
            "CorvelIntf> Reset() - exit\n");
}

TEST_F(EntryPoints, RegistersTheCommandTableOnce) {
  plugin.Initialize();
  console.take();
  struct Expected {
    const char* name;
    int strings;
    int ints;
  };
  const std::vector<Expected> expected = {
      {"corvel_load_tcs", 1, 0},          {"corvel_start", 0, 0},
      {"corvel_verbose", 0, 1},           {"corvel_set_root_dir", 1, 0},
      {"corvel_set_tx_configuration", 1, 0}, {"corvel_load_template", 1, 0},
      {"corvel_set_parameter", 2, 0},     {"corvel_set_int_parameter", 1, 1},
      {"corvel_extract_tcs", 1, 1},       {"corvel_char_function", 3, 0},
  };
  ASSERT_EQ(simhost_command_count(), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    const SimhostConsoleCommand* c = simhost_command_at(static_cast<int>(i));
    EXPECT_STREQ(c->name, expected[i].name);
    EXPECT_EQ(c->stringArgs, expected[i].strings) << c->name;
    EXPECT_EQ(c->intArgs, expected[i].ints) << c->name;
  }

  // The host loads the same plug-in again: Initialize runs, nothing registers.
  simhost_clear_commands();
  plugin.Initialize();
  EXPECT_EQ(console.take(),
            "CorvelIntf> Initialize() - enter\n"
            "CorvelIntf> DLL_CorvelInit() - start\n"
            "CorvelIntf> Corvel functions already loaded."
            "CorvelIntf> Initialize() - exit\n");
  EXPECT_EQ(simhost_command_count(), 0);
}

TEST_F(EntryPoints, AFailedRegistrationIsReportedAndLeavesTheFlagClear) {
  simhost_set_register_result(0);
  ::testing::internal::CaptureStderr();
  plugin.Initialize();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "TOLK_register_console_function() corvel_load_tcs failed\n");
  EXPECT_EQ(console.take(),
            "CorvelIntf> Initialize() - enter\n"
            "CorvelIntf> DLL_CorvelInit() - start\n"
            "CorvelIntf>   registering functions\n"
            "CorvelIntf> Initialize() - exit\n");
  simhost_set_register_result(1);
  plugin.Initialize();
  EXPECT_EQ(console.take(), kRegistration);
  EXPECT_EQ(simhost_command_count(), 10);
}

TEST_F(EntryPoints, VerboseLevelIsZeroToEightOrNine) {
  plugin.Initialize();
  console.take();
  const std::vector<std::pair<int32_t, int32_t>> cases = {
      {12, 9}, {-1, 9}, {8, 8}, {0, 0}, {9, 9}, {1, 1}, {-2147483647 - 1, 9}, {2147483647, 9}};
  for (auto [requested, stored] : cases) {
    EXPECT_EQ(PluginCopy::command("corvel_verbose", {}, {requested}), 1);
    EXPECT_EQ(console.take(),
              "CorvelIntf> corvel verbose level = " + std::to_string(stored) + ".\n")
        << requested;
  }
}

TEST_F(EntryPoints, PortRegistrationWithoutABlockIsReportedNotFollowed) {
  plugin.Initialize();
  console.take();
  PyxPortHandle handle = reinterpret_cast<PyxPortHandle>(0x1);
  plugin.InitializeRxPort(0, 0, 3, nullptr, &handle);
  EXPECT_EQ(handle, reinterpret_cast<PyxPortHandle>(0x1));
  uint32_t block[3] = {1, 2, 3};
  plugin.InitializeTxPort(0, 0, 4, block, nullptr);
  EXPECT_EQ(console.take(),
            "CorvelIntf> InitializeRxPort(...) - enter \n"
            "CorvelIntf> ERROR: Exception during InitializeRxPort!\n"
            "CorvelIntf> InitializeRxPort(...) - exit \n"
            "CorvelIntf> InitializeTxPort(...) - enter \n"
            "CorvelIntf> ERROR: Exception during InitializeTxPort!\n"
            "CorvelIntf> InitializeTxPort(...) - exit \n");
  // Neither record reached the host-port list: a load sees no ports.
  test::TempTcsFile tcs("entry_no_ports.tcs", test::kTcsWithoutPorts);
  PluginCopy::command("corvel_load_tcs", {tcs.path()});
  EXPECT_THAT(console.take(),
              HasSubstr("Corvel> The workbench registered 0 rxPorts and 0 txPorts.\n"));
}

TEST_F(EntryPoints, LoadOfAMissingFileReportsTheTextAndKeepsTheController) {
  startHost();
  const std::string path = test::missingTcsPath();
  EXPECT_EQ(PluginCopy::command("corvel_load_tcs", {path.c_str()}), 0);
  EXPECT_EQ(console.take(),
            std::string(kLoadBanner) +
                "Corvel> Transistion corvel to enCorvelStateError.\n"
                "Corvel> ERROR: Exception while loading TCS file " +
                path +
                " [TCS configuration file does not exists.\n]\n"
                "Corvel> ERROR: [TCS configuration file does not exists.\n]\n"
                "CorvelIntf> ERROR: Exception during corvel_load_tcs!\n"
                "CorvelIntf> TCS configuration file does not exists.\n"
                "CorvelIntf> corvel_load_tcs() - exit\n");

  // A second load without a close loads nothing.
  EXPECT_EQ(PluginCopy::command("corvel_load_tcs", {path.c_str()}), 0);
  EXPECT_EQ(console.take(), std::string(kLoadBanner) + "CorvelIntf> corvel_load_tcs() - exit\n");

  // The failed controller refuses byte calls and delivers nothing.
  uint8_t byte = 0x42, endOfPacket = 1;
  EXPECT_EQ(plugin.GetNextByte(rx2, 5, &byte, &endOfPacket), 0);
  EXPECT_EQ(byte, 0x42);
  EXPECT_EQ(endOfPacket, 0);
  EXPECT_EQ(console.take(), "Corvel> [OnGetNextByte] Error, Corvel is not in running state\n");
  // Its registry was never initialised: the lookup fails inside the export.
  EXPECT_EQ(plugin.GetInterpacketTime(rx2), 0);
  EXPECT_EQ(console.take(), "CorvelIntf> ERROR: Exception during GetInterpacketTime!\n");

  plugin.CloseTxPort(nullptr);
  EXPECT_EQ(console.take(),
            "CorvelIntf> CloseTxPort(...) - enter\n"
            "Corvel> Corvel transistion to enCorvelStateStop state\n"
            "CorvelIntf> deleting Corvel object.\n"
            "CorvelIntf> setting pointer to Corvel to zero.\n"
            "CorvelIntf> deleting of Corvel object complete\n"
            "CorvelIntf> CloseTxPort(...) - exit\n");
  plugin.CloseRxPort(nullptr);
  EXPECT_EQ(console.take(),
            "CorvelIntf> CloseRxPort(...) - enter\n"
            "CorvelIntf> Warning, Corvel object was already deleted.\n"
            "CorvelIntf> CloseRxPort(...) - exit\n");
  // Without a controller the byte calls are silent again.
  EXPECT_EQ(plugin.GetNextByte(rx2, 6, &byte, &endOfPacket), 0);
  EXPECT_EQ(console.take(), "");
}

TEST_F(EntryPoints, LoadWithoutPortSectionsConnectsPortsInKeyOrderAndStops) {
  startHost();
  test::TempTcsFile tcs("entry_without_ports.tcs", test::kTcsWithoutPorts);
  EXPECT_EQ(PluginCopy::command("corvel_load_tcs", {tcs.path()}), 0);
  const std::string out = console.take();
  EXPECT_TRUE(out.starts_with(kLoadBanner)) << out;
  const char* ordered[] = {
      "Corvel> The workbench registered 2 rxPorts and 1 txPorts.\n",
      "Corvel>   Connected generator object Device 0 Port 10.\n",
      "Corvel>   Connected generator object Device 0 Port 2.\n",
      "Corvel>   Connected capture object Device 0 Port 1.\n",
      "Corvel>   No RxPorts found\n",
      "Corvel>   No TxPorts found\n",
      "Corvel> Transistion corvel to enCorvelStateStop.\n",
      "CorvelIntf> corvel_load_tcs() - exit\n",
  };
  size_t at = 0;
  for (const char* line : ordered) {
    const size_t found = out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "in:\n" << out;
    at = found + 1;
  }

  EXPECT_EQ(PluginCopy::command("corvel_start"), 0);
  EXPECT_EQ(console.take(),
            "CorvelIntf> corvel_start() - enter \n"
            "Corvel> Cannot InitializeStreams, not in the enCorvelStateTcsLoaded state\n"
            "CorvelIntf> corvel_start() - exit\n");

  plugin.SendNextByte(tx1, 9, 0xEE, 1);
  EXPECT_EQ(console.take(), "Corvel> [OnSendNextByte] Error, Corvel is not in running state\n");
}

// The host ports outlive the controller; a second load after a close must not
// reach the port objects of the first.
TEST_F(EntryPoints, ALoadAfterACloseStartsFromFreshPortObjects) {
  startHost();
  test::TempTcsFile tcs("entry_reload.tcs", test::kTcsWithoutPorts);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(PluginCopy::command("corvel_load_tcs", {tcs.path()}), 0);
    // Resolves (and caches) the generator of each receive port.
    EXPECT_EQ(plugin.GetInterpacketTime(rx2), 0);
    EXPECT_EQ(plugin.GetInterpacketTime(rx10), 0);
    plugin.CloseRxPort(nullptr);
    const std::string out = console.take();
    EXPECT_THAT(out, HasSubstr("Corvel>   Connected generator object Device 0 Port 2.\n"));
    EXPECT_THAT(out, HasSubstr("CorvelIntf> deleting of Corvel object complete\n"));
    // The only errors are the port readers' notes that the file has no ports.
    EXPECT_THAT(out, ::testing::Not(HasSubstr("Exception")));
    EXPECT_THAT(out, ::testing::Not(HasSubstr("Error,")));
  }
}

TEST_F(EntryPoints, ByteCallsSurviveMissingPointers) {
  startHost();
  test::TempTcsFile tcs("entry_null_pointers.tcs", test::kTcsWithoutPorts);
  PluginCopy::command("corvel_load_tcs", {tcs.path()});
  console.take();
  EXPECT_EQ(plugin.GetNextByte(rx2, 1, nullptr, nullptr), 0);
  EXPECT_EQ(plugin.GetInterpacketTime(nullptr), 0);
  plugin.SendNextByte(nullptr, 1, 0, 0);
  EXPECT_EQ(console.take(),
            "Corvel> [OnGetNextByte] Error, Corvel is not in running state\n"
            "Corvel> [OnSendNextByte] Error, Corvel is not in running state\n");
  plugin.CloseRxPort(nullptr);
}

TEST_F(EntryPoints, TxConfigurationBeforeALoadHasNoEffect) {
  startHost();
  EXPECT_EQ(PluginCopy::command("corvel_set_tx_configuration", {"GUI"}), 0);
  EXPECT_EQ(console.take(), "CorvelIntf> corvel_set_tx_configuration(...) - enter \n");
  plugin.CloseRxPort(nullptr);
  EXPECT_THAT(console.take(), HasSubstr("Warning, Corvel object was already deleted."));
}

TEST_F(EntryPoints, ExtractWithoutATemplateManagerAnswersZero) {
  startHost();
  EXPECT_EQ(PluginCopy::command("corvel_extract_tcs", {"out.tcs"}, {1}), 0);
  EXPECT_EQ(console.take(),
            "CorvelIntf> corvel_extract_tcs() - enter\n"
            "CorvelIntf> corvel_extract_tcs() - exit\n");
}

TEST_F(EntryPoints, ExtractModeOneOverwritesAnyOtherAppends) {
  startHost();
  PluginCopy::command("corvel_set_root_dir", {"/tmp"});
  const std::string created = console.take();
  EXPECT_TRUE(created.starts_with("CorvelIntf> corvel_set_root_dir() - enter\n"
                                  "Corvel> Instantiating TemplateMgr \n"))
      << created;
  EXPECT_TRUE(created.ends_with("CorvelIntf> corvel_set_root_dir() - exit\n")) << created;

  for (auto [mode, word] : std::vector<std::pair<int32_t, const char*>>{
           {0, "append"}, {1, "overwrite"}, {2, "append"}, {-1, "append"}}) {
    PluginCopy::command("corvel_extract_tcs", {"out.tcs"}, {mode});
    const std::string out = console.take();
    EXPECT_TRUE(out.starts_with(std::string("CorvelIntf> corvel_extract_tcs() - enter\n"
                                            "CorvelIntf> Extracting to out.tcs (") +
                                word + ")\n"))
        << out;
    EXPECT_TRUE(out.ends_with("CorvelIntf> corvel_extract_tcs() - exit\n")) << out;
  }
}

TEST_F(EntryPoints, TemplateCommandsShareOneManagerThatTheTeardownDeletes) {
  startHost();
  EXPECT_EQ(PluginCopy::command("corvel_set_int_parameter", {"COUNT"}, {-5}), 0);
  EXPECT_THAT(console.take(), HasSubstr("Corvel> Instantiating TemplateMgr \n"));
  PluginCopy::command("corvel_set_parameter", {"NAME", "value"});
  PluginCopy::command("corvel_load_template", {"template.tcs"});
  const std::string out = console.take();
  EXPECT_THAT(out, ::testing::Not(HasSubstr("Instantiating")));
  EXPECT_THAT(out, HasSubstr("CorvelIntf> corvel_load_template() - enter\n"));
  EXPECT_THAT(out, HasSubstr("CorvelIntf> corvel_load_template() - exit\n"));
  EXPECT_EQ(PluginCopy::command("corvel_char_function", {"a", "b", "c"}), 0);
  EXPECT_EQ(console.take(), "");

  plugin.CloseRxPort(nullptr);
  EXPECT_EQ(console.take(),
            "CorvelIntf> CloseRxPort(...) - enter\n"
            "CorvelIntf> deleting TemplateMgr object.\n"
            "CorvelIntf> Warning, Corvel object was already deleted.\n"
            "CorvelIntf> CloseRxPort(...) - exit\n");
}

// The optional exports of our own: the run report answers as snprintf does
// and numbers the teardowns; a quiet console drops the enter/exit lines only.
TEST_F(EntryPoints, RunReportAndQuietConsole) {
  using ReportFn = uint32_t (*)(char*, uint32_t);
  using QuietFn = void (*)(uint32_t);
  const auto report = reinterpret_cast<ReportFn>(plugin.symbol("CorvelRunReport"));
  const auto quiet = reinterpret_cast<QuietFn>(plugin.symbol("CorvelQuietConsole"));
  ASSERT_NE(report, nullptr);
  ASSERT_NE(quiet, nullptr);
  auto text = [&] {
    std::string out(report(nullptr, 0) + 1, '\0');
    out.resize(report(out.data(), static_cast<uint32_t>(out.size())));
    return out;
  };
  const std::string none = "{\"format\":\"corvel-run-report\",\"version\":1,\"run\":0}";
  EXPECT_EQ(text(), none);
  char small[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(report(small, sizeof small), none.size());
  EXPECT_EQ(std::string(small), none.substr(0, 4));

  startHost();
  test::TempTcsFile tcs("entry_report.tcs", test::kTcsWithoutPorts);
  struct Round {
    std::string file;
    const char* run;
    const char* loaded;
  };
  for (const Round& round : {Round{tcs.path(), "\"run\":1,", "\"loaded\":true,"},
                             Round{"no_such_file.tcs", "\"run\":2,", "\"loaded\":false,"}}) {
    PluginCopy::command("corvel_load_tcs", {round.file.c_str()});
    plugin.CloseRxPort(nullptr);
    const std::string now = text();
    EXPECT_THAT(now, HasSubstr(round.run));
    EXPECT_THAT(now, HasSubstr("\"tcs\":\"" + round.file + "\","));
    EXPECT_THAT(now, HasSubstr(round.loaded));
    EXPECT_THAT(now, HasSubstr("\"start_attempted\":false,\"started\":false,"));
  }
  // A second close finds nothing to tear down: the report stays the last run's.
  plugin.CloseTxPort(nullptr);
  EXPECT_THAT(text(), HasSubstr("\"run\":2,"));
  console.take();

  quiet(1);
  EXPECT_EQ(PluginCopy::command("corvel_start"), 0);
  PluginCopy::command("corvel_verbose", {}, {5});
  EXPECT_EQ(console.take(), "CorvelIntf> corvel verbose level = 5.\n");
  quiet(0);
  EXPECT_EQ(PluginCopy::command("corvel_start"), 0);
  EXPECT_EQ(console.take(), "CorvelIntf> corvel_start() - enter \nCorvelIntf> corvel_start() - exit\n");
}

}  // namespace
}  // namespace corvel
