// Small node helpers shared by the table readers and entry iterators.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <string_view>

namespace corvel {

// An entry element of a plain table: its name's part from the first "." on
// is ".entry" (route.entry for the table route).
bool isEntryName(std::string_view name) noexcept;

// An entry template of a loop table: named "entry" or an entry name as above.
bool isTemplateName(std::string_view name) noexcept;

// The first element among the node and its following siblings; comments,
// text and every other kind of node are passed over. Null when there is none.
xmlNode* elementFrom(xmlNode* node) noexcept;

// The element after this one among its siblings, as above.
inline xmlNode* nextElement(const xmlNode* element) noexcept {
  return element != nullptr ? elementFrom(element->next) : nullptr;
}

// The first child element of `parent` with the given (qualified) name.
xmlNode* findChildElement(const xmlNode* parent, std::string_view name) noexcept;

// The value of an element's attribute without copying it when the document
// holds it as one piece of text (the usual case); otherwise the value is
// assembled in `scratch` and the view points there. nullopt when the element
// has no such attribute. The view lives until the attribute or `scratch`
// changes.
std::optional<std::string_view> attributeView(const xmlNode* element, std::string_view name,
                                              std::string& scratch);

}  // namespace corvel
