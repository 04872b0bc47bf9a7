#include "corvel/tcs/tcs_manager.h"

#include "corvel/tcs/policy_set_definition.h"

#include <algorithm>
#include <array>

#include "corvel/base/text_error.h"
#include "corvel/tcs/tcs_atm_protocol.h"
#include "corvel/tcs/tcs_compressed_protocol.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/tcs/tcs_ethernet_protocol.h"
#include "corvel/tcs/tcs_generic_protocol.h"
#include "corvel/tcs/tcs_ip_protocol.h"
#include "corvel/tcs/tcs_payload_protocol.h"
#include "corvel/tcs/tcs_pcap_stream.h"
#include "corvel/tcs/tcs_protocol_reader.h"
#include "corvel/tcs/tcs_transport_protocol.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

using ListReader = ProtocolList (*)(TcsManager&, const ProtocolElement&);
using SingleReader = ProtocolPtr (*)(TcsManager&, const ProtocolElement&);

// Most readers yield one configuration or none.
template <SingleReader read>
ProtocolList asList(TcsManager& manager, const ProtocolElement& element) {
  ProtocolList list;
  if (ProtocolPtr config = read(manager, element)) list.push_back(std::move(config));
  return list;
}

struct ReaderEntry {
  std::string_view name;
  ListReader read;
};

// Element names in the order they are tried; a name matching none is a
// custom protocol (unless it is reserved).
constexpr std::array kReaders = {
    ReaderEntry{"payload", &asList<readIncrementPayload>},
    ReaderEntry{"increment_payload", &asList<readIncrementPayload>},
    ReaderEntry{"fixed_payload", &asList<readFixedPayload>},
    ReaderEntry{"random_payload", &asList<readRandomPayload>},
    ReaderEntry{"ethernet", &asList<readEthernetProtocol>},
    ReaderEntry{"atm", &asList<readAtmProtocol>},
    ReaderEntry{"dslam", &asList<readDSlamProtocol>},
    ReaderEntry{"interpyx", &asList<readInterPyxProtocol>},
    ReaderEntry{"aal5", &asList<readAal5Protocol>},
    ReaderEntry{"aal5_802_3", &asList<readAal58023Protocol>},
    ReaderEntry{"ipv4", &asList<readIpv4Protocol>},
    ReaderEntry{"ipv6", &asList<readIpv6Protocol>},
    ReaderEntry{"udp", &asList<readUdpProtocol>},
    ReaderEntry{"tcp", &asList<readTcpProtocol>},
    ReaderEntry{"rtp", &asList<readRtpProtocol>},
    ReaderEntry{"vlan", &asList<readVLanProtocol>},
    ReaderEntry{"xvlan", &asList<readXVLanProtocol>},
    ReaderEntry{"compressed_udp", &asList<readCompressedUdpProtocol>},
    ReaderEntry{"compressed_rtp", &asList<readCompressedRtpProtocol>},
    ReaderEntry{"compressed_non_tcp2", &asList<readCompressedNonTcpProtocol>},
    ReaderEntry{"full_header", &readFullHeaderProtocol},
    ReaderEntry{"context_state", &asList<readContextStateProtocol>},
    ReaderEntry{"generic", &asList<readGenericProtocol>},
    ReaderEntry{"workbench_log", &asList<readWorkbenchLogPayload>},
    ReaderEntry{"pcap_stream", &asList<readPcapStream>},
};

// The document's own element and attribute names: never protocol names.
constexpr std::array<std::string_view, 11> kReservedWords = {
    "corvel",   "type_definitions", "table_entries", "streams",  "stream_set", "protocols",
    "for_table_entries", "policies", "rx_ports",    "tx_ports", "_entry_type",
};

constexpr std::string_view kUnit = "TcsManager";

}  // namespace

TcsManager::TcsManager(TcsDocument& document)
    : _document(document),
      _documentNode(document.documentNode()),
      _printer(std::make_unique<PrintUtility>()),
      _place(document.fileName()) {
  _place.attach(document.document());
}

TcsManager::~TcsManager() = default;

bool TcsManager::isReservedWord(std::string_view name) noexcept {
  for (std::string_view word : kReservedWords) {
    if (word == name) return true;
  }
  return false;
}

bool TcsManager::readRootAttributes() {
  xmlNode* root = selectSingleNode(_documentNode, "//corvel");
  if (root == nullptr || !hasAttributeMap(root)) return false;
  try {
    const PlaceScope place(root);
    bool found = false;
    const int32_t seed = GetAttributeInt(root, "random_number_seed", found);
    if (found) _randomNumberSeed = seed;
    const int32_t crc = GetAttributeInt(root, "compute_crc", found);
    if (found) _computeCrc = crc != 0;
    const int32_t checksum = GetAttributeInt(root, "compute_checksum", found);
    if (found) _computeChecksum = checksum != 0;
    // The unit attribute is part of the format but configures nothing.
    (void)GetAttributeInt(root, "unit", found);
  } catch (const TextError& error) {
    ReportParseError("TcsRxPortMgt", std::nullopt, error.text());
  }
  return true;
}

void TcsManager::ReportParseError(std::string_view fileTag,
                                  std::optional<std::string_view> elementName,
                                  std::string_view message) {
  if (elementName) {
    _printer->print("Corvel> PARSE-ERROR, Element %.*s: %.*s (%.*s)\n",
                    static_cast<int>(elementName->size()), elementName->data(),
                    static_cast<int>(message.size()), message.data(),
                    static_cast<int>(fileTag.size()), fileTag.data());
  } else {
    _printer->print("Corvel> PARSE-ERROR: %.*s (%.*s)\n", static_cast<int>(message.size()),
                    message.data(), static_cast<int>(fileTag.size()), fileTag.data());
  }
  _place.print(*_printer);
  // The status only ever rises: an exception report outranks an error report.
  _status = std::max(_status, kStatusParseError);
}

void TcsManager::ReportParseException(std::string_view fileTag, std::string_view methodName) {
  _printer->print("Corvel> Parse exception caught in file %.*s, method %.*s\n",
                  static_cast<int>(fileTag.size()), fileTag.data(),
                  static_cast<int>(methodName.size()), methodName.data());
  _place.print(*_printer);
  _status = std::max(_status, kStatusParseException);
}

ProtocolList TcsManager::CreateProtocol(xmlNode* element, std::string_view elementName,
                                        int32_t setType, int32_t mode) {
  if (_status != kStatusOk) return {};
  const ProtocolElement protocol{element, elementName, setType, mode};
  try {
    const PlaceScope place(element);
    ProtocolList result = _dispatch(protocol);
    // A reader that reported an error (a full_header, for an inner element)
    // may still have handed back configurations: none of them is used.
    if (_status != kStatusOk) return {};
    return result;
  } catch (const TextError& error) {
    ReportParseError(kUnit, elementName, error.text());
    return {};
  }
}

ProtocolList TcsManager::_dispatch(const ProtocolElement& element) {
  for (const ReaderEntry& entry : kReaders) {
    if (entry.name == element.name) return entry.read(*this, element);
  }
  if (isReservedWord(element.name)) throw TextError("protocol is a reserved word");
  return asList<readCustomProtocol>(*this, element);
}

// ---- Section readers ---------------------------------------------------
// Each is to move into a file of its own (tcs_manager_<section>.cpp) when it
// is written; until then each finds nothing, so a load reports every section
// as missing and ends without ports.

// readTableEntries and readFunctionDefinitions: tcs_manager_tables.cpp.
// readStreams: tcs_manager_streams.cpp.
// readRxPorts and readTxPorts: tcs_manager_ports.cpp.

// readPolicies: tcs_manager_policies.cpp.


}  // namespace corvel
