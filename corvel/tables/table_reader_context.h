// What the table and function readers need from the TCS manager that runs
// them: the document, the console printer, the table map they fill and read,
// and the status rule with its error reports.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvel {

class PrintUtility;
class TableDefinition;

// Table definitions by table id. The map owns its records; the manager keeps
// them for one load.
using TableMap = std::map<std::string, std::shared_ptr<TableDefinition>, std::less<>>;

class TableReaderContext {
 public:
  virtual ~TableReaderContext() = default;

  // 0 while reading succeeds; every reader returns at once when it is not.
  virtual int32_t status() const = 0;
  // "Corvel> PARSE-ERROR, Element %s: %s (%s)\n" (or the form without an
  // element); raises the status to 2.
  virtual void ReportParseError(std::string_view fileTag, std::optional<std::string_view> elementName,
                                std::string_view message) = 0;
  // "Corvel> Parse exception caught in file %s, method %s\n"; status 3.
  virtual void ReportParseException(std::string_view fileTag, std::string_view methodName) = 0;

  // The start point of every selection ("//corvel/...").
  virtual xmlNode* documentNode() const = 0;
  virtual const PrintUtility& printer() const = 0;
  virtual TableMap& tables() = 0;
};

}  // namespace corvel
