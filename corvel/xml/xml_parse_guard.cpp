#include "corvel/xml/xml_parse_guard.h"

#include <libxml/SAX2.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlversion.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <cstdio>
#include <cstring>
#include <string_view>

namespace corvel {
namespace {

// The record of the parse running on this thread, for the entity hook (whose
// context is the parser, not the record).
thread_local ParseErrorRecord* t_record = nullptr;

void takeError(ParseErrorRecord& record, const xmlError& error) noexcept {
  ++record.complaints;
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
void captureStructuredError(void* context, const xmlError* error) {
#else
void captureStructuredError(void* context, xmlError* error) {
#endif
  if (context != nullptr && error != nullptr) {
    takeError(*static_cast<ParseErrorRecord*>(context), *error);
  }
}

void dropGenericError(void*, const char*, ...) {}

// Once the budget is spent the parse winds down: the document counts as not
// well-formed, no more SAX events are built, every lookup fails and the
// parser sees its end state, which ends the entity expansions in progress.
// Unlike xmlStopParser this frees no input buffer, so nothing that libxml2
// still points into goes away under it.
xmlEntityPtr budgetedGetEntity(void* context, const xmlChar* name) {
  if (t_record != nullptr && t_record->exhausted()) {
    auto* parser = static_cast<xmlParserCtxt*>(context);
    parser->wellFormed = 0;
    parser->disableSAX = 1;
    parser->instate = XML_PARSER_EOF;
    return nullptr;
  }
  return xmlSAX2GetEntity(context, name);
}

// True when the path names something that exists and is not a plain file: a
// device, a FIFO, a directory, or a file of the kernel's pseudo file systems
// (some of which block on read). Reading it could block or never end.
bool isSpecialFile(const char* path) noexcept {
  struct stat info {};
  if (::stat(path, &info) != 0) return false;
  if (!S_ISREG(info.st_mode)) return true;
  struct statfs system {};
  if (::statfs(path, &system) != 0) return true;
  return system.f_type == PROC_SUPER_MAGIC || system.f_type == SYSFS_MAGIC ||
         system.f_type == DEBUGFS_MAGIC;
}

// The local path that libxml2's file loader would open for an entity URL.
const char* localPathOf(const char* url) noexcept {
  if (xmlStrncasecmp(BAD_CAST url, BAD_CAST "file://localhost/", 17) == 0) return url + 16;
  if (xmlStrncasecmp(BAD_CAST url, BAD_CAST "file:///", 8) == 0) return url + 7;
  if (xmlStrncasecmp(BAD_CAST url, BAD_CAST "file:/", 6) == 0) return url + 5;
  return url;
}

bool isAllowedEntityUrl(const char* url) noexcept {
  const std::string_view text(url);
  const bool isFileUrl = xmlStrncasecmp(BAD_CAST url, BAD_CAST "file:", 5) == 0;
  if (!isFileUrl && text.find("://") != std::string_view::npos) return false;
  const char* path = localPathOf(url);
  // "-" is standard input to libxml2's file loaders.
  if (std::strcmp(path, "-") == 0 || isSpecialFile(path)) return false;
  // The loaders retry a path with its %-escapes decoded.
  char* unescaped = xmlURIUnescapeString(path, 0, nullptr);
  if (unescaped == nullptr) return true;
  const bool special = std::strcmp(unescaped, "-") == 0 || isSpecialFile(unescaped);
  xmlFree(unescaped);
  return !special;
}

// External DTDs and entities come from local regular files only; the no-net
// loader refuses network URLs and resolves through the local catalogs.
xmlParserInputPtr localEntityLoader(const char* url, const char* id, xmlParserCtxtPtr context) {
  if (url != nullptr && !isAllowedEntityUrl(url)) return nullptr;
  return xmlNoNetExternalEntityLoader(url, id, context);
}

}  // namespace

ParseGuard::ParseGuard(ParseErrorRecord& record)
    : _previousRecord(t_record),
      _structured(xmlStructuredError),
      _structuredContext(xmlStructuredErrorContext),
      _generic(xmlGenericError),
      _genericContext(xmlGenericErrorContext),
      _loader(xmlGetExternalEntityLoader()) {
  t_record = &record;
  xmlSetStructuredErrorFunc(&record, captureStructuredError);
  xmlSetGenericErrorFunc(nullptr, dropGenericError);
  xmlSetExternalEntityLoader(localEntityLoader);
}

ParseGuard::~ParseGuard() {
  xmlSetExternalEntityLoader(_loader);
  xmlSetGenericErrorFunc(_genericContext, _generic);
  xmlSetStructuredErrorFunc(_structuredContext, _structured);
  t_record = _previousRecord;
}

void ParseGuard::watch(xmlParserCtxt* context) noexcept {
  if (context != nullptr && context->sax != nullptr) context->sax->getEntity = budgetedGetEntity;
}

}  // namespace corvel
