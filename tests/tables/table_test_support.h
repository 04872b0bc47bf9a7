// Shared pieces of the table tests: console and host-command capture, a
// document loaded from a fixture or a text, and a reader context standing in
// for the TCS manager.
#pragma once

#include "tests/support/console_capture.h"

#include <libxml/parser.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/base/verbose.h"
#include "corvel/tables/table_definition.h"
#include "corvel/tables/table_reader_context.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"
#include "pyx/simhost_api.h"

namespace corvel::test {

// Sets the verbose level for one test and puts the default back.
class VerboseLevel {
 public:
  explicit VerboseLevel(int32_t level) { setVerboseLevel(level); }
  ~VerboseLevel() { setVerboseLevel(1); }
  VerboseLevel(const VerboseLevel&) = delete;
  VerboseLevel& operator=(const VerboseLevel&) = delete;
};

inline std::string FixturePath(std::string_view name) {
  return std::string(CORVEL_TEST_DATA) + "/tables/" + std::string(name);
}

// Loads a fixture file the way the plug-in does. Its console lines go to the
// capture that is active, if any; the caller takes them away.
inline void LoadFixture(TcsDocument& document, std::string_view name) { LoadDocument(document, FixturePath(name)); }

// Parses a document text; `substituteEntities` false keeps entity references
// in the tree.
inline void ParseText(TcsDocument& document, std::string_view text, bool substituteEntities = true) {
  const int options = XML_PARSE_NONET | XML_PARSE_NOBLANKS | (substituteEntities ? XML_PARSE_NOENT : 0);
  xmlDoc* parsed = xmlReadMemory(text.data(), static_cast<int>(text.size()), "inline.tcs", nullptr, options);
  if (parsed == nullptr) throw std::runtime_error("test document does not parse");
  document.adopt(parsed, "inline.tcs");
}

// Stands in for the TCS manager: the same parse-error lines and status rule.
class TestContext : public TableReaderContext {
 public:
  explicit TestContext(TcsDocument& document) : _document(document) {}

  int32_t status() const override { return _status; }
  void ReportParseError(std::string_view fileTag, std::optional<std::string_view> elementName,
                        std::string_view message) override {
    const std::string tag(fileTag);
    const std::string text(message);
    if (elementName) {
      _printer.print("Corvel> PARSE-ERROR, Element %s: %s (%s)\n", std::string(*elementName).c_str(),
                     text.c_str(), tag.c_str());
    } else {
      _printer.print("Corvel> PARSE-ERROR: %s (%s)\n", text.c_str(), tag.c_str());
    }
    _status = std::max(_status, 2);
  }
  void ReportParseException(std::string_view fileTag, std::string_view methodName) override {
    _printer.print("Corvel> Parse exception caught in file %s, method %s\n", std::string(fileTag).c_str(),
                   std::string(methodName).c_str());
    _status = 3;
  }
  xmlNode* documentNode() const override { return _document.documentNode(); }
  const PrintUtility& printer() const override { return _printer; }
  TableMap& tables() override { return _tables; }

  void setStatus(int32_t status) { _status = status; }

 private:
  TcsDocument& _document;
  PrintUtility _printer;
  TableMap _tables;
  int32_t _status = 0;
};

// The attribute values of every entry a table yields, as "name=value"
// joined by " ".
inline std::vector<std::string> EntryTexts(TableDefinition& table) {
  std::vector<std::string> texts;
  TableEntriesGenerator* entries = table.createEntryIterator();
  if (entries == nullptr) return texts;
  while (const xmlNode* entry = entries->next()) {
    std::string text;
    for (const auto& [name, value] : getAttributeList(entry)) {
      if (!text.empty()) text += ' ';
      text += name + '=' + value;
    }
    texts.push_back(text);
  }
  return texts;
}

}  // namespace corvel::test
