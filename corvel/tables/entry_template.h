// An entry template of a loop table, compiled once: each attribute value cut
// into literal text and variable references ("#" [width] name ";"), and the
// element that every entry made from the template is written into.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/tables/loop_variable.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

// Longest attribute value a substitution may give.
inline constexpr std::size_t kMaxSubstitutedValue = 255;

class EntryTemplate {
 public:
  // Finds the variable a reference names from the template's level; -1 when
  // no variable answers to the name.
  using Resolver = std::function<int32_t(std::string_view name, int32_t level)>;

  // Compiles the template element found at `level`. The entry element is a
  // new element of the template's document, attached nowhere.
  EntryTemplate(const xmlNode* templateElement, int32_t level, const Resolver& resolve);

  // Writes the template with the variables' current values into the entry
  // element and returns it. Throws a TextError naming the attribute and the
  // table when a value would be longer than kMaxSubstitutedValue.
  xmlNode* produce(const std::vector<LoopVariable>& variables, std::string_view tableId);

  int32_t level() const noexcept { return _level; }
  // The template element in the file, and the entry element it writes.
  const xmlNode* source() const noexcept { return _source; }
  const xmlNode* entry() const noexcept { return _entry.get(); }

 private:
  struct Piece {
    std::string literal;    // copied as it is when variable < 0
    int32_t variable = -1;  // index into the table's variables
    std::size_t width = 0;  // left-padded with "0" to this width
  };
  struct Attribute {
    xmlAttr* target = nullptr;  // the attribute of the entry element
    std::string name;
    std::vector<Piece> pieces;
  };

  static std::vector<Piece> compileValue(std::string_view value, int32_t level, const Resolver& resolve);
  void substitute(const Attribute& attribute, const std::vector<LoopVariable>& variables,
                  std::string_view tableId);

  int32_t _level;
  const xmlNode* _source;
  NodeCopy _entry;
  std::vector<Attribute> _attributes;
  std::string _buffer;
};

}  // namespace corvel
