// The entries of a plain table: the entry elements written out in the table
// element after its defaults element.
#pragma once

#include "corvel/tables/table_entries_generator.h"

namespace corvel {

class TableEntriesConstruct : public TableEntriesGenerator {
 public:
  TableEntriesConstruct() = default;

  // Hands out the document's own entry elements in document order: the first
  // one named NAME.entry and every element after it.
  xmlNode* next() override;

  // The table element's first child element must be its defaults element
  // (NAME.defaults) and the one after it an entry (a name ending in ".entry"
  // from its first "."); comments in between are passed over.
  bool init(xmlNode* tableElement) override;

 private:
  xmlNode* _current = nullptr;
};

}  // namespace corvel
