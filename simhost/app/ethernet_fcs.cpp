#include "ethernet_fcs.h"

#include <array>

namespace pyxsim {

namespace {

// One table, byte at a time: the host injects a few frames, not gigabytes.
constexpr std::array<uint32_t, 256> makeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    table[i] = value;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = makeTable();

}  // namespace

uint32_t ethernetFcs(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) crc = (crc >> 8) ^ kTable[(crc ^ data[i]) & 0xFFu];
  return ~crc;
}

void storeEthernetFcs(uint32_t fcs, uint8_t out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(fcs >> (8 * i));
}

}  // namespace pyxsim
