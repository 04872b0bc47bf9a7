#include "corvel/protocols/vlan/vlan_encap.h"

#include "corvel/protocols/vlan/vlan.h"

namespace corvel {

VLanEncapsulator::VLanEncapsulator(const VLanProtocolConfig& config)
    : FrameCheckEncapsulator(ProtocolKind::VLan, config) {}

XVLanEncapsulator::XVLanEncapsulator(const XVLanProtocolConfig& config)
    : FrameCheckEncapsulator(ProtocolKind::XVLan, config) {}

}  // namespace corvel
