#include "corvel/tables/table_nodes.h"

#include "corvel/xml/xml_access.h"

namespace corvel {
namespace {

std::string_view viewOf(const xmlChar* text) noexcept {
  return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// Compares an attribute's qualified name (prefix:local) with `name`.
bool attributeNamed(const xmlAttr* attribute, std::string_view name) noexcept {
  const std::string_view local = viewOf(attribute->name);
  if (attribute->ns == nullptr || attribute->ns->prefix == nullptr) return local == name;
  const std::string_view prefix = viewOf(attribute->ns->prefix);
  return name.size() == prefix.size() + 1 + local.size() && name.starts_with(prefix) &&
         name[prefix.size()] == ':' && name.ends_with(local);
}

}  // namespace

bool isEntryName(std::string_view name) noexcept {
  const std::size_t dot = name.find('.');
  return dot != std::string_view::npos && name.substr(dot) == ".entry";
}

bool isTemplateName(std::string_view name) noexcept { return name == "entry" || isEntryName(name); }

xmlNode* elementFrom(xmlNode* node) noexcept {
  while (node != nullptr && node->type != XML_ELEMENT_NODE) node = node->next;
  return node;
}

xmlNode* findChildElement(const xmlNode* parent, std::string_view name) noexcept {
  if (parent == nullptr) return nullptr;
  for (xmlNode* child = elementFrom(parent->children); child != nullptr; child = nextElement(child)) {
    if (isNodeNamed(child, name)) return child;
  }
  return nullptr;
}

std::optional<std::string_view> attributeView(const xmlNode* element, std::string_view name,
                                              std::string& scratch) {
  if (element == nullptr || element->type != XML_ELEMENT_NODE) return std::nullopt;
  for (const xmlAttr* attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
    if (!attributeNamed(attribute, name)) continue;
    const xmlNode* child = attribute->children;
    if (child == nullptr) return std::string_view();
    if (child->next == nullptr && child->type == XML_TEXT_NODE) return viewOf(child->content);
    // Several pieces (entity references kept in the value): join them.
    scratch = GetAttribute(element, name).value_or(std::string());
    return std::string_view(scratch);
  }
  return std::nullopt;
}

}  // namespace corvel
