#include "corvel/protocols/encapsulator_factory.h"

#include <string>

#include "corvel/base/text_error.h"
#include "corvel/protocols/aal5.h"
#include "corvel/protocols/aal5_encap.h"
#include "corvel/protocols/atm.h"
#include "corvel/protocols/atm_encap.h"
#include "corvel/protocols/compressed_header.h"
#include "corvel/protocols/compressed_header_encap.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/crc32.h"
#include "corvel/protocols/dslam.h"
#include "corvel/protocols/dslam_encap.h"
#include "corvel/protocols/ethernet.h"
#include "corvel/protocols/ethernet_encap.h"
#include "corvel/protocols/full_header.h"
#include "corvel/protocols/full_header_encap.h"
#include "corvel/protocols/generic.h"
#include "corvel/protocols/generic_encap.h"
#include "corvel/protocols/interpyx.h"
#include "corvel/protocols/interpyx_encap.h"
#include "corvel/protocols/ipv4.h"
#include "corvel/protocols/ipv4_encap.h"
#include "corvel/protocols/ipv6.h"
#include "corvel/protocols/ipv6_encap.h"
#include "corvel/protocols/pattern_payload.h"
#include "corvel/protocols/payload_config.h"
#include "corvel/protocols/payload_encap.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/rtp.h"
#include "corvel/protocols/rtp_encap.h"
#include "corvel/protocols/tcp.h"
#include "corvel/protocols/tcp_encap.h"
#include "corvel/protocols/udp.h"
#include "corvel/protocols/udp_encap.h"
#include "corvel/protocols/vlan.h"
#include "corvel/protocols/vlan_encap.h"
#include "corvel/protocols/workbench_log.h"

namespace corvel {

namespace {

[[noreturn]] void noEncapsulator(const ProtocolConfig& config) {
  throw TextError("Error, no encapsulator for protocol kind " +
                  std::to_string(static_cast<int32_t>(config.kind())));
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
std::unique_ptr<Encapsulator> plain(const ProtocolConfig& config) {
  return std::make_unique<Encap>(as<Config>(config));
}

template <typename Encap, typename Config>
std::unique_ptr<Encapsulator> frameChecked(const ProtocolConfig& config, bool computeCrc) {
  auto encap = std::make_unique<Encap>(as<Config>(config));
  if (computeCrc) encap->setCrcTable(&EthernetFcs::shared());
  return encap;
}

template <typename Encap, typename Config>
std::unique_ptr<Encapsulator> aal5(const ProtocolConfig& config, bool computeCrc) {
  auto encap = std::make_unique<Encap>(as<Config>(config));
  if (computeCrc) encap->setCrcTable(&Aal5Crc32::shared());
  return encap;
}

std::unique_ptr<Encapsulator> makePayloadEncapsulator(const ProtocolConfig& config) {
  const auto& payload = as<PayloadConfig>(config);
  switch (payload.payloadKind()) {
    case PayloadKind::Fixed:
      return plain<FixedPayloadEncapsulator, FixedPayloadConfig>(config);
    case PayloadKind::Increment:
      return plain<IncrementPayloadEncapsulator, IncrementPayloadConfig>(config);
    case PayloadKind::Random:
      return plain<RandomPayloadEncapsulator, RandomPayloadConfig>(config);
    case PayloadKind::ContextState:
      return plain<ContextStateEncapsulator, ContextStateProtocolConfig>(config);
    case PayloadKind::WorkbenchLog:
      return plain<WorkbenchLogPacketEncapsulator, WorkbenchLogPayloadConfig>(config);
  }
  noEncapsulator(config);
}

}  // namespace

std::unique_ptr<Encapsulator> makeEncapsulator(const ProtocolConfig& config, bool computeCrc) {
  switch (config.kind()) {
    case ProtocolKind::Atm:
      return plain<AtmEncapsulator, AtmProtocolConfig>(config);
    case ProtocolKind::AAL5:
      return aal5<AAL5Encapsulator, AAL5ProtocolConfig>(config, computeCrc);
    case ProtocolKind::AAL58023:
      return aal5<AAL58023Encapsulator, AAL58023ProtocolConfig>(config, computeCrc);
    case ProtocolKind::DSlam:
      return plain<DSlamEncapsulator, DSlamProtocolConfig>(config);
    case ProtocolKind::InterPyx:
      return plain<InterPyxEncapsulator, InterPyxProtocolConfig>(config);
    case ProtocolKind::Ethernet:
      return frameChecked<EthernetEncapsulator, EthernetProtocolConfig>(config, computeCrc);
    case ProtocolKind::Generic:
      return plain<GenericEncapsulator, GenericProtocolConfig>(config);
    case ProtocolKind::IpV4:
      return plain<IpV4Encapsulator, IpV4ProtocolConfig>(config);
    case ProtocolKind::Payload:
      return makePayloadEncapsulator(config);
    case ProtocolKind::Tcp:
      return plain<TcpEncapsulator, TcpProtocolConfig>(config);
    case ProtocolKind::Udp:
      return plain<UdpEncapsulator, UdpProtocolConfig>(config);
    case ProtocolKind::IpV6:
      return plain<IpV6Encapsulator, IpV6ProtocolConfig>(config);
    case ProtocolKind::Rtp:
      return plain<RtpEncapsulator, RtpProtocolConfig>(config);
    case ProtocolKind::VLan:
      return frameChecked<VLanEncapsulator, VLanProtocolConfig>(config, computeCrc);
    case ProtocolKind::XVLan:
      return frameChecked<XVLanEncapsulator, XVLanProtocolConfig>(config, computeCrc);
    case ProtocolKind::CompressedUdp:
      return plain<CompressedUdpEncapsulator, CompressedUdpProtocolConfig>(config);
    case ProtocolKind::CompressedNonTcp:
      return plain<CompressedNonTcpEncapsulator, CompressedNonTcpProtocolConfig>(config);
    case ProtocolKind::CompressedRtp:
      return plain<CompressedRtpEncapsulator, CompressedRtpProtocolConfig>(config);
    case ProtocolKind::FullHeader:
      return plain<FullHeaderEncapsulator, FullHeaderProtocolConfig>(config);
  }
  noEncapsulator(config);
}

std::unique_ptr<DataGenerator> buildFrameBuilder(const ProtocolStack& stack, const ChainSettings& settings) {
  if (stack.count() == 0) throw TextError("No protocol headers defined for stream");
  const auto* payloadConfig = dynamic_cast<const PayloadConfig*>(&stack.at(0));
  if (payloadConfig == nullptr) throw TextError("First protocol is not a payload.");
  if (!stack.at(stack.count() - 1).isDatalink()) throw TextError("Last-Tail protocol is not a datalink protocol");

  EncapsulatorChain chain;
  chain.reserve(static_cast<size_t>(stack.count()));
  for (const auto& config : stack.protocols()) {
    chain.push_back(makeEncapsulator(*config, settings.computeCrc));
    chain.back()->setComputeChecksum(settings.computeChecksum);
  }

  auto& payload = dynamic_cast<PayloadEncapsulator&>(*chain.front());
  PayloadSignature signature;
  signature.txDevice = payloadConfig->txDevice();
  signature.txPort = payloadConfig->txPort();
  signature.rxDevice = settings.rxDevice;
  signature.rxPort = settings.rxPort;
  signature.streamIndex = settings.streamIndex;
  payload.setSignature(signature);
  payload.setSequenced(payloadConfig->sequenced());

  std::unique_ptr<DataGenerator> builder;
  if (payloadConfig->payloadKind() == PayloadKind::WorkbenchLog) {
    builder = std::make_unique<FileDataGenerator>(std::move(chain));
  } else {
    const int32_t pattern = payloadConfig->patternType() == 2 ? 2 : 1;
    builder = std::make_unique<SingleFragmentation>(std::move(chain),
                                                    std::make_unique<PatternPayloadGenerator>(pattern));
  }
  builder->setIterationLimit(settings.iterationLimit);
  return builder;
}

}  // namespace corvel
