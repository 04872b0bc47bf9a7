// Runs pyxsim with the corvel_lite plug-in, as a user would from a shell, and
// compares the whole console transcript.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct RunResult {
  std::string output;
  int status = -1;
};

RunResult runPyxsim(const fs::path& dir, const std::string& script) {
  fs::create_directories(dir);
  std::ofstream(dir / "run.pyx") << script;
  const std::string cmd = "cd '" + dir.string() + "' && '" CORVEL_BIN_DIR "/pyxsim' run.pyx 2>&1";
  RunResult result;
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer{};
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.output.append(buffer.data(), n);
  const int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

// Keeps only the plug-in's own lines (the host's "pyxsim> " lines and its
// final verdict line are the host program's business and tested with it).
std::string pluginLines(const std::string& text) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (line.rfind("pyxsim>", 0) != 0 && line.rfind("pyxsim: PASS: ", 0) != 0 && line.rfind("pyxsim: FAIL: ", 0) != 0)
      out += line + "\n";
    start = end + 1;
  }
  return out;
}

const char* const kPlugin = CORVEL_BIN_DIR "/libcorvel_lite.so";

TEST(PyxsimCorvel, PortsVerboseRunAndTwoTeardownsBeforeAnyLoad) {
  const std::string script = std::string("plugin ") + kPlugin +
                             "\n"
                             "rx_port 0 2\n"
                             "rx_port 0 10\n"
                             "tx_port 0 1\n"
                             "corvel_verbose 12\n"
                             "run 100\n"
                             "close\n"
                             "close\n";
  const RunResult r = runPyxsim(fs::temp_directory_path() / "corvel_e2e_teardown", script);
  EXPECT_EQ(r.status, 0) << r.output;
  const std::string expected =
      "GetForeignModelFunctions(...) - start\n"
      "GetForeignModelFunctions(...) - exit\n"
      "foreign_model_initialize() - enter\n"
      "foreign_model_initialize() - exit\n"
      "CorvelIntf> Initialize() - enter\n"
      "CorvelIntf> DLL_CorvelInit() - start\n"
      "CorvelIntf>   registering functions\n"
      "CorvelIntf> DLL_CorvelInit() - exit\n"
      "CorvelIntf> Initialize() - exit\n"
      "CorvelIntf> InitializeRxPort(...) - enter \n"
      "CorvelTestPyxSeries> adding to WorkbenchInterface.glb_deviceList\n"
      "CorvelIntf>   Device 0 Port 2 Rate 100 InterPktTime 8 MediaBusClockFreq 66\n"
      "CorvelIntf> InitializeRxPort(...) - exit \n"
      "CorvelIntf> InitializeRxPort(...) - enter \n"
      "CorvelTestPyxSeries> adding to WorkbenchInterface.glb_deviceList\n"
      "CorvelIntf>   Device 0 Port 10 Rate 100 InterPktTime 8 MediaBusClockFreq 66\n"
      "CorvelIntf> InitializeRxPort(...) - exit \n"
      "CorvelIntf> InitializeTxPort(...) - enter \n"
      "CorvelIntf> adding to WorkbenchInterface.glb_deviceList (PyxLite)\n"
      "CorvelIntf>   Device 0 Port 1 Rate 100 InterPktTime 8 MediaBusClockFreq 66\n"
      "CorvelIntf> InitializeTxPort(...) - exit \n"
      "CorvelIntf> corvel verbose level = 9.\n"
      // The first close tears down (no controller was ever made), once per
      // receive port; the second close goes through the transmit side.
      "CorvelIntf> CloseRxPort(...) - enter\n"
      "CorvelIntf> Warning, Corvel object was already deleted.\n"
      "CorvelIntf> CloseRxPort(...) - exit\n"
      "CorvelIntf> CloseRxPort(...) - enter\n"
      "CorvelIntf> Warning, Corvel object was already deleted.\n"
      "CorvelIntf> CloseRxPort(...) - exit\n"
      "CorvelIntf> CloseTxPort(...) - enter\n"
      "CorvelIntf> Warning, Corvel object was already deleted.\n"
      "CorvelIntf> CloseTxPort(...) - exit\n";
  EXPECT_EQ(pluginLines(r.output), expected);
}

TEST(PyxsimCorvel, LoadingThePluginAgainInitializesAgain) {
  const std::string script = std::string("plugin ") + kPlugin + "\nplugin " + kPlugin + "\n";
  const RunResult r = runPyxsim(fs::temp_directory_path() / "corvel_e2e_reload", script);
  EXPECT_EQ(r.status, 0) << r.output;
  const std::string lines = pluginLines(r.output);
  // The command table is registered once; the second Initialize says so.
  EXPECT_NE(lines.find("CorvelIntf> DLL_CorvelInit() - start\nCorvelIntf> Corvel functions already loaded."),
            std::string::npos)
      << lines;
  size_t count = 0;
  for (size_t at = lines.find("CorvelIntf> Initialize() - enter"); at != std::string::npos;
       at = lines.find("CorvelIntf> Initialize() - enter", at + 1))
    ++count;
  EXPECT_EQ(count, 2u);
}

TEST(PyxsimCorvel, LoadOfMissingTcsFileEndsInErrorAndByteCallsStayQuiet) {
  const std::string script = std::string("plugin ") + kPlugin +
                             "\n"
                             "rx_port 0 0\n"
                             "tx_port 0 0\n"
                             "corvel_load_tcs no_such_file.tcs\n"
                             "run 10\n"
                             "close\n";
  const RunResult r = runPyxsim(fs::temp_directory_path() / "corvel_e2e_missing", script);
  // A TCS file that does not load fails the run.
  EXPECT_EQ(r.status, 3) << r.output;
  EXPECT_NE(r.output.find("TCS configuration file does not exists."), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("CorvelIntf> deleting of Corvel object complete\n"), std::string::npos) << r.output;
  // Nothing was delivered while the controller was not running.
  EXPECT_NE(r.output.find("0/0         rx             0              0"), std::string::npos) << r.output;
}

}  // namespace
