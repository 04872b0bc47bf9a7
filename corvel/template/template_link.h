// The link of a template and a parameter stub: the stub's corvel element is
// replaced by a deep copy of the template's, whose "&NAME;" references then
// take the values the stub declares.
//
// libxml2 keeps no parameter-entity reference in its tree, so saving the
// linked document whole would drop the stub's "%custom_types;" line. The
// generated file is therefore the stub's prolog as written, followed by the
// linked corvel element as libxml2 writes it.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <string_view>

namespace corvel {

class PrintUtility;

// The text of the generated TCS file, or nullopt after printing why the link
// failed: "Corvel> Error, unable to create an empty XML document\n" when no
// parser can be made, the parse report when the stub does not parse,
// "three" when "//corvel" selects nothing in the stub or in the template,
// "four" when the copy fails, "five" when the replacement fails.
std::optional<std::string> linkTemplate(const PrintUtility& out, std::string_view stubProlog,
                                        const std::string& stubPath, const xmlDoc* templateDocument);

}  // namespace corvel
