// The safety harness around one libxml2 parse of an untrusted TCS file:
// complaints are captured instead of printed, external entities come from
// local regular files only, and a parse that keeps complaining is cut short.
#pragma once

#include <libxml/parser.h>

namespace corvel {

// The first parser complaint worth reporting (the first fatal error, or the
// first error when nothing was fatal) and the count of all complaints. Filled
// from libxml2 callbacks, so it neither allocates nor throws.
struct ParseErrorRecord {
  bool found = false;
  bool fatal = false;
  int line = 0;
  int column = 0;
  char reason[512] = {};
  unsigned complaints = 0;

  // More complaints than any usable document produces. Past it, entity
  // references stop resolving: libxml2 reports every reference to an
  // undeclared entity nested in declared ones, exponentially many.
  static constexpr unsigned kMaxComplaints = 10000;
  bool exhausted() const noexcept { return complaints > kMaxComplaints; }
};

// While it lives, on the calling thread: every libxml2 complaint goes into
// the record (nothing reaches stderr) and external entities load through the
// local-file loader. Restores the previous handlers when it ends.
class ParseGuard {
 public:
  explicit ParseGuard(ParseErrorRecord& record);
  ~ParseGuard();
  ParseGuard(const ParseGuard&) = delete;
  ParseGuard& operator=(const ParseGuard&) = delete;

  // Routes the parser's entity lookups through the complaint budget.
  void watch(xmlParserCtxt* context) noexcept;

 private:
  ParseErrorRecord* _previousRecord;
  xmlStructuredErrorFunc _structured;
  void* _structuredContext;
  xmlGenericErrorFunc _generic;
  void* _genericContext;
  xmlExternalEntityLoader _loader;
};

}  // namespace corvel
