#include "corvel/xml/xml_access.h"

#include <libxml/xmlerror.h>
#include <libxml/xmlversion.h>
#include <libxml/xpath.h>
#include <locale.h>

#include <cstdlib>
#include <limits>

#include "corvel/base/print_utility.h"

namespace corvel {
namespace {


std::string_view viewOf(const xmlChar* text) noexcept {
  return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

struct XmlCharDeleter {
  void operator()(xmlChar* text) const noexcept { xmlFree(text); }
};
using XmlText = std::unique_ptr<xmlChar, XmlCharDeleter>;

// A name as prefix and local part; the prefix is empty without a namespace.
struct NameParts {
  std::string_view prefix;
  std::string_view local;
};

NameParts qualifiedParts(const xmlNs* ns, const xmlChar* local) noexcept {
  return {ns != nullptr ? viewOf(ns->prefix) : std::string_view(), viewOf(local)};
}

bool namePartsEqual(const NameParts& parts, std::string_view name) noexcept {
  if (parts.prefix.empty()) return name == parts.local;
  return name.size() == parts.prefix.size() + 1 + parts.local.size() &&
         name.substr(0, parts.prefix.size()) == parts.prefix && name[parts.prefix.size()] == ':' &&
         name.substr(parts.prefix.size() + 1) == parts.local;
}

std::string joinParts(const NameParts& parts) {
  if (parts.prefix.empty()) return std::string(parts.local);
  std::string name;
  name.reserve(parts.prefix.size() + 1 + parts.local.size());
  name.append(parts.prefix).append(1, ':').append(parts.local);
  return name;
}

// The DOM name of a node, split; nullopt for node kinds without a name.
std::optional<NameParts> nodeNameParts(const xmlNode* node) noexcept {
  if (node == nullptr) return std::nullopt;
  switch (node->type) {
    case XML_ELEMENT_NODE:
      return qualifiedParts(node->ns, node->name);
    case XML_ATTRIBUTE_NODE: {
      const auto* attribute = reinterpret_cast<const xmlAttr*>(node);
      return qualifiedParts(attribute->ns, attribute->name);
    }
    case XML_TEXT_NODE:
      return NameParts{{}, "#text"};
    case XML_CDATA_SECTION_NODE:
      return NameParts{{}, "#cdata-section"};
    case XML_COMMENT_NODE:
      return NameParts{{}, "#comment"};
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
      return NameParts{{}, "#document"};
    case XML_DOCUMENT_FRAG_NODE:
      return NameParts{{}, "#document-fragment"};
    default:
      if (node->name == nullptr) return std::nullopt;
      return NameParts{{}, viewOf(node->name)};
  }
}

AttributeLookupObserver lookupObserver = nullptr;

const xmlAttr* findAttribute(const xmlNode* node, std::string_view name) noexcept {
  if (!hasAttributeMap(node)) return nullptr;
  if (lookupObserver != nullptr) [[unlikely]] lookupObserver(node, name);
  for (const xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
    if (namePartsEqual(qualifiedParts(attribute->ns, attribute->name), name)) return attribute;
  }
  return nullptr;
}

std::string attributeValue(const xmlAttr* attribute) {
  const xmlNode* child = attribute->children;
  if (child == nullptr) return std::string();
  if (child->next == nullptr && child->type == XML_TEXT_NODE) return std::string(viewOf(child->content));
  XmlText text(xmlNodeListGetString(attribute->doc, attribute->children, 1));
  return std::string(viewOf(text.get()));
}

#if LIBXML_VERSION >= 21200
void ignoreXPathError(void*, const xmlError*) {}
#else
void ignoreXPathError(void*, xmlError*) {}
#endif

struct XPathContextDeleter {
  void operator()(xmlXPathContext* context) const noexcept { xmlXPathFreeContext(context); }
};
struct XPathObjectDeleter {
  void operator()(xmlXPathObject* object) const noexcept { xmlXPathFreeObject(object); }
};
using XPathObject = std::unique_ptr<xmlXPathObject, XPathObjectDeleter>;

// Evaluates a path from the context node; null unless the result is a node
// set. Evaluation errors go nowhere (the caller sees an empty selection).
XPathObject evaluatePath(const xmlNode* context, const std::string& path) {
  if (context == nullptr || context->doc == nullptr) return nullptr;
  std::unique_ptr<xmlXPathContext, XPathContextDeleter> xpath(xmlXPathNewContext(context->doc));
  if (!xpath) return nullptr;
  xpath->error = ignoreXPathError;
  xpath->node = const_cast<xmlNode*>(context);
  XPathObject result(xmlXPathEvalExpression(BAD_CAST path.c_str(), xpath.get()));
  if (!result || result->type != XPATH_NODESET || result->nodesetval == nullptr) return nullptr;
  return result;
}

// Namespace nodes in an XPath result are copies that die with the result;
// they are never handed out.
bool isDocumentNode(const xmlNode* node) noexcept {
  return node != nullptr && node->type != XML_NAMESPACE_DECL;
}

locale_t classicLocale() noexcept {
  static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return classic;
}

int32_t clampToInt32(long long value) noexcept {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int32_t convertInteger(std::string_view text, int base) {
  const std::string terminated(text);
  char* end = nullptr;
  const long long value = std::strtoll(terminated.c_str(), &end, base);
  return clampToInt32(value);
}

}  // namespace

// ---- Attributes --------------------------------------------------------

void setAttributeLookupObserver(AttributeLookupObserver observer) noexcept { lookupObserver = observer; }

std::optional<std::string> GetAttribute(const xmlNode* node, std::string_view name) noexcept {
  try {
    const xmlAttr* attribute = findAttribute(node, name);
    if (attribute == nullptr) return std::nullopt;
    return attributeValue(attribute);
  } catch (...) {
    try {
      sharedPrinter().print("Corvel> Exception in GetAttribute()\n");
    } catch (...) {
    }
    return std::nullopt;
  }
}

bool hasAttributeMap(const xmlNode* node) noexcept {
  return node != nullptr && node->type == XML_ELEMENT_NODE;
}

std::optional<std::string> GetAttributeText(const xmlNode* element, std::string_view name) {
  const xmlAttr* attribute = findAttribute(element, name);
  if (attribute == nullptr) return std::nullopt;
  std::string text = attributeValue(attribute);
  if (text.empty()) return std::nullopt;
  return text;
}

int32_t GetAttributeInt(const xmlNode* element, std::string_view name, bool& found) {
  const xmlAttr* attribute = findAttribute(element, name);
  found = attribute != nullptr;
  return found ? textToIntBase0(attributeValue(attribute)) : 0;
}

double GetAttributeDouble(const xmlNode* element, std::string_view name, bool& found) {
  const xmlAttr* attribute = findAttribute(element, name);
  found = attribute != nullptr;
  return found ? textToDouble(attributeValue(attribute)) : 0.0;
}

std::vector<std::pair<std::string, std::string>> getAttributeList(const xmlNode* element) {
  std::vector<std::pair<std::string, std::string>> list;
  if (!hasAttributeMap(element)) return list;
  for (const xmlAttr* attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
    list.emplace_back(joinParts(qualifiedParts(attribute->ns, attribute->name)),
                      attributeValue(attribute));
  }
  return list;
}

bool SetAttribute(xmlNode* element, std::string_view name, std::string_view value) {
  if (!hasAttributeMap(element)) return false;
  const std::string terminatedName(name);
  const std::string terminatedValue(value);
  // Embedded NUL bytes cannot be stored; the read-back below refuses them.
  if (xmlValidateName(BAD_CAST terminatedName.c_str(), 0) != 0) return false;
  if (xmlSetProp(element, BAD_CAST terminatedName.c_str(), BAD_CAST terminatedValue.c_str()) == nullptr) {
    return false;
  }
  const std::optional<std::string> readBack = GetAttribute(element, name);
  return readBack.has_value() && *readBack == value;
}

// ---- Nodes -------------------------------------------------------------

std::optional<std::string> GetNodeName(const xmlNode* node) {
  const std::optional<NameParts> parts = nodeNameParts(node);
  if (!parts) return std::nullopt;
  return joinParts(*parts);
}

std::optional<std::string> GetNodeName(const xmlAttr* attribute) {
  return GetNodeName(reinterpret_cast<const xmlNode*>(attribute));
}

bool isNodeNamed(const xmlNode* node, std::string_view name) noexcept {
  const std::optional<NameParts> parts = nodeNameParts(node);
  return parts && namePartsEqual(*parts, name);
}

std::optional<std::string> GetNodeValue(const xmlNode* node) {
  if (node == nullptr) return std::nullopt;
  switch (node->type) {
    case XML_ATTRIBUTE_NODE:
      return attributeValue(reinterpret_cast<const xmlAttr*>(node));
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      return std::string(viewOf(node->content));
    default:
      return std::nullopt;
  }
}

std::optional<std::string> GetNodeValue(const xmlAttr* attribute) {
  return GetNodeValue(reinterpret_cast<const xmlNode*>(attribute));
}

std::optional<std::string> GetNodeText(const xmlNode* node) {
  if (node == nullptr) return std::nullopt;
  XmlText text(xmlNodeGetContent(node));
  if (!text) return std::nullopt;
  return std::string(viewOf(text.get()));
}

bool isCommentNode(const xmlNode* node) noexcept {
  return node != nullptr && node->type == XML_COMMENT_NODE;
}

std::vector<xmlNode*> getChildNodes(const xmlNode* node) {
  std::vector<xmlNode*> children;
  if (node == nullptr) return children;
  if (node->type != XML_ELEMENT_NODE && node->type != XML_DOCUMENT_NODE &&
      node->type != XML_DOCUMENT_FRAG_NODE) {
    return children;
  }
  for (xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (isCommentNode(child)) continue;
    if (child->type == XML_TEXT_NODE && xmlIsBlankNode(child)) continue;
    children.push_back(child);
  }
  return children;
}

// ---- Selection ---------------------------------------------------------

xmlNode* selectSingleNode(const xmlNode* context, const std::string& path) {
  const XPathObject result = evaluatePath(context, path);
  if (!result) return nullptr;
  const xmlNodeSet* nodes = result->nodesetval;
  for (int i = 0; i < nodes->nodeNr; ++i) {
    if (isDocumentNode(nodes->nodeTab[i])) return nodes->nodeTab[i];
  }
  return nullptr;
}

std::vector<xmlNode*> selectNodes(const xmlNode* context, const std::string& path) {
  std::vector<xmlNode*> selected;
  const XPathObject result = evaluatePath(context, path);
  if (!result) return selected;
  const xmlNodeSet* nodes = result->nodesetval;
  selected.reserve(static_cast<std::size_t>(nodes->nodeNr));
  for (int i = 0; i < nodes->nodeNr; ++i) {
    if (isDocumentNode(nodes->nodeTab[i])) selected.push_back(nodes->nodeTab[i]);
  }
  return selected;
}

// ---- Copies ------------------------------------------------------------

void NodeCopyDeleter::operator()(xmlNode* node) const noexcept {
  xmlUnlinkNode(node);
  xmlFreeNode(node);
}

NodeCopy cloneNode(const xmlNode* element) {
  if (element == nullptr || element->type != XML_ELEMENT_NODE) return nullptr;
  return NodeCopy(xmlDocCopyNode(const_cast<xmlNode*>(element), element->doc, 1));
}

// ---- xmlCharText conversions --------------------------------------------------

bool IsHexString(std::string_view text) noexcept {
  return text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

int32_t textToIntBase0(std::string_view text) { return convertInteger(text, 0); }

int32_t textToInt(std::string_view text) { return convertInteger(text, 10); }

double textToDouble(std::string_view text) {
  const std::string terminated(text);
  char* end = nullptr;
  const locale_t classic = classicLocale();
  if (classic == static_cast<locale_t>(nullptr)) return std::strtod(terminated.c_str(), &end);
  return strtod_l(terminated.c_str(), &end, classic);
}

std::optional<std::string> getField(std::string_view text, int32_t n) {
  if (n < 1) return std::nullopt;
  std::size_t start = 0;
  for (int32_t field = 1; field < n; ++field) {
    const std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) return std::nullopt;
    start = comma + 1;
  }
  const std::size_t end = text.find(',', start);
  return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

std::optional<int32_t> getFieldInt(std::string_view text, int32_t n) {
  const std::optional<std::string> field = getField(text, n);
  if (!field) return std::nullopt;
  return textToInt(*field);
}

}  // namespace corvel
