#include "corvel/protocols/protocol_registry.h"

#include <array>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/aal5/aal5_decap.h"
#include "corvel/protocols/aal5/aal5_encap.h"
#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/atm/atm_decap.h"
#include "corvel/protocols/atm/atm_encap.h"
#include "corvel/protocols/compressed_header/compressed_header.h"
#include "corvel/protocols/compressed_header/compressed_header_decap.h"
#include "corvel/protocols/compressed_header/compressed_header_encap.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/crc32.h"
#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/dslam/dslam_decap.h"
#include "corvel/protocols/dslam/dslam_encap.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/ethernet/ethernet_decap.h"
#include "corvel/protocols/ethernet/ethernet_encap.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/protocols/full_header/full_header_decap.h"
#include "corvel/protocols/full_header/full_header_encap.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/generic/generic_decap.h"
#include "corvel/protocols/generic/generic_encap.h"
#include "corvel/protocols/interpyx/interpyx.h"
#include "corvel/protocols/interpyx/interpyx_decap.h"
#include "corvel/protocols/interpyx/interpyx_encap.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv4/ipv4_decap.h"
#include "corvel/protocols/ipv4/ipv4_encap.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/ipv6/ipv6_decap.h"
#include "corvel/protocols/ipv6/ipv6_encap.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/payload/payload_encap.h"
#include "corvel/protocols/pcap_stream/pcap_stream.h"
#include "corvel/protocols/rtp/rtp.h"
#include "corvel/protocols/rtp/rtp_decap.h"
#include "corvel/protocols/rtp/rtp_encap.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/tcp/tcp_decap.h"
#include "corvel/protocols/tcp/tcp_encap.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/protocols/udp/udp_decap.h"
#include "corvel/protocols/udp/udp_encap.h"
#include "corvel/protocols/vlan/vlan.h"
#include "corvel/protocols/vlan/vlan_encap.h"
#include "corvel/protocols/workbench_log.h"

namespace corvel {

namespace {

[[noreturn]] void noEncapsulator(const ProtocolConfig& config) {
  throw TextError("Error, no encapsulator for protocol kind " + std::to_string(static_cast<int32_t>(config.kind())));
}

// The configuration as its concrete class; a kind number that does not match
// the class is refused rather than trusted.
template <typename Config>
const Config& as(const ProtocolConfig& config) {
  const auto* typed = dynamic_cast<const Config*>(&config);
  if (typed == nullptr) noEncapsulator(config);
  return *typed;
}

template <typename Encap, typename Config>
std::unique_ptr<Encapsulator> plain(const ProtocolConfig& config, bool /*computeCrc*/) {
  return std::make_unique<Encap>(as<Config>(config));
}

// Frames that end in the IEEE 802.3 frame check sequence.
template <typename Encap, typename Config>
std::unique_ptr<Encapsulator> frameChecked(const ProtocolConfig& config, bool computeCrc) {
  auto encap = std::make_unique<Encap>(as<Config>(config));
  if (computeCrc) encap->setCrcTable(&EthernetFcs::shared());
  return encap;
}

// CPCS-PDUs that end in the AAL5 CRC-32 (ITU-T I.363.5).
template <typename Encap, typename Config>
std::unique_ptr<Encapsulator> aal5(const ProtocolConfig& config, bool computeCrc) {
  auto encap = std::make_unique<Encap>(as<Config>(config));
  if (computeCrc) encap->setCrcTable(&Aal5Crc32::shared());
  return encap;
}

// The payload kinds share one protocol kind; the payload kind picks the builder.
std::unique_ptr<Encapsulator> payload(const ProtocolConfig& config, bool computeCrc) {
  switch (as<PayloadConfig>(config).payloadKind()) {
    case PayloadKind::Fixed:
      return plain<FixedPayloadEncapsulator, FixedPayloadConfig>(config, computeCrc);
    case PayloadKind::Increment:
      return plain<IncrementPayloadEncapsulator, IncrementPayloadConfig>(config, computeCrc);
    case PayloadKind::Random:
      return plain<RandomPayloadEncapsulator, RandomPayloadConfig>(config, computeCrc);
    case PayloadKind::ContextState:
      return plain<ContextStateEncapsulator, ContextStateProtocolConfig>(config, computeCrc);
    case PayloadKind::WorkbenchLog:
      return plain<WorkbenchLogPacketEncapsulator, WorkbenchLogPayloadConfig>(config, computeCrc);
    case PayloadKind::PcapStream:
      return plain<PcapStreamEncapsulator, PcapStreamConfig>(config, computeCrc);
  }
  noEncapsulator(config);
}

template <typename Decap>
std::unique_ptr<Decapsulator> verifier(const ProtocolConfig& config) {
  return std::make_unique<Decap>(config);
}

using K = ProtocolKind;

// In kind order: the row of kind n is row n.
constexpr std::array<ProtocolRegistration, kProtocolKindCount> kRegistrations = {{
    {K::Atm, "atm", kAtmFields, &plain<AtmEncapsulator, AtmProtocolConfig>, &verifier<AtmDecapsulator>, true},
    {K::AAL5, "aal5", kAal5Fields, &aal5<AAL5Encapsulator, AAL5ProtocolConfig>, &verifier<AAL5Decapsulator>},
    {K::AAL58023, "aal5_802_3", kAal58023Fields, &aal5<AAL58023Encapsulator, AAL58023ProtocolConfig>,
     &verifier<AAL58023Decapsulator>},
    {K::DSlam, "dslam", kDSlamFields, &plain<DSlamEncapsulator, DSlamProtocolConfig>, &verifier<DSlamDecapsulator>,
     true},
    {K::InterPyx, "interpyx", kInterPyxFields, &plain<InterPyxEncapsulator, InterPyxProtocolConfig>,
     &verifier<InterPyxDecapsulator>},
    {K::Ethernet, "ethernet", kEthernetFields, &frameChecked<EthernetEncapsulator, EthernetProtocolConfig>,
     &verifier<EthernetDecapsulator>, true},
    {K::Generic,
     "generic",
     {},
     &plain<GenericEncapsulator, GenericProtocolConfig>,
     &verifier<GenericDecapsulator>,
     true},
    {K::IpV4, "ipv4", kIpv4Fields, &plain<IpV4Encapsulator, IpV4ProtocolConfig>, &verifier<IpV4Decapsulator>},
    {K::Payload, "payload", {}, &payload, &verifier<PayloadDecapsulator>},
    {K::Tcp, "tcp", kTcpFields, &plain<TcpEncapsulator, TcpProtocolConfig>, &verifier<TcpDecapsulator>},
    {K::Udp, "udp", kUdpFields, &plain<UdpEncapsulator, UdpProtocolConfig>, &verifier<UdpDecapsulator>},
    {K::IpV6, "ipv6", kIpv6Fields, &plain<IpV6Encapsulator, IpV6ProtocolConfig>, &verifier<IpV6Decapsulator>},
    {K::Rtp, "rtp", kRtpFields, &plain<RtpEncapsulator, RtpProtocolConfig>, &verifier<RtpDecapsulator>},
    {K::VLan, "vlan", kVLanFields, &frameChecked<VLanEncapsulator, VLanProtocolConfig>, &verifier<EthernetDecapsulator>,
     true},
    {K::XVLan, "xvlan", kXVLanFields, &frameChecked<XVLanEncapsulator, XVLanProtocolConfig>,
     &verifier<EthernetDecapsulator>, true},
    {K::CompressedUdp, "compressed_udp", kCompressedRtpFields,
     &plain<CompressedUdpEncapsulator, CompressedUdpProtocolConfig>, &verifier<CompressedUdpDecapsulator>},
    {K::CompressedNonTcp, "compressed_non_tcp2", kCompressedNonTcpFields,
     &plain<CompressedNonTcpEncapsulator, CompressedNonTcpProtocolConfig>, &verifier<CompressedNonTcpDecapsulator>},
    {K::CompressedRtp, "compressed_rtp", kCompressedRtpFields,
     &plain<CompressedRtpEncapsulator, CompressedRtpProtocolConfig>, &verifier<CompressedRtpDecapsulator>},
    {K::FullHeader,
     "full_header",
     {},
     &plain<FullHeaderEncapsulator, FullHeaderProtocolConfig>,
     &verifier<FullHeaderDecapsulator>},
}};

constexpr bool inKindOrder() {
  for (size_t i = 0; i < kRegistrations.size(); ++i) {
    if (static_cast<size_t>(kRegistrations[i].kind) != i) return false;
  }
  return true;
}
static_assert(inKindOrder(), "the registration of kind n must be row n");

}  // namespace

std::span<const ProtocolRegistration> protocolRegistrations() noexcept { return kRegistrations; }

const ProtocolRegistration* findRegistration(ProtocolKind kind) noexcept {
  const auto index = static_cast<size_t>(static_cast<int32_t>(kind));
  return index < kRegistrations.size() ? &kRegistrations[index] : nullptr;
}

FieldTable fieldsOf(ProtocolKind kind) noexcept {
  const ProtocolRegistration* registration = findRegistration(kind);
  return registration != nullptr ? registration->fields : FieldTable();
}

}  // namespace corvel
