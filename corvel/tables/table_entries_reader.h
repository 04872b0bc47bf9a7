// Reads the table_entries section into table definitions.
#pragma once

namespace corvel {

class TableReaderContext;

// Records every table of every "//corvel/table_entries" element in the
// context's table map under its id, printing
// "Corvel> ------ Retreiving Tables ------\n" once and "Corvel>   %s\n" per
// table. Children are walked from the last to the first; entity references
// are entered; an id already in the map is passed over. True when a table
// was recorded; false at once when the status is not 0.
bool readTables(TableReaderContext& context);

}  // namespace corvel
