// Reads the function definitions of type_definitions and applies each one
// to every entry of its table, one host command per entry.
#pragma once

#include <libxml/tree.h>

namespace corvel {

class FunctionDefinition;
class HostCommandBuilder;
class TableDefinition;
class TableReaderContext;

// Prints "Corvel> ------ Retreiving Functions ------\n" (or, without any
// "//corvel/type_definitions", "Corvel> ERROR: Could not find stream node\n"
// and answers false), then walks each type_definitions element's children
// from the last to the first and applies every child whose `_entry_type` is
// "function" to its table. True when a function was applied to a table; a
// function whose table is unknown is passed over. Messages of a function
// definition (missing attributes, unknown parameter type) are thrown to the
// caller; messages thrown while applying one are reported as parse errors
// under TcsFunctionProtocol and end the reading. False at once when the
// status is not 0.
bool readFunctions(TableReaderContext& context);

// Executes the function for every entry of the table, in entry order.
// Returns the number of commands executed. Throws what the entry iterator
// throws.
std::size_t applyFunction(const FunctionDefinition& function, TableDefinition& table,
                          HostCommandBuilder& builder);

}  // namespace corvel
