// The TCS document holder and the load of a TCS file into it.
//
// A TCS file is untrusted input. The load reads at most kMaxTcsFileBytes of
// it, parses it with libxml2 without network access (external DTDs and
// parameter entities come from local regular files only), substitutes the
// DOCTYPE entities under libxml2's expansion limits and never lets the parser
// write to stderr: every parser complaint is captured and the first error is
// reported on the console.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <memory>
#include <string>

namespace corvel {

// Largest TCS file the load accepts; a larger one fails like a syntax error.
inline constexpr std::size_t kMaxTcsFileBytes = 64u * 1024u * 1024u;

class TcsDocument {
 public:
  TcsDocument();
  ~TcsDocument();
  TcsDocument(const TcsDocument&) = delete;
  TcsDocument& operator=(const TcsDocument&) = delete;

  // Same as the free LoadDocument below on this holder; a null name counts as
  // a file that does not exist.
  void LoadDocument(const char* fileName);

  // The loaded document, or null before a successful load.
  xmlDoc* document() const noexcept { return _document.get(); }
  // The same document seen as a node: the start point of every selection.
  xmlNode* documentNode() const noexcept { return reinterpret_cast<xmlNode*>(_document.get()); }
  bool loaded() const noexcept { return _document != nullptr; }
  // The name of the file last given to a load.
  const std::string& fileName() const noexcept { return _fileName; }

  // Takes ownership of a parsed document, releasing the previous one.
  void adopt(xmlDoc* document, std::string fileName);

 private:
  struct DocumentDeleter {
    void operator()(xmlDoc* document) const noexcept;
  };
  std::unique_ptr<xmlDoc, DocumentDeleter> _document;
  std::string _fileName;
};

// Loads a TCS file into the holder (releasing what it held). Prints
// "Corvel> ------ Traffic Config Spec parsed successfully\n" and
// "Corvel> Simple load of document successful.\n" on success. Throws a
// corvel::TextError:
//   "TCS configuration file does not exists.\n" when the file cannot be read;
//   "Error, the TCS file contains a bad parameter." after printing the
//     three-line XML-PARSE-ERROR report when the file is not a well-formed
//     document (syntax error, not XML, empty, or larger than kMaxTcsFileBytes);
//   "Error, cannot create the document object model." when the parser cannot
//     be created.
// Node handles taken from the document stay valid until the holder is
// destroyed or loads again.
void LoadDocument(TcsDocument& holder, const std::string& fileName);

}  // namespace corvel
