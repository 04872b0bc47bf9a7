#include "corvel/xml/tcs_place.h"

#include <exception>

#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

std::string lineText(long line) { return std::to_string(line); }

// The element has the attribute, whatever its value.
bool hasAttribute(const xmlNode* element, const std::string& name) {
  return GetAttribute(element, name).has_value();
}

}  // namespace

std::string safePlaceText(std::string_view text, bool quoted, std::size_t maxBytes) {
  constexpr char kHex[] = "0123456789abcdef";
  const bool cut = text.size() > maxBytes;
  if (cut) text = text.substr(0, maxBytes);
  std::string out;
  out.reserve(text.size() + 8);
  if (quoted) out.push_back('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out.append("\\\"");
        continue;
      case '\\':
        out.append("\\\\");
        continue;
      case '\n':
        out.append("\\n");
        continue;
      case '\r':
        out.append("\\r");
        continue;
      case '\t':
        out.append("\\t");
        continue;
      default:
        break;
    }
    if (byte >= 0x20 && byte <= 0x7e) {
      out.push_back(c);
    } else {
      out.append("\\x").push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0x0f]);
    }
  }
  if (quoted) out.push_back('"');
  if (cut) out.append("...");
  return out;
}

// ---- TcsPlace ------------------------------------------------------------

TcsPlace::TcsPlace(std::string fileName) : _fileName(std::move(fileName)) {}

TcsPlace::~TcsPlace() { detach(); }

void TcsPlace::attach(xmlDoc* document) noexcept {
  detach();
  if (document == nullptr) return;
  _document = document;
  _document->_private = this;
}

void TcsPlace::detach() noexcept {
  if (_document != nullptr && _document->_private == this) _document->_private = nullptr;
  _document = nullptr;
}

TcsPlace* TcsPlace::of(const xmlNode* node) noexcept {
  if (node == nullptr || node->doc == nullptr) return nullptr;
  return static_cast<TcsPlace*>(node->doc->_private);
}

std::string TcsPlace::describe() const {
  if (_kept) return *_kept;
  return describeSpot(_spot);
}

void TcsPlace::print(const PrintUtility& printer) {
  const std::string line = describe();
  _kept.reset();
  if (!line.empty()) printer.print("Corvel>   %s\n", line.c_str());
}

bool TcsPlace::inCurrentLoopEntry(const xmlNode* element) const noexcept {
  if (_loopEntry == nullptr) return false;
  for (const xmlNode* node = element; node != nullptr; node = node->parent) {
    if (node == _loopEntry->copy || node == _loopEntry->loop) return true;
  }
  return false;
}

// The loop element whose value is at fault in an element of the loop copy:
// the last one that wrote the attribute (or, for the element as a whole, the
// last one that wrote into it); null when the value is the copy's own.
const xmlNode* TcsPlace::loopWriter(const xmlNode* element, const std::string& attribute) const {
  const auto& writes = _loopEntry->writes;
  for (auto write = writes.rbegin(); write != writes.rend(); ++write) {
    if (write->first != element) continue;
    if (attribute.empty() || hasAttribute(write->second, attribute)) return write->second;
  }
  return nullptr;
}

std::string TcsPlace::describeSpot(const Spot& spot) const {
  const xmlNode* element = spot.element;
  if (element == nullptr) return std::string();
  long line = xmlGetLineNo(element);
  std::string entry;
  if (inCurrentLoopEntry(element)) {
    if (const xmlNode* writer = loopWriter(element, spot.attribute)) line = xmlGetLineNo(writer);
    const long entryLine = xmlGetLineNo(_loopEntry->entrySource);
    if (entryLine > 0) entry = ", table entry at line " + lineText(entryLine);
  }

  // The file name comes from the console command, not from the file: it is
  // escaped but never cut.
  std::string text = "at " + safePlaceText(_fileName, false, std::string_view::npos);
  // Nodes made by the program (not read from the file) have no line.
  if (line > 0) text.append(1, ':').append(lineText(line));
  text.append(", <").append(safePlaceText(GetNodeName(element).value_or(std::string()), false));
  text.append(1, '>');
  if (!spot.attribute.empty()) {
    if (const std::optional<std::string> value = GetAttribute(element, spot.attribute)) {
      text.append(" attribute ").append(safePlaceText(spot.attribute, false));
      text.append(1, '=').append(safePlaceText(*value, true));
    }
  }
  text.append(entry);
  return text;
}

// ---- PlaceScope ----------------------------------------------------------

PlaceScope::PlaceScope(const xmlNode* element, std::string_view attribute)
    : _place(TcsPlace::of(element)), _exceptionsAtEntry(std::uncaught_exceptions()) {
  if (_place == nullptr) return;
  _outer = std::move(_place->_spot);
  // A new read begins: a place kept by an exception that nobody reported is stale.
  _place->_kept.reset();
  _place->_spot = TcsPlace::Spot{element, std::string(attribute)};
}

PlaceScope::~PlaceScope() {
  if (_place == nullptr) return;
  if (std::uncaught_exceptions() > _exceptionsAtEntry) {
    // Left by an exception: the innermost scope writes out the place for the
    // handler that reports the message.
    if (!_place->_kept) {
      try {
        _place->_kept = _place->describe();
      } catch (...) {
        // Out of memory while unwinding: the report goes without its place.
      }
    }
  } else {
    _place->_kept.reset();
  }
  _place->_spot = std::move(_outer);
}

// ---- LoopEntryScope ------------------------------------------------------

LoopEntryScope::LoopEntryScope(const xmlNode* copy, const xmlNode* loop, const xmlNode* entrySource)
    : _place(TcsPlace::of(loop)), _exceptionsAtEntry(std::uncaught_exceptions()) {
  if (_place == nullptr) return;
  _entry.copy = copy;
  _entry.loop = loop;
  _entry.entrySource = entrySource;
  _outer = _place->_loopEntry;
  _place->_loopEntry = &_entry;
}

LoopEntryScope::~LoopEntryScope() {
  if (_place == nullptr) return;
  if (std::uncaught_exceptions() > _exceptionsAtEntry && !_place->_kept) {
    try {
      _place->_kept = _place->describe();
    } catch (...) {
    }
  }
  _place->_loopEntry = _outer;
}

void LoopEntryScope::noteWrite(const xmlNode* target, const xmlNode* loopElement) {
  if (_place != nullptr) _entry.writes.emplace_back(target, loopElement);
}

}  // namespace corvel
