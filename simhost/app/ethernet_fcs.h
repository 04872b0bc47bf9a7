// The IEEE 802.3 frame check sequence: CRC-32 with the reflected polynomial
// 0xEDB88320, all ones to start, complemented at the end; on the wire it
// follows the frame least significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pyxsim {

uint32_t ethernetFcs(const uint8_t* data, size_t size);

// The four FCS bytes in wire order.
void storeEthernetFcs(uint32_t fcs, uint8_t out[4]);

}  // namespace pyxsim
