// The accessors through which every TCS reader takes values out of the loaded
// document: attributes, node names, values and text, location-path
// selection, child walks and copies, and the conversions of attribute texts
// (base-0 integers, reals, hexadecimal header strings, comma-separated fields).
//
// Node handles are borrowed from the document held by a TcsDocument and stay
// valid while it lives. Texts are UTF-8, as the parser keeps them; an absent
// value is std::nullopt, a present one may be empty unless said otherwise.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvel {

// ---- Attributes --------------------------------------------------------

// The value of the node's attribute whose (qualified) name equals `name`
// byte for byte, walking the attributes in document order; nullopt when no
// attribute matches or the node is not an element. Never throws: a failure
// prints "Corvel> Exception in GetAttribute()\n" and answers nullopt.
std::optional<std::string> GetAttribute(const xmlNode* node, std::string_view name) noexcept;

// Whether the node carries an attribute map (elements do, other nodes not).
bool hasAttributeMap(const xmlNode* node) noexcept;

// The attribute's text; nullopt when the attribute is absent or empty.
std::optional<std::string> GetAttributeText(const xmlNode* element, std::string_view name);

// The attribute converted with textToIntBase0; `found` tells whether the
// attribute exists, and the result is 0 when it does not.
int32_t GetAttributeInt(const xmlNode* element, std::string_view name, bool& found);

// The attribute converted with textToDouble; `found` as above, 0.0 when absent.
double GetAttributeDouble(const xmlNode* element, std::string_view name, bool& found);

// Every attribute of the element as (name, value), in document order.
std::vector<std::pair<std::string, std::string>> getAttributeList(const xmlNode* element);

// Sets (or adds) the element's attribute to `value`, then reads it back with
// GetAttribute; true when the value read back is the value written. False for
// a node that is not an element or a name that is not an XML name.
bool SetAttribute(xmlNode* element, std::string_view name, std::string_view value);

// Called with the element and the name of every attribute lookup above while
// set (null: none), so that a test can hold what the readers ask for against
// the format's vocabulary. Not for use while other threads read documents.
using AttributeLookupObserver = void (*)(const xmlNode* element, std::string_view name) noexcept;
void setAttributeLookupObserver(AttributeLookupObserver observer) noexcept;

// ---- Nodes -------------------------------------------------------------

// The node's name as a DOM shows it: the qualified name of an element or
// attribute, "#text", "#cdata-section", "#comment", "#document", the target
// of a processing instruction. nullopt for a null node.
std::optional<std::string> GetNodeName(const xmlNode* node);
std::optional<std::string> GetNodeName(const xmlAttr* attribute);

// Compares the node's name (as GetNodeName gives it) without copying it.
bool isNodeNamed(const xmlNode* node, std::string_view name) noexcept;

// The node's value: the text of an attribute, the content of a text, CDATA,
// comment or processing-instruction node; nullopt for elements, documents
// and a null node.
std::optional<std::string> GetNodeValue(const xmlNode* node);
std::optional<std::string> GetNodeValue(const xmlAttr* attribute);

// The concatenated text of the node and its descendants (comments and
// processing instructions excluded); nullopt for a null node.
std::optional<std::string> GetNodeText(const xmlNode* node);

bool isCommentNode(const xmlNode* node) noexcept;

// The children of an element or document in document order, comment nodes
// and whitespace-only text passed over; indexable in both directions.
std::vector<xmlNode*> getChildNodes(const xmlNode* node);

// ---- Selection by XPath 1.0 location path ------------------------------

// The first node, in document order, that the path selects from the context
// node ("//corvel", "./protocols", "./.."); null when the path selects
// nothing, does not evaluate to a node set, or is not a valid expression.
xmlNode* selectSingleNode(const xmlNode* context, const std::string& path);

// Every node the path selects, in document order; empty as above.
std::vector<xmlNode*> selectNodes(const xmlNode* context, const std::string& path);

// ---- Copies ------------------------------------------------------------

struct NodeCopyDeleter {
  void operator()(xmlNode* node) const noexcept;
};
// A detached deep copy of an element, belonging to the same document. It
// must be released before the document; to link it into the tree, release()
// it from the pointer first.
using NodeCopy = std::unique_ptr<xmlNode, NodeCopyDeleter>;

// Deep copy of an element; null for other nodes or when copying fails.
NodeCopy cloneNode(const xmlNode* element);

// ---- xmlCharText conversions --------------------------------------------------

// True when the text begins with "0x" or "0X".
bool IsHexString(std::string_view text) noexcept;

// Base-0 integer conversion: "0x"/"0X" selects hexadecimal, a leading "0"
// octal, anything else decimal; leading white space and a sign are taken,
// the conversion stops at the first character that does not belong to the
// number ("12abc" gives 12, "abc" 0), and values beyond the 32-bit signed
// range give the range limits.
int32_t textToIntBase0(std::string_view text);

// Decimal integer conversion of the leading digits (0 when there are none),
// limited to the 32-bit signed range.
int32_t textToInt(std::string_view text);

// Real conversion of the leading number (C locale, whatever the process
// locale); 0.0 when there is none.
double textToDouble(std::string_view text);

// The n-th comma-separated field of a text, counted from 1: the characters
// between the (n-1)-th and the n-th comma. Empty fields count (field 2 of
// "2," is ""); a field beyond the last, or n below 1, is nullopt.
std::optional<std::string> getField(std::string_view text, int32_t n);

// The n-th field converted with textToInt; nullopt when the field is absent.
std::optional<int32_t> getFieldInt(std::string_view text, int32_t n);

}  // namespace corvel
