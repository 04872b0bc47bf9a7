// Turns one table entry into one call of the host's command language and has
// the host execute it: the function name, "(", the parameters joined by ",",
// ")" and ";", for example
//
//   route_add(10,"eth0",0x00112233, 0x4455);
//
// The builder keeps its text buffers from one entry to the next, so a table
// of any size is applied without an allocation per entry.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>

#include "corvel/tables/function_definition.h"

namespace corvel {

class PrintUtility;

// The argument written for a field that neither the entry nor the defaults
// element gives.
inline constexpr std::string_view kMissingFieldArgument = "\"FUNC PARAM/KEY NOT IN DEFAULT/ENTRY\"";

class HostCommandBuilder {
 public:
  explicit HostCommandBuilder(const PrintUtility& printer);

  // Builds the command for one entry into commandText(). Each parameter's
  // field is the entry's attribute of that name, else the defaults
  // element's. False when the command is abandoned: an "int" value that is
  // not wholly a number (base 0) or that is -1.
  bool formatHostCommand(const FunctionDefinition& function, const xmlNode* defaults, const xmlNode* entry);

  // Formats the command; at verbose level 4 or 9 prints
  // "Corvel>    tolk command: %s\n" with it; passes it to the host's
  // TOLK_ExecuteCommandStr (whose answer is not examined). False when the
  // command was abandoned and nothing was executed.
  bool BuildHostCommand(const FunctionDefinition& function, const xmlNode* defaults, const xmlNode* entry);

  const std::string& commandText() const noexcept { return _command; }

 private:
  void beginArgument();

  const PrintUtility& _printer;
  std::string _command;
  std::string _scratch;
  std::size_t _arguments = 0;
};

// True when the whole text is one integer as a base-0 conversion reads it:
// optional leading white space and sign, then "0x"/"0X" and hexadecimal
// digits, "0" and octal digits, or decimal digits.
bool isWholeInteger(std::string_view text) noexcept;

// The 48-bit halves of a hexadecimal field value ("0x" and up to 12 digits):
// "0x" and the upper 32 bits in 8 digits, "0x" and the lower 16 bits in 4
// digits, the missing leading digits written as "0". Longer values give their
// first 8 and last 4 digits. A value without the "0x" prefix gives zeros.
void appendHi32(std::string& out, std::string_view value);
void appendLo16(std::string& out, std::string_view value);

}  // namespace corvel
