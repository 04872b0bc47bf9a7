#include "corvel/tables/entry_template.h"

#include <algorithm>
#include <new>
#include <optional>

#include "corvel/base/text_error.h"
#include "corvel/xml/tcs_place.h"

namespace corvel {
namespace {

// Widths above this can only give values that are refused anyway.
constexpr std::size_t kWidthCap = kMaxSubstitutedValue + 1;

std::string qualifiedName(const xmlAttr* attribute) {
  std::string name;
  if (attribute->ns != nullptr && attribute->ns->prefix != nullptr) {
    name.append(reinterpret_cast<const char*>(attribute->ns->prefix)).push_back(':');
  }
  name.append(reinterpret_cast<const char*>(attribute->name));
  return name;
}

}  // namespace

EntryTemplate::EntryTemplate(const xmlNode* templateElement, int32_t level, const Resolver& resolve)
    : _level(level), _source(templateElement) {
  _entry.reset(xmlNewDocNode(templateElement->doc, templateElement->ns, templateElement->name, nullptr));
  if (!_entry) throw std::bad_alloc();
  for (const xmlAttr* attribute = templateElement->properties; attribute != nullptr;
       attribute = attribute->next) {
    Attribute compiled;
    compiled.name = qualifiedName(attribute);
    compiled.pieces = compileValue(GetNodeValue(attribute).value_or(std::string()), level, resolve);
    compiled.target = xmlNewNsProp(_entry.get(), attribute->ns, attribute->name, BAD_CAST "");
    if (compiled.target == nullptr) throw std::bad_alloc();
    _attributes.push_back(std::move(compiled));
  }
  _buffer.reserve(kMaxSubstitutedValue + 1);
}

std::vector<EntryTemplate::Piece> EntryTemplate::compileValue(std::string_view value, int32_t level,
                                                              const Resolver& resolve) {
  std::vector<Piece> pieces;
  const auto addLiteral = [&pieces](std::string_view text) {
    if (text.empty()) return;
    if (pieces.empty() || pieces.back().variable >= 0) pieces.emplace_back();
    pieces.back().literal.append(text);
  };
  std::size_t position = 0;
  while (position < value.size()) {
    const std::size_t hash = value.find('#', position);
    const std::size_t semicolon = hash == std::string_view::npos ? hash : value.find(';', hash + 1);
    if (semicolon == std::string_view::npos) {
      addLiteral(value.substr(position));
      break;
    }
    addLiteral(value.substr(position, hash - position));
    // Between "#" and ";": an optional decimal width, then the name.
    const std::string_view reference = value.substr(hash + 1, semicolon - hash - 1);
    std::size_t digits = 0;
    std::size_t width = 0;
    while (digits < reference.size() && reference[digits] >= '0' && reference[digits] <= '9') {
      width = std::min(kWidthCap, width * 10 + static_cast<std::size_t>(reference[digits] - '0'));
      ++digits;
    }
    const std::string_view name = reference.substr(digits);
    const int32_t variable = name.empty() ? -1 : resolve(name, level);
    if (variable < 0) {
      addLiteral(value.substr(hash, semicolon - hash + 1));  // "#", ";" and all
    } else {
      pieces.push_back(Piece{std::string(), variable, width});
    }
    position = semicolon + 1;
  }
  return pieces;
}

xmlNode* EntryTemplate::produce(const std::vector<LoopVariable>& variables, std::string_view tableId) {
  for (const Attribute& attribute : _attributes) substitute(attribute, variables, tableId);
  return _entry.get();
}

void EntryTemplate::substitute(const Attribute& attribute, const std::vector<LoopVariable>& variables,
                               std::string_view tableId) {
  _buffer.clear();
  for (const Piece& piece : attribute.pieces) {
    if (piece.variable < 0) {
      _buffer.append(piece.literal);
    } else {
      const std::size_t start = _buffer.size();
      variables[static_cast<std::size_t>(piece.variable)].appendText(_buffer);
      const std::size_t written = _buffer.size() - start;
      if (piece.width > written) _buffer.insert(start, piece.width - written, '0');
    }
    if (_buffer.size() > kMaxSubstitutedValue) {
      const PlaceScope place(_source, attribute.name);
      throw TextError("value of attribute " + attribute.name + " in an entry of table " +
                      std::string(tableId) + " is longer than 255 characters");
    }
  }
  // The entry's attribute holds one text node: overwrite its content.
  xmlNode* text = attribute.target->children;
  if (text != nullptr && text->next == nullptr && text->type == XML_TEXT_NODE) {
    xmlNodeSetContentLen(text, reinterpret_cast<const xmlChar*>(_buffer.data()),
                         static_cast<int>(_buffer.size()));
  } else if (xmlSetNsProp(_entry.get(), attribute.target->ns, attribute.target->name,
                          reinterpret_cast<const xmlChar*>(_buffer.c_str())) == nullptr) {
    throw std::bad_alloc();
  }
}

}  // namespace corvel
