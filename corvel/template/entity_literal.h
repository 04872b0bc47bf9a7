// How a parameter value is written into the document type of a generated TCS
// file, so that a document referring to the parameter reads back exactly the
// value given.
//
// An entity value literal is read twice: once when the declaration is parsed
// (character references are replaced, a '%' would start a parameter-entity
// reference, the quote would end the literal) and again where the entity is
// referenced (its replacement text is parsed as content or attribute text,
// where '&' and '<' are markup and white space in attributes is normalised).
// Characters that matter on the first reading are escaped once; those that
// matter on the second are escaped twice: "&#38;#60;" reads back as "&#60;",
// which reads back as '<'.
#pragma once

#include <string>
#include <string_view>

namespace corvel {

// The text between the double quotes of <!ENTITY NAME "..."> for a value
// set from the console: `"` and `%` written as character references, `&`,
// `<`, `>`, tab, line feed and carriage return as doubly escaped ones.
std::string escapedEntityValue(std::string_view value);

// A literal taken from a template declaration, as written there (its
// references keep their meaning), made fit for double quotes: a `"` (which
// the template may have held inside single quotes) becomes "&#34;".
std::string doubleQuotedLiteral(std::string_view literal);

// True when the text is well-formed UTF-8 made only of characters an XML 1.0
// document may hold (no control characters other than tab, line feed and
// carriage return, no surrogates, no U+FFFE or U+FFFF).
bool isXmlText(std::string_view text) noexcept;

}  // namespace corvel
