#include "corvel/protocols/rtp/rtp_encap.h"

#include "corvel/protocols/rtp/rtp.h"

namespace corvel {

RtpEncapsulator::RtpEncapsulator(const RtpProtocolConfig& config)
    : Encapsulator(ProtocolKind::Rtp, enRoleInner, config.headerBytes(), {}) {}

void RtpEncapsulator::encapsulate(std::span<uint8_t> layer) { copyHeader(split(layer)); }

}  // namespace corvel
