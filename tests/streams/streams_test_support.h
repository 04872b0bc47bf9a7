// Shared pieces of the streams tests: console capture and a fixture document
// whose tables and stream sets have been read, as a load has them when the
// port readers start building sets.
#pragma once

#include "tests/support/console_capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/tcs/stream_set_definition.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/tcs/tcs_stream_mgt.h"
#include "pyx/simhost_api.h"

namespace corvel::test {

inline std::string StreamsFixture(const std::string& name) {
  return std::string(CORVEL_TEST_DATA) + "/streams/" + name;
}

// The place line that follows a report about streams.tcs; `where` is
// "LINE, <name>..." or, for an element made by the test, ", <name>...".
inline std::string StreamsPlace(const std::string& where) {
  const std::string separator = where.starts_with(",") ? "" : ":";
  return "Corvel>   at " + StreamsFixture("streams.tcs") + separator + where + "\n";
}

// streams.tcs loaded, its tables and stream sets read, the console emptied.
class StreamSetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadDocument(document, StreamsFixture("streams.tcs"));
    manager = std::make_unique<TcsManager>(document);
    ASSERT_TRUE(manager->readTableEntries());
    ASSERT_TRUE(manager->readStreams());
    console.take();
  }

  StreamSetDefinition& set(const std::string& id) {
    auto found = manager->streamSets().find(id);
    if (found == manager->streamSets().end()) throw std::runtime_error("no stream set " + id);
    return *found->second;
  }

  // BuildStreamSet on the named set, as a port reader calls it.
  StreamSetDefinition& build(const std::string& id) {
    StreamSetDefinition& record = set(id);
    BuildStreamSet(*manager, record);
    return record;
  }

  ConsoleCapture console;
  TcsDocument document;
  std::unique_ptr<TcsManager> manager;  // borrows the document: destroyed first
};

// Typed access to a layer of a stack (index 0 the payload).
template <class Config>
const Config& Layer(const ProtocolStack& stack, int32_t index) {
  const auto* config = dynamic_cast<const Config*>(&stack.at(index));
  if (config == nullptr) throw std::runtime_error("layer " + std::to_string(index) + " has another type");
  return *config;
}

// Dotted-decimal text of an address held in host order.
inline std::string Dotted(uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xff,
                (address >> 8) & 0xff, address & 0xff);
  return text;
}

}  // namespace corvel::test
