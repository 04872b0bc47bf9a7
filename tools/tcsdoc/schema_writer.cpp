#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/tcs/tcs_vocabulary.h"
#include "writers.h"

namespace tcsdoc {

namespace {

using corvel::AttributeDoc;
using corvel::ChildRule;
using corvel::ElementDoc;

std::string escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string typeName(const ElementDoc& element) {
  std::string name;
  for (char c : element.key) name += c == ' ' ? '_' : c;
  return name + "Type";
}

std::string documentation(std::string_view text, const std::string& indent) {
  if (text.empty()) return {};
  return indent + "<xs:annotation><xs:documentation>" + escaped(text) + "</xs:documentation></xs:annotation>\n";
}

// The value forms as the readers take them. Blanks around a number are read
// past; an empty value reads as 0.
const char* kSimpleTypes =
    "  <xs:simpleType name=\"tcsInt\">\n"
    "    <xs:restriction base=\"xs:string\">\n"
    "      <xs:pattern value=\"(\\s*[+\\-]?(0[xX][0-9a-fA-F]+|[0-9]+)\\s*)?\"/>\n"
    "    </xs:restriction>\n"
    "  </xs:simpleType>\n"
    "  <xs:simpleType name=\"tcsHex\">\n"
    "    <xs:restriction base=\"xs:string\">\n"
    "      <xs:pattern value=\"0[xX][0-9a-fA-F]*\"/>\n"
    "    </xs:restriction>\n"
    "  </xs:simpleType>\n"
    "  <xs:simpleType name=\"tcsReal\">\n"
    "    <xs:restriction base=\"xs:string\">\n"
    "      <xs:pattern value=\"\\s*[+\\-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+\\-]?[0-9]+)?\\s*\"/>\n"
    "    </xs:restriction>\n"
    "  </xs:simpleType>\n"
    "  <xs:simpleType name=\"tcsLevels\">\n"
    "    <xs:restriction base=\"xs:string\">\n"
    "      <xs:pattern value=\"[0-9]+(,[0-9]*)?\"/>\n"
    "    </xs:restriction>\n"
    "  </xs:simpleType>\n"
    "  <xs:simpleType name=\"tcsPort\">\n"
    "    <xs:restriction base=\"xs:string\">\n"
    "      <xs:pattern value=\"\\s*[0-9]+\\s*,\\s*[0-9]+\\s*\"/>\n"
    "    </xs:restriction>\n"
    "  </xs:simpleType>\n";

// The words of a choice's range: "srTCM or trTCM".
std::vector<std::string> choices(std::string_view range) {
  std::vector<std::string> words;
  size_t start = 0;
  for (size_t at; (at = range.find(" or ", start)) != std::string_view::npos; start = at + 4)
    words.emplace_back(range.substr(start, at - start));
  words.emplace_back(range.substr(start));
  return words;
}

void writeAttribute(std::string& out, const AttributeDoc& attribute) {
  const std::string head = "    <xs:attribute name=\"" + escaped(attribute.name) + "\"";
  // What an editor shows beside the attribute: its meaning, range, default and unit.
  std::string text = attribute.doc + (attribute.doc.empty() ? "" : ". ") + "Range: " + attribute.range +
                     ". Default: " + attribute.defaultValue + ".";
  if (!attribute.unit.empty()) text += " Unit: " + attribute.unit + ".";
  const std::string doc = documentation(text, "      ");
  if (attribute.type == "choice") {
    out += head + ">\n" + doc + "      <xs:simpleType>\n        <xs:restriction base=\"xs:string\">\n";
    for (const std::string& word : choices(attribute.range))
      out += "          <xs:enumeration value=\"" + escaped(word) + "\"/>\n";
    out += "        </xs:restriction>\n      </xs:simpleType>\n    </xs:attribute>\n";
    return;
  }
  std::string type = "xs:string";
  if (attribute.type == "int") type = "tcsInt";
  if (attribute.type == "hex") type = "tcsHex";
  if (attribute.type == "real") type = "tcsReal";
  if (attribute.type == "levels") type = "tcsLevels";
  if (attribute.type == "port") type = "tcsPort";
  out += head + " type=\"" + type + "\"";
  out += doc.empty() ? "/>\n" : ">\n" + doc + "    </xs:attribute>\n";
}

void writeContent(std::string& out, const ElementDoc& element) {
  switch (element.rule) {
    case ChildRule::Free:
      out += "    <xs:sequence>\n      <xs:any processContents=\"skip\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
             "    </xs:sequence>\n";
      return;
    case ChildRule::Loop:
      out += "    <xs:sequence>\n      <xs:any processContents=\"skip\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
             "    </xs:sequence>\n";
      return;
    case ChildRule::Protocols:
      // Protocol elements and traffic types are declared globally, so lax
      // content checks them and lets a custom protocol's element pass.
      out += "    <xs:sequence>\n      <xs:any processContents=\"lax\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
             "    </xs:sequence>\n";
      return;
    case ChildRule::Listed:
      break;
  }
  if (element.children.empty()) return;
  out += "    <xs:choice minOccurs=\"0\" maxOccurs=\"unbounded\">\n";
  for (const std::string& key : element.children) {
    const ElementDoc* child = corvel::findElementDoc(key);
    if (child == nullptr) continue;
    out += "      <xs:element name=\"" + escaped(child->name) + "\" type=\"" + typeName(*child) + "\"/>\n";
  }
  out += "    </xs:choice>\n";
}

void writeType(std::string& out, const ElementDoc& element) {
  out += "  <xs:complexType name=\"" + typeName(element) + "\"" +
         (element.rule == ChildRule::Free ? " mixed=\"true\"" : "") + ">\n";
  out += documentation(element.doc, "    ");
  writeContent(out, element);
  for (const AttributeDoc& attribute : element.attributes) writeAttribute(out, attribute);
  if (element.rule == ChildRule::Free) out += "    <xs:anyAttribute processContents=\"skip\"/>\n";
  out += "  </xs:complexType>\n";
}

// Elements that stand in lax content: declared globally.
bool isGlobal(const ElementDoc& element) {
  static const std::set<std::string> trafficTypes = {"cbr", "nrt_vbr", "rt_vbr", "ubr", "flow", "tokenBucket_flow"};
  return element.key == "corvel" || element.protocol || trafficTypes.count(element.key) != 0;
}

}  // namespace

std::string schemaXsd() {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!-- The TCS format as the traffic simulator's readers take it. Written by tools/tcsdoc from the readers'\n"
      "     attribute tables; do not edit by hand (see docs/tcs-reference.md). -->\n"
      "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n";
  out += kSimpleTypes;
  for (const ElementDoc& element : corvel::tcsVocabulary()) {
    if (isGlobal(element))
      out += "  <xs:element name=\"" + escaped(element.name) + "\" type=\"" + typeName(element) + "\"/>\n";
  }
  for (const ElementDoc& element : corvel::tcsVocabulary()) writeType(out, element);
  out += "</xs:schema>\n";
  return out;
}

}  // namespace tcsdoc
