#include "corvel/tables/table_entries_reader.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/tables/table_definition.h"
#include "corvel/tables/table_reader_context.h"
#include "corvel/xml/xml_access.h"

namespace corvel {
namespace {

// Entities may refer to further entities; the parser refuses loops, this
// only bounds the recursion.
constexpr int kMaxEntityDepth = 32;

// The entity declarations already entered. An entity is entered once: its
// tables are the same nodes every time, and entering nested references
// again and again could take exponential time.
using EnteredEntities = std::set<const xmlNode*>;

// The entity declaration behind a reference (libxml2 links it as the
// reference's only child; the entity's content hangs below it).
const xmlNode* entityDeclaration(const xmlNode* reference) noexcept {
  const xmlNode* declaration = reference->children;
  return declaration != nullptr && declaration->type == XML_ENTITY_DECL ? declaration : nullptr;
}

bool readTableNodes(TableReaderContext& context, xmlNode* last, int depth, EnteredEntities& entered) {
  bool recorded = false;
  for (xmlNode* node = last; node != nullptr; node = node->prev) {
    if (node->type == XML_ENTITY_REF_NODE) {
      const xmlNode* declaration = entityDeclaration(node);
      if (declaration != nullptr && depth < kMaxEntityDepth && entered.insert(declaration).second &&
          readTableNodes(context, declaration->last, depth + 1, entered)) {
        recorded = true;
      }
      continue;
    }
    if (node->type != XML_ELEMENT_NODE) continue;
    std::optional<std::string> id = GetAttribute(node, "id");
    if (!id) continue;
    context.printer().print("Corvel>   %s\n", id->c_str());
    TableMap& tables = context.tables();
    if (tables.contains(*id)) continue;
    auto definition = std::make_shared<TableDefinition>(node, *id);
    tables.emplace(std::move(*id), std::move(definition));
    recorded = true;
  }
  return recorded;
}

}  // namespace

bool readTables(TableReaderContext& context) {
  if (context.status() != 0) return false;
  const std::vector<xmlNode*> sections = selectNodes(context.documentNode(), "//corvel/table_entries");
  if (sections.empty()) return false;
  context.printer().print("Corvel> ------ Retreiving Tables ------\n");
  bool recorded = false;
  EnteredEntities entered;
  for (xmlNode* section : sections) {
    if (readTableNodes(context, section->last, 0, entered)) recorded = true;
  }
  return recorded;
}

}  // namespace corvel
