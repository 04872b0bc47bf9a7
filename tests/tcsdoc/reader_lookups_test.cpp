// The readers ask for no attribute the vocabulary lacks: every lookup they
// make while loading the TCS files of examples/ and tests/data/ and building
// their stream sets names an attribute of an element of that name, so the
// reference, the schema and the warnings cannot miss one.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/tcs/stream_set_definition.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/tcs/tcs_stream_mgt.h"
#include "corvel/tcs/tcs_vocabulary.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"
#include "tests/support/console_capture.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;

std::set<std::pair<std::string, std::string>>* lookups = nullptr;

// Tables and declarations are named by the user (a table may be called
// flow, like a traffic type): their lookups are not the vocabulary's.
bool InUserPart(const xmlNode* element) {
  for (const xmlNode* node = element; node != nullptr; node = node->parent) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const std::string_view name(reinterpret_cast<const char*>(node->name));
    if (name == "table_entries" || name == "type_definitions") return true;
  }
  return false;
}

void recordLookup(const xmlNode* element, std::string_view name) noexcept {
  if (lookups == nullptr || element->type != XML_ELEMENT_NODE || element->name == nullptr) return;
  if (InUserPart(element)) return;
  lookups->emplace(reinterpret_cast<const char*>(element->name), std::string(name));
}

// Whether some element of the vocabulary called `element` takes `attribute`;
// names the vocabulary does not know (tables, declarations) are the user's.
bool Known(const std::string& element, const std::string& attribute) {
  bool named = false;
  for (const ElementDoc& doc : tcsVocabulary()) {
    if (doc.name != element) continue;
    named = true;
    if (doc.rule == ChildRule::Free || findAttributeDoc(doc, attribute) != nullptr) return true;
  }
  return !named;
}

// Loads one file as the controller does, up to the ports, and builds every
// stream set; reports and refusals are the files' business here.
void LoadAndBuild(const fs::path& path) {
  TcsDocument document;
  try {
    LoadDocument(document, path.string());
  } catch (const TextError&) {
    return;
  }
  TcsManager manager(document);
  if (!manager.readRootAttributes()) return;
  try {
    manager.readTableEntries();
    manager.readFunctionDefinitions();
    manager.readPolicies();
    manager.readStreams();
    for (auto& [id, set] : manager.streamSets()) {
      if (set && set->stacks().empty()) BuildStreamSet(manager, *set);
    }
  } catch (const TextError&) {
  }
}

TEST(ReaderLookups, EveryAttributeTheReadersAskForIsInTheVocabulary) {
  std::set<std::pair<std::string, std::string>> seen;
  lookups = &seen;
  setAttributeLookupObserver(&recordLookup);
  test::ConsoleCapture console;
  const fs::path source = CORVEL_SOURCE_DIR;
  for (const char* folder : {"examples", "tests/data"}) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source / folder)) {
      if (entry.path().extension() == ".tcs") LoadAndBuild(entry.path());
    }
  }
  setAttributeLookupObserver(nullptr);
  lookups = nullptr;
  console.take();

  EXPECT_GT(seen.size(), 100u);
  for (const auto& [element, attribute] : seen)
    EXPECT_TRUE(Known(element, attribute)) << "<" << element << "> " << attribute << " is read but not described";
  // The check sees what it should: a name no reader of udp describes.
  EXPECT_FALSE(Known("udp", "dst_port"));
  EXPECT_TRUE(Known("udp", "dest_port"));
  EXPECT_TRUE(Known("my_table", "any_column"));
}

}  // namespace
}  // namespace corvel
