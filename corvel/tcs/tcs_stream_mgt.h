// Building the protocol stacks of a stream set (reporting unit TcsStreamMgt).
//
// A set whose protocols element stands alone gives one stack. A set with a
// for_table_entries loop gives one stack per entry of the named table: for
// each entry the protocols element is copied, the loop's children write the
// entry's values into the matching protocol elements of the copy, and the
// copy is read like a plain set. Stacks are built payload first: the
// protocol elements are read from the last (the payload) to the first (the
// datalink), which is the order the stacking rules require.
#pragma once

#include <libxml/tree.h>

#include "corvel/base/print_utility.h"

namespace corvel {

class StreamSetDefinition;
class TcsManager;

inline constexpr const char* kStreamMgtUnit = "TcsStreamMgt";

// Builds the set's stacks; nothing when the manager's status is not 0. A
// message thrown while building (an unknown table, a stacking rule, a loop
// that cannot run) is reported as a parse error under TcsStreamMgt.
void BuildStreamSet(TcsManager& manager, StreamSetDefinition& set);

// Builds one stack from the children of a protocols (or stream_files)
// element and appends it to the set. A protocol element that yields no
// configuration abandons the stack (its reader has reported whatever was
// wrong). Throws the stacking-rule messages.
void BuildProtocolStack(TcsManager& manager, xmlNode* definitionNode, StreamSetDefinition& set);

// Writes one loop element's values for one table entry into the matched
// protocol element. For every attribute N="V" of the loop element, in
// document order: a non-empty V names a table variable (the entry's value,
// else the default) or, when the table declares no such variable, is the
// literal value; an empty V takes the variable named N, and when there is
// none "Unable to reference attribute: N" is printed and N is left alone.
// Answers false, after printing the target element, when an assignment
// failed; the stack is then built from the values written so far. Both the
// warning and the failure are followed by the place line of the loop
// element's attribute.
bool MakeProtocolAssignments(TcsManager& manager, const xmlNode* loopElement, const xmlNode* entry,
                             const xmlNode* defaults, xmlNode* target);

// Prints a node and its descendants one per line, indented by three spaces
// per level: "<name attr='value' ...>" for elements, the value before the
// name for text, no closing tags.
void dumpNode(const PrintUtility& printer, const xmlNode* node, int depth = 0);

}  // namespace corvel
