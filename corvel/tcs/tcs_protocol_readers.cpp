#include "corvel/tcs/tcs_protocol_readers.h"

#include <array>

#include "corvel/protocols/protocol_registry.h"
#include "corvel/tcs/tcs_atm_protocol.h"
#include "corvel/tcs/tcs_compressed_protocol.h"
#include "corvel/tcs/tcs_ethernet_protocol.h"
#include "corvel/tcs/tcs_generic_protocol.h"
#include "corvel/tcs/tcs_ip_protocol.h"
#include "corvel/tcs/tcs_payload_protocol.h"
#include "corvel/tcs/tcs_pcap_stream.h"
#include "corvel/tcs/tcs_transport_protocol.h"

namespace corvel {

namespace {

using SingleReader = ProtocolPtr (*)(TcsManager&, const ProtocolElement&);

// Most readers yield one configuration or none.
template <SingleReader read>
ProtocolList asList(TcsManager& manager, const ProtocolElement& element) {
  ProtocolList list;
  if (ProtocolPtr config = read(manager, element)) list.push_back(std::move(config));
  return list;
}

using K = ProtocolKind;

constexpr std::array kReaders = {
    ProtocolReaderEntry{K::Payload, &asList<readIncrementPayload>, &describeIncrementPayload},
    ProtocolReaderEntry{K::Payload, &asList<readIncrementPayload>, &describeIncrementPayload, "increment_payload"},
    ProtocolReaderEntry{K::Payload, &asList<readFixedPayload>, &describeFixedPayload, "fixed_payload"},
    ProtocolReaderEntry{K::Payload, &asList<readRandomPayload>, &describeRandomPayload, "random_payload"},
    ProtocolReaderEntry{K::Ethernet, &asList<readEthernetProtocol>, &describeEthernetAttributes},
    ProtocolReaderEntry{K::Atm, &asList<readAtmProtocol>, &describeAtmAttributes},
    ProtocolReaderEntry{K::DSlam, &asList<readDSlamProtocol>, &describeDSlamAttributes},
    ProtocolReaderEntry{K::InterPyx, &asList<readInterPyxProtocol>, &describeInterPyxAttributes},
    ProtocolReaderEntry{K::AAL5, &asList<readAal5Protocol>, &describeAal5Attributes},
    ProtocolReaderEntry{K::AAL58023, &asList<readAal58023Protocol>, &describeAal58023Attributes},
    ProtocolReaderEntry{K::IpV4, &asList<readIpv4Protocol>, &describeIpv4Attributes},
    ProtocolReaderEntry{K::IpV6, &asList<readIpv6Protocol>, &describeIpv6Attributes},
    ProtocolReaderEntry{K::Udp, &asList<readUdpProtocol>, &describeUdpAttributes},
    ProtocolReaderEntry{K::Tcp, &asList<readTcpProtocol>, &describeTcpAttributes},
    ProtocolReaderEntry{K::Rtp, &asList<readRtpProtocol>, &describeRtpAttributes},
    ProtocolReaderEntry{K::VLan, &asList<readVLanProtocol>, &describeVLanAttributes},
    ProtocolReaderEntry{K::XVLan, &asList<readXVLanProtocol>, &describeXVLanAttributes},
    ProtocolReaderEntry{K::CompressedUdp, &asList<readCompressedUdpProtocol>, &describeCompressedUdp},
    ProtocolReaderEntry{K::CompressedRtp, &asList<readCompressedRtpProtocol>, &describeCompressedRtp},
    ProtocolReaderEntry{K::CompressedNonTcp, &asList<readCompressedNonTcpProtocol>, &describeCompressedNonTcp},
    ProtocolReaderEntry{K::FullHeader, &readFullHeaderProtocol, &describeFullHeader},
    ProtocolReaderEntry{K::Payload, &asList<readContextStateProtocol>, &describeContextState, "context_state"},
    ProtocolReaderEntry{K::Generic, &asList<readGenericProtocol>, &describeGenericAttributes},
    ProtocolReaderEntry{K::Payload, &asList<readWorkbenchLogPayload>, &describeWorkbenchLogPayload, "workbench_log"},
    ProtocolReaderEntry{K::Payload, &asList<readPcapStream>, &describePcapStream, "pcap_stream"},
};

}  // namespace

std::string_view ProtocolReaderEntry::element() const noexcept {
  if (!ownElement.empty()) return ownElement;
  const ProtocolRegistration* registration = findRegistration(kind);
  return registration != nullptr ? registration->element : std::string_view();
}

std::span<const ProtocolReaderEntry> protocolReaders() noexcept { return kReaders; }

const ProtocolReaderEntry* findProtocolReader(std::string_view name) noexcept {
  for (const ProtocolReaderEntry& entry : kReaders) {
    if (entry.element() == name) return &entry;
  }
  return nullptr;
}

ProtocolList readCustomProtocolElement(TcsManager& manager, const ProtocolElement& element) {
  return asList<readCustomProtocol>(manager, element);
}

}  // namespace corvel
