// The two documents tcsdoc writes from the TCS vocabulary.
#pragma once

#include <string>

namespace tcsdoc {

// docs/tcs-reference.md: every element with its attributes (type, range,
// default, unit, meaning, example) and an example of the element.
std::string referenceMarkdown();

// schema/tcs.xsd: an XML Schema of the same elements and attributes.
std::string schemaXsd();

}  // namespace tcsdoc
