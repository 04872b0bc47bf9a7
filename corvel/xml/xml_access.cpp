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


std::string_view View(const xmlChar* text) noexcept {
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

NameParts QualifiedParts(const xmlNs* ns, const xmlChar* local) noexcept {
  return {ns != nullptr ? View(ns->prefix) : std::string_view(), View(local)};
}

bool NamePartsEqual(const NameParts& parts, std::string_view name) noexcept {
  if (parts.prefix.empty()) return name == parts.local;
  return name.size() == parts.prefix.size() + 1 + parts.local.size() &&
         name.substr(0, parts.prefix.size()) == parts.prefix && name[parts.prefix.size()] == ':' &&
         name.substr(parts.prefix.size() + 1) == parts.local;
}

std::string JoinParts(const NameParts& parts) {
  if (parts.prefix.empty()) return std::string(parts.local);
  std::string name;
  name.reserve(parts.prefix.size() + 1 + parts.local.size());
  name.append(parts.prefix).append(1, ':').append(parts.local);
  return name;
}

// The DOM name of a node, split; nullopt for node kinds without a name.
std::optional<NameParts> NodeNameParts(const xmlNode* node) noexcept {
  if (node == nullptr) return std::nullopt;
  switch (node->type) {
    case XML_ELEMENT_NODE:
      return QualifiedParts(node->ns, node->name);
    case XML_ATTRIBUTE_NODE: {
      const auto* attribute = reinterpret_cast<const xmlAttr*>(node);
      return QualifiedParts(attribute->ns, attribute->name);
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
      return NameParts{{}, View(node->name)};
  }
}

const xmlAttr* FindAttribute(const xmlNode* node, std::string_view name) noexcept {
  if (!HasAttributeMap(node)) return nullptr;
  for (const xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
    if (NamePartsEqual(QualifiedParts(attribute->ns, attribute->name), name)) return attribute;
  }
  return nullptr;
}

std::string AttributeValue(const xmlAttr* attribute) {
  const xmlNode* child = attribute->children;
  if (child == nullptr) return std::string();
  if (child->next == nullptr && child->type == XML_TEXT_NODE) return std::string(View(child->content));
  XmlText text(xmlNodeListGetString(attribute->doc, attribute->children, 1));
  return std::string(View(text.get()));
}

#if LIBXML_VERSION >= 21200
void IgnoreXPathError(void*, const xmlError*) {}
#else
void IgnoreXPathError(void*, xmlError*) {}
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
XPathObject EvaluatePath(const xmlNode* context, const std::string& path) {
  if (context == nullptr || context->doc == nullptr) return nullptr;
  std::unique_ptr<xmlXPathContext, XPathContextDeleter> xpath(xmlXPathNewContext(context->doc));
  if (!xpath) return nullptr;
  xpath->error = IgnoreXPathError;
  xpath->node = const_cast<xmlNode*>(context);
  XPathObject result(xmlXPathEvalExpression(BAD_CAST path.c_str(), xpath.get()));
  if (!result || result->type != XPATH_NODESET || result->nodesetval == nullptr) return nullptr;
  return result;
}

// Namespace nodes in an XPath result are copies that die with the result;
// they are never handed out.
bool IsDocumentNode(const xmlNode* node) noexcept {
  return node != nullptr && node->type != XML_NAMESPACE_DECL;
}

locale_t ClassicLocale() noexcept {
  static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return classic;
}

int32_t ClampToInt32(long long value) noexcept {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int32_t ConvertInteger(std::string_view text, int base) {
  const std::string terminated(text);
  char* end = nullptr;
  const long long value = std::strtoll(terminated.c_str(), &end, base);
  return ClampToInt32(value);
}

}  // namespace

// ---- Attributes --------------------------------------------------------

std::optional<std::string> GetAttribute(const xmlNode* node, std::string_view name) noexcept {
  try {
    const xmlAttr* attribute = FindAttribute(node, name);
    if (attribute == nullptr) return std::nullopt;
    return AttributeValue(attribute);
  } catch (...) {
    try {
      sharedPrinter().print("Corvel> Exception in GetAttribute()\n");
    } catch (...) {
    }
    return std::nullopt;
  }
}

bool HasAttributeMap(const xmlNode* node) noexcept {
  return node != nullptr && node->type == XML_ELEMENT_NODE;
}

std::optional<std::string> GetAttributeText(const xmlNode* element, std::string_view name) {
  const xmlAttr* attribute = FindAttribute(element, name);
  if (attribute == nullptr) return std::nullopt;
  std::string text = AttributeValue(attribute);
  if (text.empty()) return std::nullopt;
  return text;
}

int32_t GetAttributeInt(const xmlNode* element, std::string_view name, bool& found) {
  const xmlAttr* attribute = FindAttribute(element, name);
  found = attribute != nullptr;
  return found ? TextToIntBase0(AttributeValue(attribute)) : 0;
}

double GetAttributeDouble(const xmlNode* element, std::string_view name, bool& found) {
  const xmlAttr* attribute = FindAttribute(element, name);
  found = attribute != nullptr;
  return found ? TextToDouble(AttributeValue(attribute)) : 0.0;
}

std::vector<std::pair<std::string, std::string>> GetAttributeList(const xmlNode* element) {
  std::vector<std::pair<std::string, std::string>> list;
  if (!HasAttributeMap(element)) return list;
  for (const xmlAttr* attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
    list.emplace_back(JoinParts(QualifiedParts(attribute->ns, attribute->name)),
                      AttributeValue(attribute));
  }
  return list;
}

bool SetAttribute(xmlNode* element, std::string_view name, std::string_view value) {
  if (!HasAttributeMap(element)) return false;
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
  const std::optional<NameParts> parts = NodeNameParts(node);
  if (!parts) return std::nullopt;
  return JoinParts(*parts);
}

std::optional<std::string> GetNodeName(const xmlAttr* attribute) {
  return GetNodeName(reinterpret_cast<const xmlNode*>(attribute));
}

bool IsNodeNamed(const xmlNode* node, std::string_view name) noexcept {
  const std::optional<NameParts> parts = NodeNameParts(node);
  return parts && NamePartsEqual(*parts, name);
}

std::optional<std::string> GetNodeValue(const xmlNode* node) {
  if (node == nullptr) return std::nullopt;
  switch (node->type) {
    case XML_ATTRIBUTE_NODE:
      return AttributeValue(reinterpret_cast<const xmlAttr*>(node));
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      return std::string(View(node->content));
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
  return std::string(View(text.get()));
}

bool IsCommentNode(const xmlNode* node) noexcept {
  return node != nullptr && node->type == XML_COMMENT_NODE;
}

std::vector<xmlNode*> GetChildNodes(const xmlNode* node) {
  std::vector<xmlNode*> children;
  if (node == nullptr) return children;
  if (node->type != XML_ELEMENT_NODE && node->type != XML_DOCUMENT_NODE &&
      node->type != XML_DOCUMENT_FRAG_NODE) {
    return children;
  }
  for (xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (IsCommentNode(child)) continue;
    if (child->type == XML_TEXT_NODE && xmlIsBlankNode(child)) continue;
    children.push_back(child);
  }
  return children;
}

// ---- Selection ---------------------------------------------------------

xmlNode* SelectSingleNode(const xmlNode* context, const std::string& path) {
  const XPathObject result = EvaluatePath(context, path);
  if (!result) return nullptr;
  const xmlNodeSet* nodes = result->nodesetval;
  for (int i = 0; i < nodes->nodeNr; ++i) {
    if (IsDocumentNode(nodes->nodeTab[i])) return nodes->nodeTab[i];
  }
  return nullptr;
}

std::vector<xmlNode*> SelectNodes(const xmlNode* context, const std::string& path) {
  std::vector<xmlNode*> selected;
  const XPathObject result = EvaluatePath(context, path);
  if (!result) return selected;
  const xmlNodeSet* nodes = result->nodesetval;
  selected.reserve(static_cast<std::size_t>(nodes->nodeNr));
  for (int i = 0; i < nodes->nodeNr; ++i) {
    if (IsDocumentNode(nodes->nodeTab[i])) selected.push_back(nodes->nodeTab[i]);
  }
  return selected;
}

// ---- Copies ------------------------------------------------------------

void NodeCopyDeleter::operator()(xmlNode* node) const noexcept {
  xmlUnlinkNode(node);
  xmlFreeNode(node);
}

NodeCopy CloneNode(const xmlNode* element) {
  if (element == nullptr || element->type != XML_ELEMENT_NODE) return nullptr;
  return NodeCopy(xmlDocCopyNode(const_cast<xmlNode*>(element), element->doc, 1));
}

// ---- Text conversions --------------------------------------------------

bool IsHexString(std::string_view text) noexcept {
  return text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

int32_t TextToIntBase0(std::string_view text) { return ConvertInteger(text, 0); }

int32_t TextToInt(std::string_view text) { return ConvertInteger(text, 10); }

double TextToDouble(std::string_view text) {
  const std::string terminated(text);
  char* end = nullptr;
  const locale_t classic = ClassicLocale();
  if (classic == static_cast<locale_t>(nullptr)) return std::strtod(terminated.c_str(), &end);
  return strtod_l(terminated.c_str(), &end, classic);
}

std::optional<std::string> GetField(std::string_view text, int32_t n) {
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

std::optional<int32_t> GetFieldInt(std::string_view text, int32_t n) {
  const std::optional<std::string> field = GetField(text, n);
  if (!field) return std::nullopt;
  return TextToInt(*field);
}

}  // namespace corvel
