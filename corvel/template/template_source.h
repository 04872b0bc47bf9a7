// Reading a template, or a generated stub, as XML without entity
// substitution: every "&NAME;" of the body stays a reference, so that a copy
// of the body takes whatever values a new document type gives the names.
//
// The file is untrusted and read under the guards of the TCS loader: regular
// files only, at most kMaxTcsFileBytes, no network access (external
// definitions come from local regular files only), parser complaints
// captured instead of printed, runaway entity expansion cut short. No
// attribute defaults are added from the definitions.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <vector>

#include "corvel/xml/xml_parse_guard.h"

namespace corvel {

class PrintUtility;

enum class SourceStatus {
  kRead,
  kCannotOpen,  // missing, unreadable, or not a regular file (FIFOs and devices could block)
  kTooLarge,    // more than kMaxTcsFileBytes
  kReadError,
};

struct SourceText {
  SourceStatus status = SourceStatus::kCannotOpen;
  std::string content;
};

// Reads the whole file, refusing anything that is not a regular file.
SourceText readSourceFile(const std::string& path);

struct XmlDocFree {
  void operator()(xmlDoc* document) const noexcept { xmlFreeDoc(document); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

struct SourceParse {
  XmlDocPtr document;       // null when the text is not a well-formed document
  bool noParser = false;    // the parser could not be created
  ParseErrorRecord record;  // the first complaint, for the report
  // The general entities declared by the text of the internal subset itself
  // (not from inside parameter entities or the external definitions), in
  // declaration order; a declaration that lost to an earlier one of the
  // same name is not listed. Valid while `document` lives.
  std::vector<const xmlEntity*> ownEntities;
  // Entities referred to but declared nowhere, first reference first. The
  // parser drops such a reference from an attribute value, so a copy of the
  // body would silently lose it.
  std::vector<std::string> undeclared;
};

// Parses the text; `url` names it in reports and is the base of relative
// system identifiers. With `readDefinitions` the external subset and the
// external parameter entities are read (local regular files only), so that
// the entities they declare count as declared.
SourceParse parseSource(const std::string& content, const std::string& url, bool readDefinitions);

// The three-line report of the TCS loader for a text that did not parse:
// "=== E R R O R ===", the line and position in the file, the reason.
void printParseReport(const PrintUtility& out, const std::string& path, const ParseErrorRecord& record);
// The same for a file larger than kMaxTcsFileBytes.
void printTooLargeReport(const PrintUtility& out, const std::string& path);

}  // namespace corvel
