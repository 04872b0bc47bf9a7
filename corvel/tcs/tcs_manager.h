// Reads the sections of one loaded TCS document into configuration objects.
//
// The manager lives for one load: it borrows the document from its holder,
// keeps the root-level settings and the tables of named definitions that the
// section readers fill, and hands every protocol element to its reader by
// element name (CreateProtocol). Errors found while interpreting the document
// never leave the manager as exceptions: they are printed as parse-error lines
// and raise the status, and every reader looks at the status first and does
// nothing once it is not 0, so the first reported error ends the reading.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/protocols/protocol_config.h"
#include "corvel/xml/tcs_place.h"

namespace corvel {

class PolicySetDefinition;
class PortDirectory;
class StreamSetDefinition;
struct ProtocolElement;
class TableDefinition;
class TcsDocument;

// The configurations that one protocol element yields: one, or for a
// full_header one per inner element followed by the full header itself.
using ProtocolList = std::vector<std::unique_ptr<ProtocolConfig>>;

// The kind of stream set (or policy set) a protocol element belongs to.
enum TcsSetType : int32_t {
  enSetTypeCapture = 0,   // streams a transmit port expects and verifies
  enSetTypeGenerate = 1,  // streams a receive port generates
};

// What a protocol reader builds from an element.
enum TcsReadMode : int32_t {
  enReadModeMask = 0,   // a flow-key match mask (policies)
  enReadModeValue = 1,  // the element's values
};

// Named definitions, ordered by id. The manager's tables are the only owners
// of their records; shared_ptr only lets this header name the record types
// without their definitions.
template <class Definition>
using DefinitionTable = std::map<std::string, std::shared_ptr<Definition>, std::less<>>;

class TcsManager {
 public:
  static constexpr int32_t kStatusOk = 0;
  static constexpr int32_t kStatusParseError = 2;
  static constexpr int32_t kStatusParseException = 3;

  explicit TcsManager(TcsDocument& document);
  ~TcsManager();
  TcsManager(const TcsManager&) = delete;
  TcsManager& operator=(const TcsManager&) = delete;

  // Reads random_number_seed, compute_crc, compute_checksum and unit from the
  // element selected by "//corvel". False when there is no such element; the
  // controller then fails the load.
  bool readRootAttributes();

  // Warns of every attribute and element in the parts the readers walk that
  // no reader takes (a misspelt name is otherwise ignored without a word),
  // each warning followed by its place line and, when one known name is
  // close, the name meant. Reads nothing and changes nothing: the load goes
  // on as without it. Answers the number of warnings.
  int32_t warnUnknownNames();

  // The section readers, called by the controller in this order. Each answers
  // true when it found and read at least one item, and false at once when the
  // status is not 0.
  bool readTableEntries();
  bool readFunctionDefinitions();
  bool readPolicies();
  bool readStreams();
  // The port readers configure the port objects found in the registry.
  bool readRxPorts(PortDirectory& devices);
  bool readTxPorts(PortDirectory& devices);

  // Reads one protocol element with the reader its name selects. Empty when
  // the status is not 0 on entry, when the reader fails, or when an error was
  // reported while reading. A name that no reader takes and that is not a
  // reserved word is read as a custom protocol declared in type_definitions.
  ProtocolList CreateProtocol(xmlNode* element, std::string_view elementName, int32_t setType,
                              int32_t mode);

  // Prints "Corvel> PARSE-ERROR, Element %s: %s (%s)\n" (element, message,
  // tag), or without an element "Corvel> PARSE-ERROR: %s (%s)\n", then the
  // place line (tcs_place.h) when a place is known, and raises the status to 2.
  void ReportParseError(std::string_view fileTag, std::optional<std::string_view> elementName,
                        std::string_view message);
  // Prints "Corvel> Parse exception caught in file %s, method %s\n", then the
  // place line when a place is known, and raises the status to 3.
  void ReportParseException(std::string_view fileTag, std::string_view methodName);

  // Prints the place line alone, for the reports made outside the manager
  // (a message thrown out of a section reader, a warning of a reader).
  void printPlace() { _place.print(*_printer); }
  // The place being read in this manager's document.
  TcsPlace& place() noexcept { return _place; }

  // 0 while reading succeeds, 2 after a reported parse error, 3 after a
  // caught parse exception. It only ever rises.
  int32_t status() const noexcept { return _status; }

  TcsDocument& document() noexcept { return _document; }
  // The start point of every selection ("//corvel/...").
  xmlNode* documentNode() const noexcept { return _documentNode; }
  // The console printer of every reader's lines.
  const PrintUtility& printer() const noexcept { return *_printer; }

  // Root settings. The seed is absent unless the file gives one; both flags
  // default to set and are copied into every receive port's configuration.
  std::optional<int32_t> randomNumberSeed() const noexcept { return _randomNumberSeed; }
  bool computeChecksum() const noexcept { return _computeChecksum; }
  bool computeCrc() const noexcept { return _computeCrc; }

  // Table definitions of table_entries, by table id.
  DefinitionTable<TableDefinition>& tables() noexcept { return _tables; }
  // Stream-set definitions of streams, by stream-set id.
  DefinitionTable<StreamSetDefinition>& streamSets() noexcept { return _streamSets; }
  // Policy-set definitions of policies, by policy-set id.
  DefinitionTable<PolicySetDefinition>& policySets() noexcept { return _policySets; }

  // True for the names that can never be protocol elements.
  static bool isReservedWord(std::string_view name) noexcept;

 private:
  ProtocolList _dispatch(const ProtocolElement& element);

  TcsDocument& _document;
  xmlNode* _documentNode;
  std::unique_ptr<PrintUtility> _printer;
  TcsPlace _place;
  std::optional<int32_t> _randomNumberSeed;
  bool _computeChecksum = true;
  bool _computeCrc = true;
  int32_t _status = kStatusOk;
  DefinitionTable<TableDefinition> _tables;
  DefinitionTable<StreamSetDefinition> _streamSets;
  DefinitionTable<PolicySetDefinition> _policySets;
};

}  // namespace corvel
