// Helpers of the TCS manager tests: console capture, fixture paths, and a
// fixture document loaded with a manager on it whose protocol elements are
// found by their instance_id.
#pragma once

#include "tests/support/console_capture.h"

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>

#include "corvel/protocols/hex_text.h"
#include "corvel/protocols/protocol_config.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/xml_access.h"
#include "pyx/simhost_api.h"

namespace corvel::test {

inline std::string FixturePath(const std::string& name) {
  return std::string(CORVEL_TEST_DATA) + "/tcs/" + name;
}

inline std::string Hex(std::span<const uint8_t> bytes) { return bytesToHex(bytes); }
inline std::string HeaderHex(const ProtocolConfig& config) { return Hex(config.headerBytes()); }
inline std::string TrailerHex(const ProtocolConfig& config) { return Hex(config.trailerBytes()); }

// The place line that follows a report about an element of
// proto_elements.tcs; `where` is "LINE, <name>" with, when one attribute is
// at fault, " attribute NAME=\"VALUE\"".
inline std::string Place(const std::string& where) {
  return "Corvel>   at " + FixturePath("proto_elements.tcs") + ":" + where + "\n";
}

// A fixture document and a manager on it, as the controller has them during
// a load.
class LoadedTcs {
 public:
  explicit LoadedTcs(const std::string& fixture) {
    LoadDocument(_document, FixturePath(fixture));
    _manager = std::make_unique<TcsManager>(_document);
  }

  TcsManager& manager() { return *_manager; }

  // The element whose instance_id is `id`; fails the test when there is none.
  xmlNode* element(const std::string& id) {
    xmlNode* node = selectSingleNode(_document.documentNode(), "//*[@instance_id='" + id + "']");
    EXPECT_NE(node, nullptr) << "no element " << id;
    return node;
  }

  // CreateProtocol on that element, under its own name.
  ProtocolList read(const std::string& id, int32_t setType = enSetTypeGenerate,
                    int32_t mode = enReadModeValue) {
    xmlNode* node = element(id);
    if (node == nullptr) return {};
    const std::string name = GetNodeName(node).value_or("");
    return _manager->CreateProtocol(node, name, setType, mode);
  }

  // The single configuration an element yields; null (and a failure) when it
  // yields none or several.
  std::unique_ptr<ProtocolConfig> readOne(const std::string& id,
                                          int32_t setType = enSetTypeGenerate,
                                          int32_t mode = enReadModeValue) {
    ProtocolList list = read(id, setType, mode);
    EXPECT_EQ(list.size(), 1u) << id;
    if (list.size() != 1) return nullptr;
    return std::move(list.front());
  }

 private:
  TcsDocument _document;
  std::unique_ptr<TcsManager> _manager;  // borrows _document: destroyed first
};

// The test base: console captured from before the load, and the load's own
// lines already taken.
class ProtocolReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { console.take(); }

  ConsoleCapture console;
  LoadedTcs tcs{"proto_elements.tcs"};
};

}  // namespace corvel::test
