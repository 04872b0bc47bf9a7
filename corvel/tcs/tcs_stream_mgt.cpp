#include "corvel/tcs/tcs_stream_mgt.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/protocols/protocol_registry.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/tables/table_definition.h"
#include "corvel/tcs/stream_set_definition.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/tcs/tcs_table_loop.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

// One stack per table entry: each entry's values go into a fresh copy of the
// protocols element, which is then read like a set without a loop.
void expandLoop(TcsManager& manager, StreamSetDefinition& set, TableDefinition& table) {
  TableLoop loop;
  loop.definition = set.definitionNode();
  loop.loop = set.loopNode();
  loop.unit = kStreamMgtUnit;
  loop.copyFailure = "unable to copy the protocol stack";
  loop.stopAtNestedLoop = true;
  expandTableLoop(manager, loop, table, [&](xmlNode* protocols) { BuildProtocolStack(manager, protocols, set); });
}

// Whether a hex-form attribute value carries its prefix; without it the
// reader ignores the value.
bool hexPrefixed(const std::string& value) { return value.size() >= 2 && value[0] == '0' && (value[1] | 0x20) == 'x'; }

// At validate level 3 a capture stream compares the header fields its
// element writes, and only those: the bits of the element's flow-key mask
// where its reader builds one (a reader skips an attribute it ignores in
// both modes), else the fields of the protocol's table whose attributes the
// element gives. A value the processor may change is left out of the element.
void markComparedFields(TcsManager& manager, xmlNode* element, const std::string& name, ProtocolConfig& config) {
  if (!config.checksContent() || config.kind() == ProtocolKind::Payload || config.headerLength() == 0) return;
  std::vector<uint8_t> compared(config.headerBytes().size(), 0);
  // aal5 applies its attributes with their values in mask mode too.
  ProtocolList masks;
  if (config.kind() != ProtocolKind::AAL5)
    masks = manager.CreateProtocol(element, name, enSetTypeCapture, enReadModeMask);
  if (masks.size() == 1 && masks.front()->isMask() && masks.front()->kind() == config.kind()) {
    masks.front()->invertMask();
    const std::span<const uint8_t> mask = masks.front()->headerBytes();
    std::copy_n(mask.begin(), std::min(mask.size(), compared.size()), compared.begin());
  } else {
    const FieldTable fields = fieldsOf(config.kind());
    for (const auto& [attribute, value] : getAttributeList(element)) {
      const HeaderField* field = findFieldByAttribute(fields, attribute);
      if (field == nullptr || value.empty()) continue;
      // Address and other hex fields are read only with their prefix.
      if ((field->display == FieldDisplay::Mac || field->display == FieldDisplay::Hex) && field->width > 32 &&
          !hexPrefixed(value))
        continue;
      markField(compared, *field);
    }
  }
  config.setContentMask(std::move(compared));
}

void appendDumpLine(std::string& line, const xmlNode* node) {
  if (node->type == XML_ELEMENT_NODE) {
    line += GetNodeName(node).value_or(std::string());
    for (const auto& [name, value] : getAttributeList(node)) {
      line += ' ';
      line += name;
      line += "='";
      line += value;
      line += '\'';
    }
    return;
  }
  line += GetNodeValue(node).value_or(std::string());
  line += GetNodeName(node).value_or(std::string());
}

bool isBlankText(const xmlNode* node) {
  return node->type == XML_TEXT_NODE && xmlIsBlankNode(const_cast<xmlNode*>(node)) != 0;
}

}  // namespace

void BuildStreamSet(TcsManager& manager, StreamSetDefinition& set) {
  if (manager.status() != TcsManager::kStatusOk) return;
  try {
    if (set.loopNode() != nullptr) {
      const std::optional<std::string> tableId = GetAttribute(set.loopNode(), "id");
      auto table = tableId ? manager.tables().find(*tableId) : manager.tables().end();
      if (table == manager.tables().end() || !table->second) {
        const PlaceScope place(set.loopNode(), "id");
        throw TextError("data table not found");
      }
      expandLoop(manager, set, *table->second);
      return;
    }
    BuildProtocolStack(manager, set.definitionNode(), set);
  } catch (const TextError& error) {
    manager.ReportParseError(kStreamMgtUnit, std::nullopt, error.text());
  }
}

void BuildProtocolStack(TcsManager& manager, xmlNode* definitionNode, StreamSetDefinition& set) {
  if (manager.status() != TcsManager::kStatusOk) return;
  auto stack = std::make_unique<ProtocolStack>(set.id());
  const std::vector<xmlNode*> elements = childElements(definitionNode);
  // The payload comes last in the file and goes first into the stack.
  for (auto element = elements.rbegin(); element != elements.rend(); ++element) {
    const std::string name = GetNodeName(*element).value_or(std::string());
    ProtocolList configs = manager.CreateProtocol(*element, name, set.type(), enReadModeValue);
    if (configs.empty()) return;
    if (set.type() == enSetTypeCapture && configs.size() == 1)
      markComparedFields(manager, *element, name, *configs.front());
    // A stacking rule refuses the element being added.
    const PlaceScope place(*element);
    for (const auto& config : configs) stack->addProtocol(*config);
  }
  set.addStack(std::move(stack));
}

bool MakeProtocolAssignments(TcsManager& manager, const xmlNode* loopElement, const xmlNode* entry,
                             const xmlNode* defaults, xmlNode* target) {
  const PrintUtility& printer = manager.printer();
  try {
    for (const auto& [name, value] : getAttributeList(loopElement)) {
      const PlaceScope place(loopElement, name);
      // A non-empty value names the variable (or is written as it stands);
      // an empty one lets the attribute's own name name it.
      const std::string& variable = value.empty() ? name : value;
      std::optional<std::string> assigned;
      if (GetAttribute(defaults, variable)) {
        assigned = TableDefinition::fieldValue(entry, defaults, variable);
      } else if (!value.empty()) {
        assigned = value;
      } else {
        printer.print("Unable to reference attribute: %s\n", name.c_str());
        manager.printPlace();
        continue;
      }
      if (!assigned || !SetAttribute(target, name, *assigned)) {
        throw TextError("unable to assign attribute " + name);
      }
    }
    return true;
  } catch (const std::exception&) {
    printer.print("Corvel> ERROR: Exception in MakeProtocolAssignments\n");
    manager.printPlace();
    printer.print("***** pnAssignedProtocol\n");
    dumpNode(printer, target);
    return false;
  }
}

void dumpNode(const PrintUtility& printer, const xmlNode* node, int depth) {
  if (node == nullptr || isBlankText(node) || isCommentNode(node)) return;
  std::string line(static_cast<size_t>(depth) * 3, ' ');
  line += '<';
  appendDumpLine(line, node);
  line += ">\n";
  printer.print("%s", line.c_str());
  if (node->type != XML_ELEMENT_NODE) return;
  for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
    dumpNode(printer, child, depth + 1);
  }
}

}  // namespace corvel
