#include "corvel/template/template_source.h"

#include <fcntl.h>
#include <libxml/SAX2.h>
#include <libxml/hash.h>
#include <libxml/parser.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "corvel/base/print_utility.h"
#include "corvel/xml/tcs_document.h"

namespace corvel {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// More than any template needs to be told about; the first one is reported.
constexpr std::size_t kMaxUndeclaredNames = 16;

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

struct ParserContextFree {
  void operator()(xmlParserCtxt* context) const noexcept { xmlFreeParserCtxt(context); }
};

// What the two parser hooks below learn during one parse; reached through the
// parser's user slot.
struct DeclarationLog {
  getEntitySAXFunc getEntity = nullptr;  // the lookup the guard installed
  std::vector<const xmlEntity*> ownEntities;
  std::vector<std::string> undeclared;
};

DeclarationLog* logOf(void* context) noexcept {
  auto* parser = static_cast<xmlParserCtxt*>(context);
  return parser != nullptr ? static_cast<DeclarationLog*>(parser->_private) : nullptr;
}

const xmlEntity* internalSubsetEntity(xmlParserCtxt* parser, const xmlChar* name) noexcept {
  if (parser->myDoc == nullptr || parser->myDoc->intSubset == nullptr ||
      parser->myDoc->intSubset->entities == nullptr)
    return nullptr;
  return static_cast<const xmlEntity*>(
      xmlHashLookup(static_cast<xmlHashTablePtr>(parser->myDoc->intSubset->entities), name));
}

// A declaration read straight from the document's own internal subset has the
// document as its only input; inside a parameter entity there are more, in
// the external subset inSubset is 2. The first declaration of a name binds.
void loggingEntityDecl(void* context, const xmlChar* name, int type, const xmlChar* publicId,
                       const xmlChar* systemId, xmlChar* content) {
  auto* parser = static_cast<xmlParserCtxt*>(context);
  const bool general = type == XML_INTERNAL_GENERAL_ENTITY || type == XML_EXTERNAL_GENERAL_PARSED_ENTITY ||
                       type == XML_EXTERNAL_GENERAL_UNPARSED_ENTITY;
  const bool own = general && parser->inSubset == 1 && parser->inputNr == 1;
  const xmlEntity* before = own ? internalSubsetEntity(parser, name) : nullptr;
  xmlSAX2EntityDecl(context, name, type, publicId, systemId, content);
  DeclarationLog* log = logOf(context);
  if (!own || before != nullptr || log == nullptr) return;
  if (const xmlEntity* added = internalSubsetEntity(parser, name)) {
    try {
      log->ownEntities.push_back(added);
    } catch (...) {
      parser->wellFormed = 0;  // out of memory: the parse is not to be trusted
    }
  }
}

xmlEntityPtr loggingGetEntity(void* context, const xmlChar* name) {
  DeclarationLog* log = logOf(context);
  getEntitySAXFunc lookup = log != nullptr && log->getEntity != nullptr ? log->getEntity : xmlSAX2GetEntity;
  xmlEntityPtr found = lookup(context, name);
  if (found == nullptr && log != nullptr && name != nullptr &&
      log->undeclared.size() < kMaxUndeclaredNames) {
    const std::string text(reinterpret_cast<const char*>(name));
    try {
      if (std::find(log->undeclared.begin(), log->undeclared.end(), text) == log->undeclared.end())
        log->undeclared.push_back(text);
    } catch (...) {
      static_cast<xmlParserCtxt*>(context)->wellFormed = 0;
    }
  }
  return found;
}

ParseErrorRecord tooLargeRecord() {
  ParseErrorRecord record;
  record.found = true;
  std::snprintf(record.reason, sizeof record.reason, "Document is larger than the limit of %zu bytes",
                kMaxTcsFileBytes);
  return record;
}

}  // namespace

SourceText readSourceFile(const std::string& path) {
  SourceText result;
  // Non-blocking only for the open: a FIFO without a writer would block it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return result;
  FdCloser closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return result;
  const std::size_t limit = kMaxTcsFileBytes;
  if (info.st_size > 0)
    result.content.reserve(std::min(static_cast<std::size_t>(info.st_size), limit + 1));
  // Up to one byte over the limit: enough to know the file is too large.
  while (result.content.size() <= limit) {
    const std::size_t start = result.content.size();
    const std::size_t wanted = std::min(kReadChunk, limit + 1 - start);
    result.content.resize(start + wanted);
    const ssize_t got = ::read(fd, result.content.data() + start, wanted);
    if (got < 0 && errno == EINTR) {
      result.content.resize(start);
      continue;
    }
    if (got < 0) {
      result.content.clear();
      result.status = SourceStatus::kReadError;
      return result;
    }
    result.content.resize(start + static_cast<std::size_t>(got));
    if (got == 0) break;
  }
  result.status = result.content.size() > limit ? SourceStatus::kTooLarge : SourceStatus::kRead;
  if (result.status == SourceStatus::kTooLarge) result.content.clear();
  return result;
}

SourceParse parseSource(const std::string& content, const std::string& url, bool readDefinitions) {
  // No XML_PARSE_NOENT (references stay references), no XML_PARSE_DTDATTR (no
  // defaults added), no XML_PARSE_HUGE (libxml2 keeps its expansion limits),
  // blanks kept so that the copied body keeps its layout.
  const int options = XML_PARSE_NONET | (readDefinitions ? XML_PARSE_DTDLOAD : 0);
  SourceParse result;
  if (content.size() > kMaxTcsFileBytes) {
    result.record = tooLargeRecord();
    return result;
  }
  DeclarationLog log;
  {
    ParseGuard guard(result.record);
    std::unique_ptr<xmlParserCtxt, ParserContextFree> context(xmlNewParserCtxt());
    if (!context || context->sax == nullptr) {
      result.noParser = true;
      return result;
    }
    guard.watch(context.get());
    log.getEntity = context->sax->getEntity;
    context->sax->getEntity = loggingGetEntity;
    context->sax->entityDecl = loggingEntityDecl;
    context->_private = &log;
    result.document.reset(xmlCtxtReadMemory(context.get(), content.data(), static_cast<int>(content.size()),
                                            url.c_str(), nullptr, options));
    if (result.document && (!context->wellFormed || result.record.exhausted())) result.document.reset();
  }
  if (result.document) {
    result.ownEntities = std::move(log.ownEntities);
    result.undeclared = std::move(log.undeclared);
  }
  return result;
}

void printParseReport(const PrintUtility& out, const std::string& path, const ParseErrorRecord& record) {
  // Always a line and a position, even for errors the parser places nowhere
  // (an empty file).
  const int line = record.line > 0 ? record.line : 1;
  const int column = record.column > 0 ? record.column : 1;
  const char* reason = record.reason[0] != '\0' ? record.reason
                       : record.exhausted()   ? "Too many errors in the document"
                                              : "Document is not well-formed";
  out.print("Corvel> === E R R O R ===\n");
  out.print("Corvel> XML-PARSE-ERROR: on line %d, position %d of %s.\n", line, column, path.c_str());
  out.print("Corvel> XML-REASON     : %s\n", reason);
}

void printTooLargeReport(const PrintUtility& out, const std::string& path) {
  printParseReport(out, path, tooLargeRecord());
}

}  // namespace corvel
