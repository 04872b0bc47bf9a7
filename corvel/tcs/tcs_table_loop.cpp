#include "corvel/tcs/tcs_table_loop.h"

#include <optional>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/tables/table_definition.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/tcs/tcs_stream_mgt.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

// The first element among the copy's children with the loop element's name
// and the same instance_id (both without one also match).
xmlNode* matchProtocol(const xmlNode* copy, const std::string& name, const std::optional<std::string>& instanceId) {
  for (xmlNode* candidate : childElements(copy)) {
    if (isNodeNamed(candidate, name) && GetAttribute(candidate, "instance_id") == instanceId) return candidate;
  }
  return nullptr;
}

}  // namespace

std::vector<xmlNode*> childElements(const xmlNode* parent) {
  std::vector<xmlNode*> elements;
  for (xmlNode* child : getChildNodes(parent)) {
    if (child->type == XML_ELEMENT_NODE) elements.push_back(child);
  }
  return elements;
}

void expandTableLoop(TcsManager& manager, const TableLoop& loop, TableDefinition& table,
                     const std::function<void(xmlNode* copy)>& build) {
  TableEntriesGenerator* entries = table.createEntryIterator();
  if (entries == nullptr) return;
  const xmlNode* defaults = table.getDefaultsNode();
  const std::vector<xmlNode*> loopElements = childElements(loop.loop);

  while (manager.status() == TcsManager::kStatusOk) {
    const xmlNode* entry = entries->next();
    if (entry == nullptr) break;
    NodeCopy copy;
    {
      const PlaceScope place(loop.definition);
      copy = cloneNode(loop.definition);
      if (!copy) throw TextError(loop.copyFailure);
    }
    // While the copy is read, a report about it names the table entry too.
    LoopEntryScope loopEntry(copy.get(), loop.loop, entries->sourceOf(entry));

    for (const xmlNode* loopElement : loopElements) {
      if (loop.stopAtNestedLoop && isNodeNamed(loopElement, "for_table_entries")) break;
      const std::string name = GetNodeName(loopElement).value_or(std::string());
      xmlNode* target = matchProtocol(copy.get(), name, GetAttribute(loopElement, "instance_id"));
      if (target == nullptr) {
        const PlaceScope place(loopElement);
        manager.ReportParseError(
            loop.unit, name, "unable to match protocol in for_table_entries loop with protocol in the protocol stack");
        if (loop.unmatchedEndsExpansion) return;
        break;
      }
      loopEntry.noteWrite(target, loopElement);
      // A failed assignment has been printed; the copy is built regardless.
      (void)MakeProtocolAssignments(manager, loopElement, entry, defaults, target);
    }
    build(copy.get());
  }
}

}  // namespace corvel
