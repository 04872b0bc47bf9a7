// Arbitrary bytes as a TCS file, read as far as the streams: tables, host
// command functions and stream sets, then every stream set is built as a
// port reader builds it and the first PDUs of each stack are framed. Nothing
// may crash, leak or throw anything but a message text. Loop tables whose
// loops would run very long are passed over: a long table is legitimate but
// only slows the fuzzer down. The bytes go through a file because the load
// reads TCS files by name.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "corvel/base/text_error.h"
#include "corvel/protocols/data_generator.h"
#include "corvel/protocols/encapsulator_factory.h"
#include "corvel/tcs/stream_set_definition.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/tcs/tcs_stream_mgt.h"
#include "fuzz/scratch_directory.h"
#include "pyx/simhost_api.h"

namespace {

std::unique_ptr<corvel::fuzz::ScratchDirectory> g_scratch;

void dropConsole(void*, const char*, int) {}

constexpr int32_t kPdusPerStack = 3;

void frameStacks(const corvel::TcsManager& manager, const corvel::StreamSetDefinition& set) {
  using namespace corvel;
  int32_t index = 0;
  for (const auto& stack : set.stacks()) {
    ChainSettings settings;
    settings.computeCrc = manager.computeCrc();
    settings.streamIndex = index++;
    try {
      std::unique_ptr<DataGenerator> builder = buildFrameBuilder(*stack, settings);
      for (int32_t pdu = 1; pdu <= kPdusPerStack; ++pdu) {
        if (builder->generate(pdu).empty()) break;
      }
    } catch (const TextError&) {
      // A stack that cannot carry frames says so in a message text.
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  simhost_set_console_sink(dropConsole, nullptr);
  g_scratch = std::make_unique<corvel::fuzz::ScratchDirectory>("fuzz_streams");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace corvel;
  if (!g_scratch->ok() || !g_scratch->writeInput(data, size)) return 0;
  TcsDocument document;
  try {
    LoadDocument(document, g_scratch->inputFile());
  } catch (const TextError&) {
    return 0;
  }
  if (corvel::fuzz::hasLongLoop(document)) return 0;
  TcsManager manager(document);
  try {
    if (!manager.readRootAttributes()) return 0;
    manager.readTableEntries();
    manager.readFunctionDefinitions();
    manager.readStreams();
  } catch (const TextError&) {
    return 0;
  }
  for (const auto& [id, set] : manager.streamSets()) {
    BuildStreamSet(manager, *set);
    if (manager.status() != TcsManager::kStatusOk) break;
    frameStacks(manager, *set);
  }
  return 0;
}
