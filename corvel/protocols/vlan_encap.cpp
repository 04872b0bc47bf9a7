#include "corvel/protocols/vlan_encap.h"

#include "corvel/protocols/vlan.h"

namespace corvel {

VLanEncapsulator::VLanEncapsulator(const VLanProtocolConfig& config)
    : FrameCheckEncapsulator(ProtocolKind::VLan, config) {}

XVLanEncapsulator::XVLanEncapsulator(const XVLanProtocolConfig& config)
    : FrameCheckEncapsulator(ProtocolKind::XVLan, config) {}

}  // namespace corvel
