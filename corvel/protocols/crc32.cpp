#include "corvel/protocols/crc32.h"

#include <isa-l/crc.h>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7u;
constexpr uint32_t kReflectedPolynomial = 0xEDB88320u;
constexpr int kSlices = 16;

using SliceTables = std::array<Crc32Table, kSlices>;

// The two bit orders of the same CRC-32. With the most significant bit first
// the register shifts left and a byte enters at the top; with the least
// significant bit first (reflected) it shifts right and a byte enters at the
// bottom. Everything else of the slice-by-16 routine is the same for both.
enum class BitOrder { MsbFirst, LsbFirst };

template <BitOrder kOrder>
struct CrcBits {
  static constexpr bool kMsb = kOrder == BitOrder::MsbFirst;

  // The register after one byte (already xored in at the entry end) runs
  // through 8 shift-and-divide rounds.
  static constexpr uint32_t divide(uint32_t crc) {
    for (int bit = 0; bit < 8; ++bit) {
      if constexpr (kMsb) {
        crc = (crc & 0x80000000u) ? (crc << 1) ^ kPolynomial : crc << 1;
      } else {
        crc = (crc & 1u) ? (crc >> 1) ^ kReflectedPolynomial : crc >> 1;
      }
    }
    return crc;
  }
  // The byte of the register that the next data byte meets, and the register
  // with that byte shifted out.
  static constexpr uint32_t entryByte(uint32_t crc) { return kMsb ? crc >> 24 : crc & 0xffu; }
  static constexpr uint32_t shiftByte(uint32_t crc) { return kMsb ? crc << 8 : crc >> 8; }
  // Four data bytes as a word laid out like the register: the first byte at
  // the entry end.
  static uint32_t load(const uint8_t* p) {
    if constexpr (kMsb) {
      return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    } else {
      return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
  }
  // Byte k (0 the first on the wire) of such a word.
  static constexpr uint32_t byteAt(uint32_t word, int k) {
    return kMsb ? (word >> (24 - 8 * k)) & 0xffu : (word >> (8 * k)) & 0xffu;
  }
};

// Slice k advances the CRC past a byte followed by k zero bytes.
template <BitOrder kOrder>
constexpr SliceTables sliceTables() {
  using Bits = CrcBits<kOrder>;
  SliceTables t{};
  for (uint32_t i = 0; i < 256; ++i) t[0][i] = Bits::divide(Bits::kMsb ? i << 24 : i);
  for (int k = 1; k < kSlices; ++k) {
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = Bits::shiftByte(t[k - 1][i]) ^ t[0][Bits::entryByte(t[k - 1][i])];
  }
  return t;
}

template <BitOrder kOrder>
constexpr SliceTables kSliceTables = sliceTables<kOrder>();

// The four bytes of `word` through the slices `last` down to `last` - 3.
template <BitOrder kOrder>
inline uint32_t foldWord(uint32_t word, int last) {
  using Bits = CrcBits<kOrder>;
  const SliceTables& t = kSliceTables<kOrder>;
  return t[last][Bits::byteAt(word, 0)] ^ t[last - 1][Bits::byteAt(word, 1)] ^
         t[last - 2][Bits::byteAt(word, 2)] ^ t[last - 3][Bits::byteAt(word, 3)];
}

// Slice-by-16: sixteen bytes per step, the rest in steps of eight and four
// bytes, then byte by byte.
template <BitOrder kOrder>
uint32_t updateSliced(uint32_t crc, std::span<const uint8_t> data) {
  using Bits = CrcBits<kOrder>;
  const uint8_t* p = data.data();
  size_t left = data.size();
  for (; left >= 16; left -= 16, p += 16) {
    crc = foldWord<kOrder>(crc ^ Bits::load(p), 15) ^ foldWord<kOrder>(Bits::load(p + 4), 11) ^
          foldWord<kOrder>(Bits::load(p + 8), 7) ^ foldWord<kOrder>(Bits::load(p + 12), 3);
  }
  if (left >= 8) {
    crc = foldWord<kOrder>(crc ^ Bits::load(p), 7) ^ foldWord<kOrder>(Bits::load(p + 4), 3);
    p += 8;
    left -= 8;
  }
  if (left >= 4) {
    crc = foldWord<kOrder>(crc ^ Bits::load(p), 3);
    p += 4;
    left -= 4;
  }
  const Crc32Table& t0 = kSliceTables<kOrder>[0];
  for (; left > 0; --left, ++p) crc = Bits::shiftByte(crc) ^ t0[Bits::entryByte(crc) ^ *p];
  return crc;
}

void requireFour(std::span<uint8_t> out) {
  if (out.size() != 4) throw TextError("CRC field must be 4 bytes");
}

// ISA-L's AVX-512 CRC routines return with the upper halves of the vector
// registers still in use. Until a vzeroupper clears them, the SSE
// instructions of the code that follows (most of ours) pay a transition
// penalty: building frames without FCS ran two to three times slower once a
// CRC had been taken. The instruction exists only where AVX does.
#if defined(__x86_64__) || defined(__i386__)
bool avxPresent() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx");
}
const bool kAvxPresent = avxPresent();

inline void clearUpperVectorState() {
  if (kAvxPresent) {
    __asm__ volatile("vzeroupper" ::: "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8",
                     "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
  }
}
#else
inline void clearUpperVectorState() {}
#endif

}  // namespace

void crc32Table(Crc32Table& table) { table = kSliceTables<BitOrder::MsbFirst>[0]; }

uint32_t crc32(const Crc32Table& table, std::span<const uint8_t> data) {
  uint32_t crc = 0xffffffffu;
  for (uint8_t b : data) crc = (crc << 8) ^ table[(crc >> 24) ^ b];
  return ~crc;
}

const Aal5Crc32& Aal5Crc32::shared() {
  static const Aal5Crc32 instance;
  return instance;
}

uint32_t Aal5Crc32::compute(std::span<const uint8_t> data) const { return ~update(kStart, data); }

uint32_t Aal5Crc32::update(uint32_t state, std::span<const uint8_t> data) const {
  return data.size() >= kFoldFrom ? updateByFolding(state, data) : updateByTables(state, data);
}

// ISA-L's crc32_ieee (most significant bit first) and crc32_gzip_refl
// (reflected) take and return the finished CRC, i.e. the complemented
// register, as RFC 1952's update_crc does: the CRC of no bytes is 0 and a CRC
// continues from the previous result. The register is therefore complemented
// on the way in and out.
uint32_t Aal5Crc32::updateByFolding(uint32_t state, std::span<const uint8_t> data) {
  if (data.empty()) return state;
  const uint32_t crc = crc32_ieee(~state, data.data(), data.size());
  clearUpperVectorState();
  return ~crc;
}

uint32_t Aal5Crc32::updateByTables(uint32_t state, std::span<const uint8_t> data) {
  return updateSliced<BitOrder::MsbFirst>(state, data);
}

void Aal5Crc32::store(std::span<const uint8_t> covered, std::span<uint8_t> out) const {
  requireFour(out);
  const uint32_t crc = compute(covered);
  out[0] = static_cast<uint8_t>(crc >> 24);
  out[1] = static_cast<uint8_t>(crc >> 16);
  out[2] = static_cast<uint8_t>(crc >> 8);
  out[3] = static_cast<uint8_t>(crc);
}

const EthernetFcs& EthernetFcs::shared() {
  static const EthernetFcs instance;
  return instance;
}

uint32_t EthernetFcs::compute(std::span<const uint8_t> data) const { return ~update(kStart, data); }

uint32_t EthernetFcs::update(uint32_t state, std::span<const uint8_t> data) const {
  return data.size() >= kFoldFrom ? updateByFolding(state, data) : updateByTables(state, data);
}

// See Aal5Crc32::updateByFolding for the convention of ISA-L's routines.
uint32_t EthernetFcs::updateByFolding(uint32_t state, std::span<const uint8_t> data) {
  if (data.empty()) return state;
  const uint32_t crc = crc32_gzip_refl(~state, data.data(), data.size());
  clearUpperVectorState();
  return ~crc;
}

uint32_t EthernetFcs::updateByTables(uint32_t state, std::span<const uint8_t> data) {
  return updateSliced<BitOrder::LsbFirst>(state, data);
}

void EthernetFcs::store(std::span<const uint8_t> covered, std::span<uint8_t> out) const {
  storeValue(compute(covered), out);
}

void EthernetFcs::storeValue(uint32_t fcs, std::span<uint8_t> out) {
  requireFour(out);
  out[0] = static_cast<uint8_t>(fcs);
  out[1] = static_cast<uint8_t>(fcs >> 8);
  out[2] = static_cast<uint8_t>(fcs >> 16);
  out[3] = static_cast<uint8_t>(fcs >> 24);
}

}  // namespace corvel
