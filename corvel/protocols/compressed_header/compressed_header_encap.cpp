#include "corvel/protocols/compressed_header/compressed_header_encap.h"

#include "corvel/base/text_error.h"
#include "corvel/protocols/compressed_header/compressed_header.h"

namespace corvel {

namespace {

const ProtocolConfig& built(const CompressedHeaderConfig& config, const char* notBuiltMessage) {
  if (!config.isBuilt()) throw TextError(notBuiltMessage);
  return config;
}

}  // namespace

CompressedHeaderEncapsulator::CompressedHeaderEncapsulator(ProtocolKind kind, const ProtocolConfig& config)
    : Encapsulator(kind, enRoleInner, config.headerBytes(), {}) {}

void CompressedHeaderEncapsulator::encapsulate(std::span<uint8_t> layer) { copyHeader(split(layer)); }

CompressedRtpEncapsulator::CompressedRtpEncapsulator(const CompressedRtpProtocolConfig& config)
    : CompressedHeaderEncapsulator(ProtocolKind::CompressedRtp,
                                   built(config, "No memory not allocated for CompressedRtp")) {}

CompressedUdpEncapsulator::CompressedUdpEncapsulator(const CompressedUdpProtocolConfig& config)
    : CompressedHeaderEncapsulator(ProtocolKind::CompressedUdp,
                                   built(config, "No memory not allocated for CompressedUdp")) {}

CompressedNonTcpEncapsulator::CompressedNonTcpEncapsulator(const CompressedNonTcpProtocolConfig& config)
    : CompressedHeaderEncapsulator(ProtocolKind::CompressedNonTcp, built(config, "memory not allocated")) {}

}  // namespace corvel
