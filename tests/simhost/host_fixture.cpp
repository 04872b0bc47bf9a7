#include "host_fixture.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <sstream>

#include "pyx/simhost_api.h"
#include "script_runner.h"

namespace pyxsim::test {

namespace {

void capture(void* context, const char* text, int isError) {
  auto* console = static_cast<CapturedConsole*>(context);
  (isError ? console->err : console->out) += text;
}

template <typename Fn>
Fn lookup(void* library, const char* name) {
  void* symbol = dlsym(library, name);
  EXPECT_NE(symbol, nullptr) << name;
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

std::string binPath(const std::string& name) { return std::string(CORVEL_BIN_DIR) + "/" + name; }

void HostFixture::SetUp() {
  previousDir_ = std::filesystem::current_path();
  std::string pattern = (std::filesystem::temp_directory_path() / "simhost_test_XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  dir_ = pattern;
  std::filesystem::current_path(dir_);
  simhost_set_console_sink(&capture, &console_);
}

void HostFixture::TearDown() {
  table_.reset();
  host_.reset();
  simhost_set_console_sink(nullptr, nullptr);
  std::filesystem::current_path(previousDir_);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void HostFixture::makeHost(HostSettings settings) {
  if (host_) return;
  host_ = std::make_unique<Host>(settings);
  table_ = std::make_unique<CommandTable>(*host_);
}

void HostFixture::loadFake() {
  makeHost();
  host_->loadPlugin(fakePluginPath());
  void* library = dlopen(fakePluginPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr);
  fakeEventCount_ = lookup<FakeEventCountFn>(library, "fake_event_count");
  fakeEventAt_ = lookup<FakeEventAtFn>(library, "fake_event_at");
  fakeInitializeCount_ = lookup<FakeCounterFn>(library, "fake_initialize_count");
  fakeHookCount_ = lookup<FakeCounterFn>(library, "fake_hook_count");
  fakeAsks_ = lookup<FakeAsksFn>(library, "fake_asks");
  // The host keeps the library loaded; this reference is not needed.
  dlclose(library);
}

bool HostFixture::script(const std::string& text, bool strict) {
  makeHost();
  ScriptRunner runner(*table_, *host_, strict);
  std::istringstream in(text);
  runner.runStream(in, "test.pyx");
  return !runner.failed();
}

std::vector<FakeEvent> HostFixture::events(int kind) const {
  std::vector<FakeEvent> found;
  const int count = fakeEventCount_();
  for (int i = 0; i < count; ++i) {
    FakeEvent e{};
    if (fakeEventAt_(i, &e) && e.kind == kind) found.push_back(e);
  }
  return found;
}

}  // namespace pyxsim::test
