// The readers and the header field tables agree: every attribute a table
// names sets exactly that field's bits, and every registered protocol has
// the reader of its element.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/protocols/protocol_registry.h"
#include "corvel/tcs/tcs_protocol_readers.h"
#include "tcs_test_support.h"

namespace corvel {
namespace {

// The value every field is set to: all ones, except where the setter allows
// less than the field holds (an interpyx CT is 1, 2 or 4); the byte images of
// wide fields alternate a5 and 5a.
std::string hexValue(const HeaderField& field) {
  if (field.name == InterPyxWire::kCt.name && field.byte == InterPyxWire::kCt.byte) return "0x4";
  std::string digits;
  if (isNumericField(field)) {
    const int32_t count = (field.width + 3) / 4;
    const uint64_t value = bitFieldMax(field.width);
    for (int32_t i = count - 1; i >= 0; --i) digits += "0123456789abcdef"[(value >> (4 * i)) & 0xf];
  } else {
    for (int32_t i = 0; i < byteCount(field); ++i) digits += i % 2 ? "5a" : "a5";
  }
  return "0x" + digits;
}

struct Case {
  std::string element;
  const HeaderField* field;
  std::string id;
};

class FieldTableAttributes : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string xml = "<corvel>\n";
    for (const ProtocolRegistration& protocol : protocolRegistrations()) {
      bool any = false;
      for (const HeaderField& field : protocol.fields) {
        if (field.attribute.empty()) continue;
        any = true;
        const std::string id = std::string(protocol.element) + "." + std::string(field.attribute);
        _cases.push_back({std::string(protocol.element), &field, id});
        xml += "<" + std::string(protocol.element) + " instance_id=\"" + id + "\" " + std::string(field.attribute) +
               "=\"" + hexValue(field) + "\"/>\n";
      }
      if (any)
        xml += "<" + std::string(protocol.element) + " instance_id=\"" + std::string(protocol.element) + "\"/>\n";
    }
    xml += "</corvel>\n";
    _path = std::filesystem::temp_directory_path() / ("field_table_" + std::to_string(::getpid()) + ".tcs");
    std::ofstream(_path) << xml;
    LoadDocument(_document, _path.string());
    _manager = std::make_unique<TcsManager>(_document);
    _console.take();
  }
  void TearDown() override { std::filesystem::remove(_path); }

  std::unique_ptr<ProtocolConfig> read(const std::string& element, const std::string& id) {
    xmlNode* node = selectSingleNode(_document.documentNode(), "//*[@instance_id='" + id + "']");
    if (node == nullptr) return nullptr;
    ProtocolList list = _manager->CreateProtocol(node, element, enSetTypeGenerate, enReadModeValue);
    return list.size() == 1 ? std::move(list.front()) : nullptr;
  }

  test::ConsoleCapture _console;
  std::vector<Case> _cases;
  std::filesystem::path _path;
  TcsDocument _document;
  std::unique_ptr<TcsManager> _manager;
};

TEST_F(FieldTableAttributes, EachAttributeSetsExactlyItsFieldsBits) {
  ASSERT_GT(_cases.size(), 50u);
  for (const Case& c : _cases) {
    SCOPED_TRACE(c.id);
    const std::unique_ptr<ProtocolConfig> base = read(c.element, c.element);
    const std::unique_ptr<ProtocolConfig> set = read(c.element, c.id);
    EXPECT_EQ(_console.take(), "");
    ASSERT_TRUE(base && set);
    const std::span<const uint8_t> before = base->headerBytes();
    const std::span<const uint8_t> after = set->headerBytes();
    ASSERT_EQ(before.size(), after.size());
    // The attribute's value is the field's value...
    std::array<char, kFieldTextMax + 1> text{};
    formatField(headerField(*c.field, "", "", FieldDisplay::Hex), after, text);
    EXPECT_EQ(std::string(text.data()), hexValue(*c.field));
    // ...and no bit outside the field moved.
    std::vector<uint8_t> outside(after.begin(), after.end());
    std::vector<uint8_t> mask(after.size(), 0xff);
    writeBitField(mask, {c.field->byte, c.field->msb, 1}, 0);
    for (int64_t bit = 0; bit < c.field->width; ++bit) {
      const int64_t at = int64_t{c.field->byte} * 8 + (7 - c.field->msb) + bit;
      mask[static_cast<size_t>(at / 8)] &= static_cast<uint8_t>(~(0x80u >> (at % 8)));
    }
    for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i] & mask[i], before[i] & mask[i]) << "byte " << i;
  }
}

TEST(ProtocolReaders, EveryRegisteredProtocolIsReadUnderItsElementName) {
  for (const ProtocolRegistration& protocol : protocolRegistrations()) {
    const ProtocolReaderEntry* reader = findProtocolReader(protocol.element);
    ASSERT_NE(reader, nullptr) << protocol.element;
    EXPECT_EQ(reader->kind, protocol.kind) << protocol.element;
  }
  for (const ProtocolReaderEntry& reader : protocolReaders()) {
    EXPECT_FALSE(reader.element().empty());
    EXPECT_EQ(findProtocolReader(reader.element()), &reader) << reader.element();
  }
}

}  // namespace
}  // namespace corvel
