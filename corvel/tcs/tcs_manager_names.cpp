// The manager's check of the names in a TCS file against the vocabulary the
// readers take (tcs_vocabulary.h). It walks the document as written, before
// any section is read: table loops write into copies, never into it.
#include <string>
#include <string_view>
#include <vector>

#include "corvel/tcs/tcs_manager.h"
#include "corvel/tcs/tcs_vocabulary.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

class NameCheck {
 public:
  explicit NameCheck(TcsManager& manager) : _manager(manager) {}

  void walk(const xmlNode* element, const ElementDoc& doc) {
    checkAttributes(element, doc);
    if (doc.rule == ChildRule::Free) return;
    for (const xmlNode* child : childElements(element)) {
      const std::string_view name = nameOf(child);
      if (doc.rule == ChildRule::Loop) {
        walkLoopElement(child, name);
        continue;
      }
      if (const ElementDoc* childDoc = findChildDoc(doc, name)) {
        walk(child, *childDoc);
      } else if (doc.rule == ChildRule::Listed) {
        warnElement(child, element, doc);
      }
      // Under the Protocols rule an unknown name is a custom protocol: its
      // reader checks it against its declaration.
    }
  }

  int32_t warnings() const noexcept { return _warnings; }

 private:
  static std::string_view nameOf(const xmlNode* node) {
    return node->name != nullptr ? std::string_view(reinterpret_cast<const char*>(node->name)) : std::string_view();
  }

  static std::vector<const xmlNode*> childElements(const xmlNode* element) {
    std::vector<const xmlNode*> elements;
    for (const xmlNode* child = element->children; child != nullptr; child = child->next) {
      if (child->type == XML_ELEMENT_NODE) elements.push_back(child);
    }
    return elements;
  }

  // A loop element changes the protocol element of its name: it takes that
  // element's attributes. A nested loop ends the loop's children, as for the
  // loop itself; a name that is no protocol is the loop's own report.
  void walkLoopElement(const xmlNode* element, std::string_view name) {
    if (name == "for_table_entries") return;
    const ElementDoc* protocol = findElementDoc(name);
    if (protocol != nullptr && protocol->protocol) checkAttributes(element, *protocol);
  }

  void checkAttributes(const xmlNode* element, const ElementDoc& doc) {
    if (doc.rule == ChildRule::Free) return;
    for (const xmlAttr* attribute = element->properties; attribute != nullptr; attribute = attribute->next) {
      // Namespaced attributes (xsi:noNamespaceSchemaLocation) belong to other vocabularies.
      if (attribute->ns != nullptr || attribute->name == nullptr) continue;
      const std::string_view name(reinterpret_cast<const char*>(attribute->name));
      if (findAttributeDoc(doc, name) == nullptr) warnAttribute(element, name, doc);
    }
  }

  void warnAttribute(const xmlNode* element, std::string_view name, const ElementDoc& doc) {
    std::vector<std::string_view> known;
    for (const AttributeDoc& attribute : doc.attributes) known.push_back(attribute.name);
    const PlaceScope place(element, name);
    report("attribute", safePlaceText(name, false), std::string(nameOf(element)), closestName(name, known));
  }

  void warnElement(const xmlNode* element, const xmlNode* parent, const ElementDoc& parentDoc) {
    std::vector<std::string_view> known;
    for (const std::string& key : parentDoc.children) {
      if (const ElementDoc* child = findElementDoc(key)) known.push_back(child->name);
    }
    const std::string_view name = nameOf(element);
    const PlaceScope place(element);
    report("element", "<" + safePlaceText(name, false) + ">", std::string(nameOf(parent)), closestName(name, known));
  }

  void report(const char* what, const std::string& name, const std::string& parent, const std::string& meant) {
    const std::string in = safePlaceText(parent, false);
    if (meant.empty()) {
      _manager.printer().print("Corvel> Warning, unknown %s %s in <%s> is ignored\n", what, name.c_str(), in.c_str());
    } else {
      _manager.printer().print("Corvel> Warning, unknown %s %s in <%s> is ignored; did you mean \"%s\"?\n", what,
                               name.c_str(), in.c_str(), meant.c_str());
    }
    _manager.printPlace();
    ++_warnings;
  }

  TcsManager& _manager;
  int32_t _warnings = 0;
};

}  // namespace

int32_t TcsManager::warnUnknownNames() {
  const xmlNode* root = selectSingleNode(_documentNode, "//corvel");
  const ElementDoc* doc = findElementDoc("corvel");
  if (root == nullptr || doc == nullptr) return 0;
  NameCheck check(*this);
  check.walk(root, *doc);
  return check.warnings();
}

}  // namespace corvel
