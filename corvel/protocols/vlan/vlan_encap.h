// 802.1Q VLAN frames (18-byte header) and extended VLAN frames (26 bytes:
// VLAN, 802.2 LLC and SNAP), framed like Ethernet (see ethernet_encap.h).
// Their minimum payloads keep every frame at 64 bytes or more.
#pragma once

#include "corvel/protocols/ethernet/ethernet_encap.h"
#include "corvel/protocols/vlan/vlan.h"

namespace corvel {

class VLanEncapsulator : public FrameCheckEncapsulator {
 public:
  explicit VLanEncapsulator(const VLanProtocolConfig& config);
  double maxPayload() const override { return EthernetWire::maxPayload(VLanWire::kSize); }
  double minPayload() const override { return EthernetWire::minPayload(VLanWire::kSize); }
};

class XVLanEncapsulator : public FrameCheckEncapsulator {
 public:
  explicit XVLanEncapsulator(const XVLanProtocolConfig& config);
  double maxPayload() const override { return EthernetWire::maxPayload(XVLanWire::kSize); }
  double minPayload() const override { return EthernetWire::minPayload(XVLanWire::kSize); }
};

}  // namespace corvel
