#include "corvel/tables/table_entries_reader.h"

#include <optional>
#include <string>
#include <vector>

#include "corvel/host/print_utility.h"
#include "corvel/tables/table_definition.h"
#include "corvel/tables/table_reader_context.h"
#include "corvel/tcs/xml_access.h"

namespace corvel {
namespace {

// Entities may refer to further entities; the parser refuses loops, this
// only bounds the recursion.
constexpr int kMaxEntityDepth = 32;

// The nodes an entity reference stands for. libxml2 links the entity
// declaration as the reference's only child; the entity's content hangs
// below it.
xmlNode* EntityContent(const xmlNode* reference) noexcept {
  const xmlNode* declaration = reference->children;
  if (declaration == nullptr || declaration->type != XML_ENTITY_DECL) return nullptr;
  return declaration->last;
}

bool ReadTableNodes(TableReaderContext& context, xmlNode* last, int depth) {
  bool recorded = false;
  for (xmlNode* node = last; node != nullptr; node = node->prev) {
    if (node->type == XML_ENTITY_REF_NODE) {
      if (depth < kMaxEntityDepth && ReadTableNodes(context, EntityContent(node), depth + 1)) recorded = true;
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

bool ReadTables(TableReaderContext& context) {
  if (context.status() != 0) return false;
  const std::vector<xmlNode*> sections = SelectNodes(context.documentNode(), "//corvel/table_entries");
  if (sections.empty()) return false;
  context.printer().print("Corvel> ------ Retreiving Tables ------\n");
  bool recorded = false;
  for (xmlNode* section : sections) {
    if (ReadTableNodes(context, section->last, 0)) recorded = true;
  }
  return recorded;
}

}  // namespace corvel
