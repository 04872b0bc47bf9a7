#include <string>
#include <string_view>

#include "corvel/tcs/tcs_vocabulary.h"
#include "writers.h"

namespace tcsdoc {

namespace {

using corvel::AttributeDoc;
using corvel::ChildRule;
using corvel::ElementDoc;

// A table cell: a bar would end it, a line break the row.
std::string cell(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '|') {
      out += "\\|";
    } else if (c == '\n') {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out.empty() ? "-" : out;
}

std::string code(std::string_view text) { return text.empty() ? "-" : "`" + std::string(text) + "`"; }

// The heading's anchor as Markdown renderers make it: lower case, blanks as
// hyphens, other punctuation dropped.
std::string anchor(const ElementDoc& element) {
  std::string out;
  for (char c : element.key) {
    if (c == ' ') {
      out += '-';
    } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-') {
      out += c;
    } else if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

std::string link(const ElementDoc& element) { return "[" + element.key + "](#" + anchor(element) + ")"; }

const char* kIntroduction =
    "# TCS reference\n"
    "\n"
    "<!-- Written by tools/tcsdoc from the readers' attribute tables; do not edit by hand. After a reader changes:\n"
    "     build/bin/tcsdoc --reference docs/tcs-reference.md --schema schema/tcs.xsd -->\n"
    "\n"
    "Every element and attribute the TCS readers take. The schema `schema/tcs.xsd` is written from the same "
    "tables; a load warns of any other attribute or element in the parts listed here, naming the close known "
    "name when there is one.\n"
    "\n"
    "Value types:\n"
    "\n"
    "- `int`: an integer, decimal, `0x` hexadecimal or `0` octal; the reading stops at the first character that "
    "belongs to no number, and values beyond the 32-bit signed range give its limits.\n"
    "- `hex`: `0x` followed by hexadecimal digits (a value without the prefix is ignored).\n"
    "- `real`: a decimal number.\n"
    "- `text`, `choice`: a word or free text; a `choice` takes only the words its range names.\n"
    "- `levels`: a level and, after a comma, a count.\n"
    "- `port`: `device,port`.\n"
    "- `directory`: a directory name, optionally followed by `,1` (taken) or `,0` (not taken).\n"
    "- `flag`: set unless the text is `0`.\n"
    "\n"
    "Defaults are what the readers use when the attribute is absent; \"the bits of hdr\" is the header the "
    "element's `hdr` attribute gives, all zero without it.\n";

void writeAttributes(std::string& out, const ElementDoc& element) {
  if (element.attributes.empty()) {
    out += "No attributes.\n\n";
    return;
  }
  out += "| Attribute | Type | Range | Default | Unit | Meaning | Example |\n";
  out += "|---|---|---|---|---|---|---|\n";
  for (const AttributeDoc& attribute : element.attributes) {
    out += "| " + code(attribute.name) + " | " + cell(attribute.type) + " | " + cell(attribute.range) + " | " +
           cell(attribute.defaultValue) + " | " + cell(attribute.unit) + " | " + cell(attribute.doc) + " | " +
           code(attribute.name + "=\"" + attribute.example + "\"") + " |\n";
  }
  out += "\n";
}

void writeChildren(std::string& out, const ElementDoc& element) {
  std::string children;
  for (const std::string& key : element.children) {
    if (const ElementDoc* child = corvel::findElementDoc(key)) {
      children += (children.empty() ? "" : ", ") + link(*child);
    }
  }
  switch (element.rule) {
    case ChildRule::Protocols:
      children += std::string(children.empty() ? "" : ", ") + "[protocol elements](#protocol-elements)";
      break;
    case ChildRule::Loop:
      children += std::string(children.empty() ? "" : ", ") +
                  "loop elements, named like the protocol elements they change, with those elements' attributes";
      break;
    case ChildRule::Free:
      children += std::string(children.empty() ? "" : ", ") + "elements and attributes named by the user";
      break;
    case ChildRule::Listed:
      break;
  }
  if (!children.empty()) out += "Children: " + children + ".\n\n";
}

void writeElement(std::string& out, const ElementDoc& element) {
  out += "### " + element.key + "\n\n";
  if (element.name.empty() || element.name != element.key)
    out += "Element `" + (element.name.empty() ? std::string("*") : element.name) + "`.\n\n";
  out += element.doc + "\n\n";
  writeChildren(out, element);
  writeAttributes(out, element);
  if (!element.example.empty()) out += "Example:\n\n    " + element.example + "\n\n";
}

void writeTree(std::string& out, const ElementDoc& element, int depth) {
  out += std::string(static_cast<size_t>(2 * depth), ' ') + "- " + link(element) + "\n";
  if (depth > 6) return;
  for (const std::string& key : element.children) {
    const ElementDoc* child = corvel::findElementDoc(key);
    if (child != nullptr && child->key != element.key) writeTree(out, *child, depth + 1);
  }
  if (element.rule == ChildRule::Protocols)
    out += std::string(static_cast<size_t>(2 * depth + 2), ' ') + "- [protocol elements](#protocol-elements)\n";
}

}  // namespace

std::string referenceMarkdown() {
  std::string out = kIntroduction;
  out += "\n## Document structure\n\n";
  const ElementDoc* root = corvel::findElementDoc("corvel");
  if (root != nullptr) writeTree(out, *root, 0);
  out += "\n## Sections\n\n";
  bool protocols = false;
  for (const ElementDoc& element : corvel::tcsVocabulary()) {
    if (element.protocol && !protocols) {
      out += "## Protocol elements\n\n"
             "One element per protocol layer in `protocols`, `stream_files`, `full_header` and a policy's flow key; "
             "an element of any other name is a custom protocol declared in `type_definitions`. Every protocol "
             "element also takes `instance_id`.\n\n";
      protocols = true;
    }
    writeElement(out, element);
  }
  return out;
}

}  // namespace tcsdoc
