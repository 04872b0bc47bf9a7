// Arbitrary bytes as a template and parameter values. The input is the
// template text, then, after the first NUL byte, one "NAME=VALUE" assignment
// per line. The manager reads the template from a private directory, takes
// the assignments and extracts out.tcs. Whatever happens, no temporary file
// may be left beside the output, and an extraction that succeeded must have
// left an output that the TCS loader reads.
#include <dirent.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "corvel/base/text_error.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/template/template_mgr.h"
#include "fuzz/scratch_directory.h"
#include "pyx/simhost_api.h"

namespace {

std::unique_ptr<corvel::fuzz::ScratchDirectory> g_scratch;
std::string g_root;  // the scratch directory, ending in '/'

// Assignments per input; more than any template of the seeds declares.
constexpr int kMaxAssignments = 64;

void dropConsole(void*, const char*, int) {}

bool writeFile(const std::string& path, std::string_view text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

bool temporaryFileLeft() {
  DIR* dir = ::opendir(g_root.c_str());
  if (dir == nullptr) return false;
  bool left = false;
  while (const dirent* entry = ::readdir(dir))
    if (std::string_view(entry->d_name).starts_with("out.tcs.tmp")) left = true;
  ::closedir(dir);
  return left;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  simhost_set_console_sink(dropConsole, nullptr);
  g_scratch = std::make_unique<corvel::fuzz::ScratchDirectory>("fuzz_template");
  if (g_scratch->ok()) g_root = g_scratch->path().string() + "/";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (g_root.empty()) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  if (!writeFile(g_root + "template.tcs", input.substr(0, split))) return 0;
  std::remove((g_root + "out.tcs").c_str());

  corvel::TemplateMgr manager;
  bool extracted = false;
  if (manager.SetCorvelRoot(g_root.c_str()) && manager.ReadTemplateStub("template.tcs")) {
    std::string_view rest = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    for (int n = 0; n < kMaxAssignments && !rest.empty(); ++n) {
      const size_t end = rest.find('\n');
      const std::string_view line = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      const size_t equals = line.find('=');
      const std::string name(line.substr(0, equals));
      const std::string value(equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1));
      manager.SetParameter(name.c_str(), value.c_str());
    }
    extracted = manager.extractTcs("out.tcs", true);
  }
  if (temporaryFileLeft()) __builtin_trap();
  if (extracted) {
    corvel::TcsDocument output;
    try {
      corvel::LoadDocument(output, g_root + "out.tcs");
    } catch (const corvel::TextError&) {
      __builtin_trap();
    }
  }
  return 0;
}
