#include "corvel/tcs/tcs_document.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlversion.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

#include "corvel/host/print_utility.h"
#include "corvel/host/text_error.h"

namespace corvel {
namespace {

const PrintUtility& Printer() {
  static const PrintUtility printer;
  return printer;
}

// No network, DOCTYPE entities substituted, the external DTD read (local
// files only) for its entities and attribute defaults, whitespace between
// elements dropped so that child walks see elements and comments only.
// XML_PARSE_HUGE stays off: it would lift libxml2's limits on entity
// amplification, nesting depth and text size.
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_DTDLOAD | XML_PARSE_DTDATTR | XML_PARSE_NOBLANKS;

constexpr std::size_t kReadChunk = 64 * 1024;

// The first parser complaint worth reporting: the first fatal error, or the
// first error when nothing was fatal. Filled from libxml2 callbacks, so it
// neither allocates nor throws.
struct ParseErrorRecord {
  bool found = false;
  bool fatal = false;
  int line = 0;
  int column = 0;
  char reason[512] = {};
};

void TakeError(ParseErrorRecord& record, const xmlError& error) noexcept {
  if (error.level < XML_ERR_ERROR) return;
  const bool fatal = error.level == XML_ERR_FATAL;
  if (record.found && (record.fatal || !fatal)) return;
  record.found = true;
  record.fatal = fatal;
  record.line = error.line;
  record.column = error.int2;
  std::snprintf(record.reason, sizeof record.reason, "%s", error.message ? error.message : "");
  // libxml2 ends its messages with a line feed; the report adds its own.
  std::size_t n = std::strlen(record.reason);
  while (n > 0 && (record.reason[n - 1] == '\n' || record.reason[n - 1] == '\r' ||
                   record.reason[n - 1] == ' ')) {
    record.reason[--n] = '\0';
  }
}

#if LIBXML_VERSION >= 21200
void CaptureStructuredError(void* context, const xmlError* error) {
#else
void CaptureStructuredError(void* context, xmlError* error) {
#endif
  if (context != nullptr && error != nullptr) {
    TakeError(*static_cast<ParseErrorRecord*>(context), *error);
  }
}

void DropGenericError(void*, const char*, ...) {}

// True when the path names something that exists and is not a plain file: a
// device, a FIFO, a directory, or a file of the kernel's pseudo file systems
// (some of which block on read). Reading it could block or never end.
bool IsSpecialFile(const char* path) noexcept {
  struct stat info {};
  if (::stat(path, &info) != 0) return false;
  if (!S_ISREG(info.st_mode)) return true;
  struct statfs system {};
  if (::statfs(path, &system) != 0) return true;
  return system.f_type == PROC_SUPER_MAGIC || system.f_type == SYSFS_MAGIC ||
         system.f_type == DEBUGFS_MAGIC;
}

// The local path that libxml2's file loader would open for an entity URL.
const char* LocalPathOf(const char* url) noexcept {
  if (xmlStrncasecmp(BAD_CAST url, BAD_CAST "file://localhost/", 17) == 0) return url + 16;
  if (xmlStrncasecmp(BAD_CAST url, BAD_CAST "file:///", 8) == 0) return url + 7;
  if (xmlStrncasecmp(BAD_CAST url, BAD_CAST "file:/", 6) == 0) return url + 5;
  return url;
}

bool IsAllowedEntityUrl(const char* url) noexcept {
  const std::string_view text(url);
  const bool isFileUrl = xmlStrncasecmp(BAD_CAST url, BAD_CAST "file:", 5) == 0;
  if (!isFileUrl && text.find("://") != std::string_view::npos) return false;
  const char* path = LocalPathOf(url);
  // "-" is standard input to libxml2's file loaders.
  if (std::strcmp(path, "-") == 0 || IsSpecialFile(path)) return false;
  // The loaders retry a path with its %-escapes decoded.
  char* unescaped = xmlURIUnescapeString(path, 0, nullptr);
  if (unescaped == nullptr) return true;
  const bool special = std::strcmp(unescaped, "-") == 0 || IsSpecialFile(unescaped);
  xmlFree(unescaped);
  return !special;
}

// External DTDs and entities come from local regular files only; the no-net
// loader refuses network URLs and resolves through the local catalogs.
xmlParserInputPtr LocalEntityLoader(const char* url, const char* id, xmlParserCtxtPtr context) {
  if (url != nullptr && !IsAllowedEntityUrl(url)) return nullptr;
  return xmlNoNetExternalEntityLoader(url, id, context);
}

// Routes every libxml2 complaint raised on this thread during a load into the
// record (nothing reaches stderr) and installs the local-file entity loader;
// restores the previous handlers when the load ends.
class ParserEnvironment {
 public:
  explicit ParserEnvironment(ParseErrorRecord& record)
      : _structured(xmlStructuredError),
        _structuredContext(xmlStructuredErrorContext),
        _generic(xmlGenericError),
        _genericContext(xmlGenericErrorContext),
        _loader(xmlGetExternalEntityLoader()) {
    xmlSetStructuredErrorFunc(&record, CaptureStructuredError);
    xmlSetGenericErrorFunc(nullptr, DropGenericError);
    xmlSetExternalEntityLoader(LocalEntityLoader);
  }
  ~ParserEnvironment() {
    xmlSetExternalEntityLoader(_loader);
    xmlSetGenericErrorFunc(_genericContext, _generic);
    xmlSetStructuredErrorFunc(_structuredContext, _structured);
  }
  ParserEnvironment(const ParserEnvironment&) = delete;
  ParserEnvironment& operator=(const ParserEnvironment&) = delete;

 private:
  xmlStructuredErrorFunc _structured;
  void* _structuredContext;
  xmlGenericErrorFunc _generic;
  void* _genericContext;
  xmlExternalEntityLoader _loader;
};

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

struct ParserContextDeleter {
  void operator()(xmlParserCtxt* context) const noexcept { xmlFreeParserCtxt(context); }
};

// Reads at most limit + 1 bytes, so an oversized file (or an endless device)
// is recognised without reading it all. Throws when the file cannot be read.
std::string ReadBounded(const std::string& fileName, std::size_t limit) {
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

void ReportParseFailure(const std::string& fileName, const ParseErrorRecord& record) {
  // Always a line and a position, even for errors the parser places nowhere
  // (an empty file), so that every failure gets the same three lines.
  const int line = record.line > 0 ? record.line : 1;
  const int column = record.column > 0 ? record.column : 1;
  const char* reason = record.reason[0] != '\0' ? record.reason : "Document is not well-formed";
  Printer().print("Corvel> === E R R O R ===\n");
  Printer().print("Corvel> XML-PARSE-ERROR: on line %d, position %d of %s.\n", line, column,
                  fileName.c_str());
  Printer().print("Corvel> XML-REASON     : %s\n", reason);
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
  const std::string content = ReadBounded(fileName, kMaxTcsFileBytes);

  ParseErrorRecord record;
  if (content.size() > kMaxTcsFileBytes) {
    record.found = true;
    record.line = 1;
    record.column = 1;
    std::snprintf(record.reason, sizeof record.reason,
                  "Document is larger than the limit of %zu bytes", kMaxTcsFileBytes);
    ReportParseFailure(fileName, record);
    throw TextError("Error, the TCS file contains a bad parameter.");
  }

  xmlDoc* parsed = nullptr;
  {
    ParserEnvironment environment(record);
    std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
    if (!context) throw TextError("Error, cannot create the document object model.");
    parsed = xmlCtxtReadMemory(context.get(), content.data(), static_cast<int>(content.size()),
                               fileName.c_str(), nullptr, kParseOptions);
    if (parsed != nullptr && !context->wellFormed) {
      xmlFreeDoc(parsed);
      parsed = nullptr;
    }
  }
  if (parsed == nullptr) {
    ReportParseFailure(fileName, record);
    throw TextError("Error, the TCS file contains a bad parameter.");
  }
  holder.adopt(parsed, fileName);
  Printer().print("Corvel> ------ Traffic Config Spec parsed successfully\n");
  Printer().print("Corvel> Simple load of document successful.\n");
}

}  // namespace corvel
