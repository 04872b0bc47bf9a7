#include "corvel/tables/table_entries_loops.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "corvel/base/text_error.h"
#include "corvel/tables/table_nodes.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/xml/xml_access.h"

namespace corvel {
namespace {

int32_t intAttribute(const xmlNode* element, std::string_view name) {
  bool found = false;
  return GetAttributeInt(element, name, found);
}

std::string nodeName(const xmlNode* node) { return GetNodeName(node).value_or(std::string()); }

}  // namespace

bool TableEntriesLoops::init(xmlNode* tableElement) {
  _variables.clear();
  _countersByLevel.clear();
  _operations.clear();
  _templates.clear();
  _nextTemplate = 0;
  _exhausted = true;
  if (tableElement == nullptr || tableElement->type != XML_ELEMENT_NODE) return false;
  xmlNode* defaults = elementFrom(tableElement->children);
  if (!isNodeNamed(defaults, nodeName(tableElement) + ".defaults")) return false;
  xmlNode* outer = nextElement(defaults);
  if (!isNodeNamed(outer, "for")) return false;
  _tableId = GetAttribute(tableElement, "id").value_or(std::string());

  std::vector<PendingOperation> operations;
  std::vector<PendingTemplate> templates;
  parseLevel(outer, 1, operations, templates);

  // Operations and references are resolved once every variable is known:
  // a variable may be declared after the element that uses it.
  for (const PendingOperation& pending : operations) addOperation(pending);
  std::stable_sort(_operations.begin(), _operations.end(),
                   [](const Operation& a, const Operation& b) { return a.level < b.level; });
  const EntryTemplate::Resolver resolver = [this](std::string_view name, int32_t level) {
    return resolve(name, level, true);
  };
  _templates.reserve(templates.size());
  for (const PendingTemplate& pending : templates) _templates.emplace_back(pending.element, pending.level, resolver);

  for (LoopVariable& variable : _variables) variable.reset();
  _exhausted = _templates.empty();
  for (const LoopVariable& variable : _variables) {
    if (variable.kind == enLoopCounter && variable.last < variable.first) _exhausted = true;
  }
  if (!_exhausted) beginPasses(1);
  return true;
}

void TableEntriesLoops::parseLevel(xmlNode* forElement, int32_t level,
                                   std::vector<PendingOperation>& operations,
                                   std::vector<PendingTemplate>& templates) {
  if (_countersByLevel.size() < static_cast<std::size_t>(level)) _countersByLevel.resize(level);
  _countersByLevel[level - 1].push_back(static_cast<int32_t>(_variables.size()));
  _variables.push_back(readCounting(forElement, enLoopCounter, level));

  for (xmlNode* child = elementFrom(forElement->children); child != nullptr; child = nextElement(child)) {
    const std::string name = nodeName(child);
    if (name == "for") {
      parseLevel(child, level + 1, operations, templates);
    } else if (name == "loop") {
      _variables.push_back(readCounting(child, enCountingVariable, level));
    } else if (name == "var-def") {
      LoopVariable variable;
      variable.name = GetAttribute(child, "id").value_or(std::string());
      variable.level = level;
      variable.kind = enIntegerVariable;
      variable.first = intAttribute(child, "value");
      _variables.push_back(std::move(variable));
    } else if (name == "var-def-ip4-addr") {
      _variables.push_back(readIpv4(child, level));
    } else if (name == "var-opr") {
      operations.push_back(PendingOperation{level, child});
    } else if (isTemplateName(name)) {
      templates.push_back(PendingTemplate{level, child});
    }
  }
}

LoopVariable TableEntriesLoops::readCounting(xmlNode* element, LoopVariableKind kind, int32_t level) const {
  LoopVariable variable;
  variable.name = GetAttribute(element, "id").value_or(std::string());
  variable.level = level;
  variable.kind = kind;
  variable.first = intAttribute(element, "first");
  variable.last = intAttribute(element, "last");
  variable.incr = intAttribute(element, "incr");
  const int32_t radix = intAttribute(element, "radix");
  variable.radix = radix == 0 ? 10 : radix;
  // A counter that does not move forward would never end its loop.
  if (kind == enLoopCounter && variable.incr < 1) {
    const PlaceScope place(element, "incr");
    throw TextError("loop variable " + variable.name + " of table " + _tableId +
                    " has an increment below 1");
  }
  if (variable.radix < 2 || variable.radix > 36) {
    const PlaceScope place(element, "radix");
    throw TextError("loop variable " + variable.name + " of table " + _tableId +
                    " has a radix outside 2 to 36");
  }
  return variable;
}

LoopVariable TableEntriesLoops::readIpv4(xmlNode* element, int32_t level) const {
  LoopVariable variable;
  variable.name = GetAttribute(element, "id").value_or(std::string());
  variable.level = level;
  variable.kind = enIpv4Variable;
  uint32_t address = 0;
  for (const std::string_view part : {"ip1", "ip2", "ip3", "ip4"}) {
    const int32_t number = intAttribute(element, part);
    if (number < 0 || number > 255) {
      const PlaceScope place(element, part);
      throw TextError("IPv4 variable " + variable.name + " of table " + _tableId +
                      " has a number outside 0 to 255");
    }
    address = (address << 8) | static_cast<uint32_t>(number);
  }
  variable.first = address;
  return variable;
}

void TableEntriesLoops::addOperation(const PendingOperation& pending) {
  const std::optional<std::string> id = GetAttribute(pending.element, "id");
  const std::optional<std::string> opr = GetAttribute(pending.element, "opr");
  // Only the variables a level declares are operated on; a loop counter
  // changed from inside its own loop could keep the loop from ending.
  const int32_t variable = id ? resolve(*id, pending.level, false) : -1;
  if (variable < 0 || !opr) return;
  Operation operation;
  operation.level = pending.level;
  operation.variable = variable;
  bool found = false;
  if (*opr == "set") {
    operation.kind = enOperationSet;
    operation.amount = GetAttributeInt(pending.element, "to", found);
  } else if (*opr == "incr") {
    operation.kind = enOperationIncr;
    operation.amount = GetAttributeInt(pending.element, "by", found);
    operation.useIncr = !found && _variables[static_cast<std::size_t>(variable)].kind == enCountingVariable;
  } else {
    return;
  }
  _operations.push_back(operation);
}

int32_t TableEntriesLoops::resolve(std::string_view name, int32_t level, bool withCounters) const {
  for (int32_t at = level; at >= 1; --at) {
    if (withCounters) {
      for (const int32_t index : _countersByLevel[at - 1]) {
        if (_variables[static_cast<std::size_t>(index)].name == name) return index;
      }
    }
    for (std::size_t index = 0; index < _variables.size(); ++index) {
      const LoopVariable& variable = _variables[index];
      if (variable.level == at && variable.kind != enLoopCounter && variable.name == name) {
        return static_cast<int32_t>(index);
      }
    }
  }
  return -1;
}

void TableEntriesLoops::beginPasses(int32_t level) {
  for (const Operation& operation : _operations) {
    if (operation.level < level) continue;
    LoopVariable& variable = _variables[static_cast<std::size_t>(operation.variable)];
    variable.apply(operation.kind, operation.useIncr ? variable.incr : operation.amount);
  }
}

void TableEntriesLoops::advance() {
  for (auto level = static_cast<int32_t>(_countersByLevel.size()); level >= 1; --level) {
    bool carry = false;
    for (const int32_t index : _countersByLevel[level - 1]) {
      if (_variables[static_cast<std::size_t>(index)].step()) carry = true;
    }
    if (!carry) {
      beginPasses(level);
      return;
    }
  }
  _exhausted = true;
}

const xmlNode* TableEntriesLoops::sourceOf(const xmlNode* entry) const {
  for (const EntryTemplate& entryTemplate : _templates) {
    if (entryTemplate.entry() == entry) return entryTemplate.source();
  }
  return entry;
}

xmlNode* TableEntriesLoops::next() {
  if (_exhausted) return nullptr;
  xmlNode* entry = _templates[_nextTemplate].produce(_variables, _tableId);
  if (++_nextTemplate == _templates.size()) {
    _nextTemplate = 0;
    advance();
  }
  return entry;
}

}  // namespace corvel
