// One table of the table_entries section: its element, its defaults element
// and the iterator over its entries. The manager's table map holds one per
// table id.
//
// Walking a table's entries (function application, stream-set and policy
// loops):
//
//   if (TableEntriesGenerator* entries = table.createEntryIterator()) {
//     const xmlNode* defaults = table.getDefaultsNode();
//     while (xmlNode* entry = entries->next()) {
//       std::optional<std::string> port = TableDefinition::fieldValue(entry, defaults, "port");
//       ...
//     }
//   }
//
// An entry is only valid until the iterator's next call: use it (or copy it)
// before asking for the next one.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "corvel/tables/table_entries_generator.h"

namespace corvel {

class TableDefinition {
 public:
  // `tableElement` is a child of table_entries with an `id`; it stays owned
  // by the document, which must outlive the definition.
  TableDefinition(xmlNode* tableElement, std::string id);
  ~TableDefinition();
  TableDefinition(const TableDefinition&) = delete;
  TableDefinition& operator=(const TableDefinition&) = delete;

  // Creates the entry iterator over the document, replacing the previous
  // one, so every walk starts at the first entry. A loop table gets a
  // TableEntriesLoops, any other table a TableEntriesConstruct; null when
  // neither accepts the table (no defaults element or no first entry), which
  // yields no entries. Throws a TextError for a loop that cannot be run.
  TableEntriesGenerator* createEntryIterator();
  // The iterator the last createEntryIterator made (null before).
  TableEntriesGenerator* entryIterator() const noexcept { return _entries.get(); }

  // The defaults element, the child named NAME.defaults; null without one.
  xmlNode* getDefaultsNode() const;

  // A field's value for an entry: the entry's attribute of that name, else
  // the defaults element's; nullopt when neither has it.
  static std::optional<std::string> fieldValue(const xmlNode* entry, const xmlNode* defaults,
                                               std::string_view field);

  // The table element's name (NAME).
  const std::string& name() const noexcept { return _name; }
  const std::string& id() const noexcept { return _id; }
  // The `for` child of a loop table; null for a plain table.
  xmlNode* forElement() const noexcept { return _forElement; }
  bool isLoopTable() const noexcept { return _forElement != nullptr; }
  xmlNode* tableElement() const noexcept { return _tableElement; }

 private:
  std::string _name;
  std::string _id;
  xmlNode* _forElement;
  xmlNode* _tableElement;
  std::unique_ptr<TableEntriesGenerator> _entries;
};

}  // namespace corvel
