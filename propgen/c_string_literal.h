// Writing arbitrary text as the body of a C string literal.
#pragma once

#include <string>
#include <string_view>

namespace propgen {

// Appends `text` to `out` as the inside of a C string literal (without the
// surrounding quotes): the compiled literal holds exactly the bytes of `text`.
// Quotes and backslashes are escaped, control characters become escapes, and
// the second of two question marks is escaped so no trigraph can form.
void appendCStringLiteral(std::string& out, std::string_view text);

}  // namespace propgen
