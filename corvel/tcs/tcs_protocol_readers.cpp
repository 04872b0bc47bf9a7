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
    ProtocolReaderEntry{K::Payload, &asList<readIncrementPayload>},
    ProtocolReaderEntry{K::Payload, &asList<readIncrementPayload>, "increment_payload"},
    ProtocolReaderEntry{K::Payload, &asList<readFixedPayload>, "fixed_payload"},
    ProtocolReaderEntry{K::Payload, &asList<readRandomPayload>, "random_payload"},
    ProtocolReaderEntry{K::Ethernet, &asList<readEthernetProtocol>},
    ProtocolReaderEntry{K::Atm, &asList<readAtmProtocol>},
    ProtocolReaderEntry{K::DSlam, &asList<readDSlamProtocol>},
    ProtocolReaderEntry{K::InterPyx, &asList<readInterPyxProtocol>},
    ProtocolReaderEntry{K::AAL5, &asList<readAal5Protocol>},
    ProtocolReaderEntry{K::AAL58023, &asList<readAal58023Protocol>},
    ProtocolReaderEntry{K::IpV4, &asList<readIpv4Protocol>},
    ProtocolReaderEntry{K::IpV6, &asList<readIpv6Protocol>},
    ProtocolReaderEntry{K::Udp, &asList<readUdpProtocol>},
    ProtocolReaderEntry{K::Tcp, &asList<readTcpProtocol>},
    ProtocolReaderEntry{K::Rtp, &asList<readRtpProtocol>},
    ProtocolReaderEntry{K::VLan, &asList<readVLanProtocol>},
    ProtocolReaderEntry{K::XVLan, &asList<readXVLanProtocol>},
    ProtocolReaderEntry{K::CompressedUdp, &asList<readCompressedUdpProtocol>},
    ProtocolReaderEntry{K::CompressedRtp, &asList<readCompressedRtpProtocol>},
    ProtocolReaderEntry{K::CompressedNonTcp, &asList<readCompressedNonTcpProtocol>},
    ProtocolReaderEntry{K::FullHeader, &readFullHeaderProtocol},
    ProtocolReaderEntry{K::Payload, &asList<readContextStateProtocol>, "context_state"},
    ProtocolReaderEntry{K::Generic, &asList<readGenericProtocol>},
    ProtocolReaderEntry{K::Payload, &asList<readWorkbenchLogPayload>, "workbench_log"},
    ProtocolReaderEntry{K::Payload, &asList<readPcapStream>, "pcap_stream"},
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
