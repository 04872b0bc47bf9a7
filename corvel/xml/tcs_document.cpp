#include "corvel/xml/tcs_document.h"

#include <libxml/parser.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/xml/xml_parse_guard.h"

namespace corvel {
namespace {


// No network, DOCTYPE entities substituted, the external DTD read (local
// files only) for its entities and attribute defaults, whitespace between
// elements dropped so that child walks see elements and comments only.
// Line numbers past 65535 are kept, so that reports name the right line of
// a long file. XML_PARSE_HUGE stays off: it would lift libxml2's limits on
// entity amplification, nesting depth and text size.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_DTDLOAD |
                              XML_PARSE_DTDATTR | XML_PARSE_NOBLANKS | XML_PARSE_BIG_LINES;

constexpr std::size_t kReadChunk = 64 * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

struct ParserContextDeleter {
  void operator()(xmlParserCtxt* context) const noexcept { xmlFreeParserCtxt(context); }
};

// Reads at most limit + 1 bytes, so an oversized file (or an endless device)
// is recognised without reading it all. Throws when the file cannot be read.
std::string readBounded(const std::string& fileName, std::size_t limit) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) throw TextError("TCS configuration file does not exists.\n");
  std::string content;
  struct stat info {};
  if (::fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    content.reserve(static_cast<std::size_t>(info.st_size) < limit + 1
                        ? static_cast<std::size_t>(info.st_size)
                        : limit + 1);
  }
  while (content.size() <= limit) {
    const std::size_t wanted = std::min(kReadChunk, limit + 1 - content.size());
    const std::size_t start = content.size();
    content.resize(start + wanted);
    const std::size_t got = std::fread(content.data() + start, 1, wanted, file.get());
    content.resize(start + got);
    if (got < wanted) break;
  }
  if (std::ferror(file.get())) throw TextError("TCS configuration file does not exists.\n");
  return content;
}

void reportParseFailure(const std::string& fileName, const ParseErrorRecord& record) {
  // Always a line and a position, even for errors the parser places nowhere
  // (an empty file), so that every failure gets the same three lines.
  const int line = record.line > 0 ? record.line : 1;
  const int column = record.column > 0 ? record.column : 1;
  const char* reason = record.reason[0] != '\0' ? record.reason
                       : record.exhausted()   ? "Too many errors in the document"
                                              : "Document is not well-formed";
  sharedPrinter().print("Corvel> === E R R O R ===\n");
  sharedPrinter().print("Corvel> XML-PARSE-ERROR: on line %d, position %d of %s.\n", line, column,
                  fileName.c_str());
  sharedPrinter().print("Corvel> XML-REASON     : %s\n", reason);
}

}  // namespace

void TcsDocument::DocumentDeleter::operator()(xmlDoc* document) const noexcept {
  xmlFreeDoc(document);
}

TcsDocument::TcsDocument() { xmlInitParser(); }

TcsDocument::~TcsDocument() = default;

void TcsDocument::adopt(xmlDoc* document, std::string fileName) {
  _document.reset(document);
  _fileName = std::move(fileName);
}

void TcsDocument::LoadDocument(const char* fileName) {
  if (fileName == nullptr) {
    adopt(nullptr, std::string());
    throw TextError("TCS configuration file does not exists.\n");
  }
  corvel::LoadDocument(*this, fileName);
}

void LoadDocument(TcsDocument& holder, const std::string& fileName) {
  holder.adopt(nullptr, fileName);
  const std::string content = readBounded(fileName, kMaxTcsFileBytes);

  ParseErrorRecord record;
  if (content.size() > kMaxTcsFileBytes) {
    record.found = true;
    record.line = 1;
    record.column = 1;
    std::snprintf(record.reason, sizeof record.reason,
                  "Document is larger than the limit of %zu bytes", kMaxTcsFileBytes);
    reportParseFailure(fileName, record);
    throw TextError("Error, the TCS file contains a bad parameter.");
  }

  xmlDoc* parsed = nullptr;
  {
    ParseGuard guard(record);
    std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
    if (!context) throw TextError("Error, cannot create the document object model.");
    guard.watch(context.get());
    parsed = xmlCtxtReadMemory(context.get(), content.data(), static_cast<int>(content.size()),
                               fileName.c_str(), nullptr, kParseOptions);
    if (parsed != nullptr && (!context->wellFormed || record.exhausted())) {
      xmlFreeDoc(parsed);
      parsed = nullptr;
    }
  }
  if (parsed == nullptr) {
    reportParseFailure(fileName, record);
    throw TextError("Error, the TCS file contains a bad parameter.");
  }
  holder.adopt(parsed, fileName);
  sharedPrinter().print("Corvel> ------ Traffic Config Spec parsed successfully\n");
  sharedPrinter().print("Corvel> Simple load of document successful.\n");
}

}  // namespace corvel
