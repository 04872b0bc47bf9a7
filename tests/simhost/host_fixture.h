// A host in a scratch working directory with the test plug-in loaded and the
// console captured.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "command_table.h"
#include "fake/fake_plugin.h"
#include "host.h"

namespace pyxsim::test {

std::string binPath(const std::string& name);
inline std::string fakePluginPath() { return binPath("libsimhost_fake_plugin.so"); }

struct CapturedConsole {
  std::string out;  // TOLK_printf
  std::string err;  // TOLK_printf_error
};

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the host (once); tests that change settings call it first.
  void makeHost(HostSettings settings = {});
  // Loads the test plug-in and looks up its queries.
  void loadFake();
  // Runs script text as the file "test.pyx"; answers whether no line failed.
  bool script(const std::string& text, bool strict = false);

  std::vector<FakeEvent> events(int kind) const;
  uint64_t asks(int32_t device, int32_t port) const { return fakeAsks_(device, port); }
  int initializeCount() const { return fakeInitializeCount_(); }
  int hookCount() const { return fakeHookCount_(); }

  std::filesystem::path dir_;
  CapturedConsole console_;
  std::unique_ptr<Host> host_;
  std::unique_ptr<CommandTable> table_;

 private:
  std::filesystem::path previousDir_;
  FakeEventCountFn fakeEventCount_ = nullptr;
  FakeEventAtFn fakeEventAt_ = nullptr;
  FakeCounterFn fakeInitializeCount_ = nullptr;
  FakeCounterFn fakeHookCount_ = nullptr;
  FakeAsksFn fakeAsks_ = nullptr;
};

}  // namespace pyxsim::test
