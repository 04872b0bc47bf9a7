#include "plugin_harness.h"

#include <atomic>
#include <fstream>

#include <gtest/gtest.h>

#include "pyx/simhost_api.h"

namespace cellgen_test {

namespace {
std::atomic<int> scratchCount{0};
}

ScratchDir::ScratchDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "cellgen_scratch_" + std::to_string(scratchCount++);
  if (info) name += std::string("_") + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  _dir = std::filesystem::absolute(name);
  std::filesystem::remove_all(_dir);
  std::filesystem::create_directories(_dir);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(_dir, ignored);
}

std::string ScratchDir::path(const std::string& name) const { return (_dir / name).string(); }

std::string ScratchDir::write(const std::string& name, const std::string& text) const {
  const std::string full = path(name);
  std::ofstream out(full, std::ios::binary);
  out << text;
  return full;
}

PluginHarness::PluginHarness() {
  simhost_set_console_sink(&PluginHarness::capture, this);
  Initialize();
}

PluginHarness::~PluginHarness() {
  Reset();
  for (PyxPortHandle handle : _handles) CloseRxPort(handle);
  simhost_set_console_sink(nullptr, nullptr);
}

void PluginHarness::capture(void* context, const char* text, int isError) {
  auto* self = static_cast<PluginHarness*>(context);
  (isError ? self->_errors : self->_output) += text;
}

int PluginHarness::load(const std::string& fileName) {
  const SimhostConsoleCommand* command = simhost_find_command("cellgen_load_config");
  EXPECT_NE(command, nullptr);
  if (!command) return -1;
  EXPECT_EQ(command->stringArgs, 1);
  EXPECT_EQ(command->intArgs, 0);
  const char* args[] = {fileName.c_str()};
  return simhost_call_command(command, args, nullptr);
}

int PluginHarness::loadText(const std::string& config) {
  return load(_dir.write("config" + std::to_string(_configs++) + ".txt", config));
}

PyxPortHandle PluginHarness::openPort(std::uint32_t device, std::uint32_t port) {
  std::uint32_t block[3] = {100, 8, 66};
  PyxPortHandle handle = nullptr;
  InitializeRxPort(0, device, port, block, &handle);
  EXPECT_NE(handle, nullptr);
  _handles.push_back(handle);
  return handle;
}

Bytes PluginHarness::packet(PyxPortHandle handle) {
  Bytes bytes;
  // Bounded: the longest packet cellgen sends is one RAW line.
  for (std::uint32_t cycle = 0; cycle < 100000; ++cycle) {
    std::uint8_t byte = 0xEE;
    std::uint8_t end = 0xEE;
    if (!GetNextByte(handle, cycle, &byte, &end)) {
      EXPECT_EQ(end, 0);
      EXPECT_TRUE(bytes.empty()) << "packet stopped without end-of-packet after " << hex(bytes);
      return bytes;
    }
    bytes.push_back(byte);
    if (end) {
      EXPECT_EQ(end, 1);
      return bytes;
    }
  }
  ADD_FAILURE() << "no end-of-packet";
  return bytes;
}

std::vector<Bytes> PluginHarness::packets(PyxPortHandle handle, std::size_t count) {
  std::vector<Bytes> result;
  for (std::size_t i = 0; i < count; ++i) result.push_back(packet(handle));
  return result;
}

std::string hex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

Bytes fromHex(const std::string& text) {
  Bytes bytes;
  int high = -1;
  for (char c : text) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  return bytes;
}

}  // namespace cellgen_test
