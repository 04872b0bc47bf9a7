// The two CRC-32 forms of the frames we build. Both use the generator
// polynomial 0x04C11DB7, start from all ones and complement the result.
//
//  - AAL5 (ITU-T I.363.5): bits taken most significant first, no reflection;
//    the CRC is stored most significant byte first in the AAL5 trailer.
//  - IEEE 802.3 frame check sequence: bits taken least significant first
//    (the reflected polynomial 0xEDB88320); the four FCS bytes go on the wire
//    least significant byte first.
//
// Two routes compute each form with the same result. Table-driven routines
// process sixteen bytes per step (slice-by-16), with tables built at compile
// time. ISA-L's routines fold the buffer with carry-less multiplication
// (crc32_gzip_refl for the FCS, crc32_ieee for AAL5); they are far faster on
// long buffers, while below a crossover length the tables win or tie. compute
// and update pick the route by length; the routes themselves stay public for
// the equality test and the benchmark (bench/frames_bench.cpp holds the
// measurements behind the crossovers).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace corvel {

using Crc32Table = std::array<uint32_t, 256>;

// Fills the 256-entry most-significant-bit-first table: entry i is i << 24
// run through 8 shift-and-divide rounds.
void crc32Table(Crc32Table& table);
// Byte-at-a-time AAL5 CRC-32 of `data` with `table` (the reference form).
uint32_t crc32(const Crc32Table& table, std::span<const uint8_t> data);

// The AAL5 CRC-32.
class Aal5Crc32 {
 public:
  // The register before the first byte of a CPCS-PDU.
  static constexpr uint32_t kStart = 0xffffffffu;
  // Buffers of at least this many bytes go to ISA-L, shorter ones to the tables.
  static constexpr size_t kFoldFrom = 32;

  static const Aal5Crc32& shared();
  // The CRC value, stored most significant byte first.
  uint32_t compute(std::span<const uint8_t> data) const;
  // The register after `data`, continuing from `state`; the CRC of a PDU is
  // the complement of the register after all its bytes, so a PDU may be run
  // through cell payload by cell payload.
  uint32_t update(uint32_t state, std::span<const uint8_t> data) const;
  // Writes the CRC of `covered` big-endian into the 4 bytes of `out`.
  void store(std::span<const uint8_t> covered, std::span<uint8_t> out) const;

  // The two routes behind update.
  static uint32_t updateByTables(uint32_t state, std::span<const uint8_t> data);
  static uint32_t updateByFolding(uint32_t state, std::span<const uint8_t> data);

 private:
  Aal5Crc32() = default;
};

// The IEEE 802.3 frame check sequence.
class EthernetFcs {
 public:
  // The register before the first byte of a frame.
  static constexpr uint32_t kStart = 0xffffffffu;
  // Buffers of at least this many bytes go to ISA-L, shorter ones to the tables.
  static constexpr size_t kFoldFrom = 32;

  static const EthernetFcs& shared();
  // The FCS value; its least significant byte is the first on the wire.
  uint32_t compute(std::span<const uint8_t> data) const;
  // The register after `data`, continuing from `state`; the FCS of a frame
  // is the complement of the register after all its bytes. Lets a constant
  // frame header be run through once, ahead of time.
  uint32_t update(uint32_t state, std::span<const uint8_t> data) const;
  // Writes the FCS of `covered` into the 4 bytes of `out` in wire order.
  void store(std::span<const uint8_t> covered, std::span<uint8_t> out) const;
  // Writes the FCS value `fcs` into the 4 bytes of `out` in wire order.
  static void storeValue(uint32_t fcs, std::span<uint8_t> out);

  // The two routes behind update.
  static uint32_t updateByTables(uint32_t state, std::span<const uint8_t> data);
  static uint32_t updateByFolding(uint32_t state, std::span<const uint8_t> data);

 private:
  EthernetFcs() = default;
};

}  // namespace corvel
