// The vocabulary of the TCS format: every element the readers walk, the
// attributes each one takes and the children it may hold. The protocol
// elements' attributes come from the readers' own tables (the describers of
// tcs_protocol_readers.h), the sections' from the rows below, so the
// reference (docs/tcs-reference.md), the schema (schema/tcs.xsd) and the
// warnings about unknown names all read one list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

// What an element may hold besides the children it lists.
enum class ChildRule {
  Listed,     // only the listed children
  Protocols,  // protocol elements too (any name: an unknown one is a custom protocol)
  Loop,       // loop elements named like the protocol elements they change
  Free,       // user-named elements and attributes (tables, declarations): not checked
};

struct ElementDoc {
  std::string key;   // unique name in the vocabulary
  std::string name;  // the XML name; empty: any name
  std::string doc;
  AttributeDocs attributes = {};
  std::vector<std::string> children = {};  // keys
  ChildRule rule = ChildRule::Listed;
  std::string example = {};  // a short XML example
  bool protocol = false;
};

// Every element, the root first, then the sections in document order, the
// traffic types and the protocol elements in the dispatcher's order.
const std::vector<ElementDoc>& tcsVocabulary();

// The element of `key`, or null.
const ElementDoc* findElementDoc(std::string_view key);

// The child of `parent` that an element called `name` is: a listed child, a
// protocol element where the rule allows one; null when the name is unknown
// (or, under the Protocols rule, a custom protocol).
const ElementDoc* findChildDoc(const ElementDoc& parent, std::string_view name);

// The attribute of `element` called `name`, or null.
const AttributeDoc* findAttributeDoc(const ElementDoc& element, std::string_view name);

// The one known name closest to `name` by edit distance, when it is close
// (at most 2 edits, and fewer than half the name's length); empty when there
// is none or two are equally close.
std::string closestName(std::string_view name, const std::vector<std::string_view>& known);

}  // namespace corvel
