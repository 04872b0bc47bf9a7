// The entries of a loop table: nested counting loops (`for`) with further
// variables (`loop`, `var-def`, `var-def-ip4-addr`), operations on them at
// the start of each pass of a level (`var-opr`) and entry templates whose
// attribute values refer to the variables by "#" [width] name ";".
//
//   <route.defaults dest="0" port="0"/>
//   <for id="i" first="1" last="2" incr="1" radix="10">
//     <for id="j" first="0" last="2" incr="1" radix="16">
//       <var-def-ip4-addr id="ip" ip1="10" ip2="0" ip3="0" ip4="255"/>
//       <var-opr id="ip" opr="incr"/>
//       <entry dest="#ip;" port="#3i;#j;"/>
//     </for>
//   </for>
//
// gives six entries, j changing fastest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "corvel/tables/entry_template.h"
#include "corvel/tables/loop_variable.h"
#include "corvel/tables/table_entries_generator.h"

namespace corvel {

class TableEntriesLoops : public TableEntriesGenerator {
 public:
  TableEntriesLoops() = default;

  // For the current values of all loop counters, one entry per template in
  // template order; then the innermost level steps. The entry is the
  // template's own entry element, rewritten by the following call. Throws a
  // TextError when a substituted value is longer than 255 characters.
  xmlNode* next() override;

  // The table element's first child element must be its defaults element and
  // the next one the outermost `for`. False for any other table. Throws a
  // TextError for a loop that cannot be run: a `for` whose incr is below 1, a
  // radix outside 2 to 36, an IPv4 number outside 0 to 255.
  bool init(xmlNode* tableElement) override;

  // The entry template an entry was made from; the entry itself when no
  // template made it.
  const xmlNode* sourceOf(const xmlNode* entry) const override;

 private:
  struct Operation {
    int32_t level = 1;
    int32_t variable = -1;
    LoopOperationKind kind = enOperationSet;
    int64_t amount = 0;
    bool useIncr = false;  // "incr" without `by` on a counting variable
  };
  struct PendingOperation {
    int32_t level;
    xmlNode* element;
  };
  struct PendingTemplate {
    int32_t level;
    xmlNode* element;
  };

  void parseLevel(xmlNode* forElement, int32_t level, std::vector<PendingOperation>& operations,
                  std::vector<PendingTemplate>& templates);
  LoopVariable readCounting(xmlNode* element, LoopVariableKind kind, int32_t level) const;
  LoopVariable readIpv4(xmlNode* element, int32_t level) const;
  void addOperation(const PendingOperation& pending);
  // The variable a name refers to from `level` outwards; loop counters only
  // when `withCounters`. -1 when there is none.
  int32_t resolve(std::string_view name, int32_t level, bool withCounters) const;
  // Applies the operations of every level from `level` inwards.
  void beginPasses(int32_t level);
  void advance();

  std::string _tableId;
  std::vector<LoopVariable> _variables;
  std::vector<std::vector<int32_t>> _countersByLevel;  // [level - 1]
  std::vector<Operation> _operations;                  // by level, then document order
  std::vector<EntryTemplate> _templates;
  std::size_t _nextTemplate = 0;
  bool _exhausted = true;
};

}  // namespace corvel
