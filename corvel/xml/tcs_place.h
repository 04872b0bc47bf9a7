// The place in the TCS file that a load is reading, so that every report of
// the load can be followed by one line naming it:
//
//   Corvel>   at FILE:LINE, <element> attribute NAME="VALUE"
//
// The attribute part appears only while one attribute is being applied (a
// check over several attributes names the element alone). While a
// for_table_entries loop expands one table entry, the elements of the copied
// stack and the loop's own elements add ", table entry at line N" (the entry
// element, or the entry template of a loop table); a value at fault that a
// loop element wrote into the copy names that loop element's line instead of
// the copy's. LINE is the line libxml2 gives the element: the line that ends
// its start tag.
//
// How the place is known: the code that reads an element or applies one of
// its attributes opens a PlaceScope on it. The scope finds the place through
// the element's document (the manager hangs its place on libxml2's
// application slot of the document, xmlDoc::_private), so the table readers
// and the attribute helpers name their place without being handed the
// manager. A scope left normally gives the place back to the scope around
// it. A scope left by an exception keeps it instead, written out as text
// while its nodes still exist, so that the handler that reports the message
// (often after a copied element has been released) can still print it.
//
// Values are untrusted: names and values are cut at kMaxPlaceText bytes and
// every byte outside printable ASCII is written as an escape.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvel/base/print_utility.h"

namespace corvel {

// Longest name or value shown in a place line, in bytes.
inline constexpr std::size_t kMaxPlaceText = 80;

// `text` cut at `maxBytes` bytes, with quotes, backslashes and every byte
// outside 0x20-0x7E escaped (\" \\ \n \r \t \xHH); "..." follows a cut text.
// With `quoted` the text is put in double quotes (the "..." after them).
std::string safePlaceText(std::string_view text, bool quoted, std::size_t maxBytes = kMaxPlaceText);

class TcsPlace {
 public:
  explicit TcsPlace(std::string fileName);
  ~TcsPlace();
  TcsPlace(const TcsPlace&) = delete;
  TcsPlace& operator=(const TcsPlace&) = delete;

  // Hangs the place on the document (and takes it off again) so that scopes
  // opened on its nodes find it.
  void attach(xmlDoc* document) noexcept;
  void detach() noexcept;

  // The place of the document the node belongs to; null when no load is
  // reading that document.
  static TcsPlace* of(const xmlNode* node) noexcept;

  // The place line without the console prefix and newline ("at ..."); empty
  // when nothing is being read.
  std::string describe() const;

  // Prints "Corvel>   " and the place line, when there is one. A place kept
  // by an exception is printed once: printing releases it.
  void print(const PrintUtility& printer);

 private:
  friend class PlaceScope;
  friend class LoopEntryScope;

  struct Spot {
    const xmlNode* element = nullptr;
    std::string attribute;  // empty: the element as a whole
  };

  // The stack copy made for one table entry of a for_table_entries loop.
  struct LoopEntry {
    const xmlNode* copy = nullptr;         // the copied protocols element
    const xmlNode* loop = nullptr;         // the for_table_entries element
    const xmlNode* entrySource = nullptr;  // the entry's element in the file
    // (protocol element of the copy, loop element that wrote into it)
    std::vector<std::pair<const xmlNode*, const xmlNode*>> writes;
  };

  std::string describeSpot(const Spot& spot) const;
  std::string fileName() const;
  bool inCurrentLoopEntry(const xmlNode* element) const noexcept;
  const xmlNode* loopWriter(const xmlNode* element, const std::string& attribute) const;

  std::string _fileName;
  xmlDoc* _document = nullptr;
  Spot _spot;
  LoopEntry* _loopEntry = nullptr;
  // The place an exception left, written out; empty while none is kept.
  std::optional<std::string> _kept;
};

// Names an element, or one attribute of it, as the place being read for as
// long as the scope lives. Does nothing for a node of a document no load is
// reading (or a null node).
class PlaceScope {
 public:
  explicit PlaceScope(const xmlNode* element, std::string_view attribute = {});
  ~PlaceScope();
  PlaceScope(const PlaceScope&) = delete;
  PlaceScope& operator=(const PlaceScope&) = delete;

 private:
  TcsPlace* _place;
  TcsPlace::Spot _outer;
  int _exceptionsAtEntry;
};

// Marks the elements of one loop copy while it is read: the copy of the
// protocols element, the loop element that holds the loop children, and the
// element of the table entry the copy is made for.
class LoopEntryScope {
 public:
  LoopEntryScope(const xmlNode* copy, const xmlNode* loop, const xmlNode* entrySource);
  ~LoopEntryScope();
  LoopEntryScope(const LoopEntryScope&) = delete;
  LoopEntryScope& operator=(const LoopEntryScope&) = delete;

  // Records that the loop element wrote its attributes into `target`.
  void noteWrite(const xmlNode* target, const xmlNode* loopElement);

 private:
  TcsPlace* _place;
  TcsPlace::LoopEntry _entry;
  TcsPlace::LoopEntry* _outer = nullptr;
  int _exceptionsAtEntry;
};

}  // namespace corvel
