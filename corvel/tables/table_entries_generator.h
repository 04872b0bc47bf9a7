// The entry iterators of a table: one entry node after the other, from the
// first, until none is left.
#pragma once

#include <libxml/tree.h>

namespace corvel {

class TableEntriesGenerator {
 public:
  virtual ~TableEntriesGenerator() = default;

  // The next entry, or null once every entry has been handed out. An entry
  // node stays valid until the following call or the iterator's end,
  // whichever comes first; whoever needs it longer copies it.
  virtual xmlNode* next() = 0;

  // Prepares the iteration over the table element; false when the element
  // is not a table of this iterator's kind (then `next` yields nothing).
  virtual bool init(xmlNode* tableElement) = 0;

  // The element of the file an entry stands for, to name its line in a
  // report: the entry itself, unless the iterator makes its entries.
  virtual const xmlNode* sourceOf(const xmlNode* entry) const { return entry; }

 protected:
  TableEntriesGenerator() = default;
  TableEntriesGenerator(const TableEntriesGenerator&) = delete;
  TableEntriesGenerator& operator=(const TableEntriesGenerator&) = delete;
};

}  // namespace corvel
