#include "corvel/protocols/crc32.h"

#include <isa-l/crc.h>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7u;
constexpr uint32_t kReflectedPolynomial = 0xEDB88320u;
constexpr int kSlices = 16;

using SliceTables = std::array<Crc32Table, kSlices>;

// Slice k advances the CRC past a byte followed by k zero bytes.
constexpr SliceTables msbFirstTables() {
  SliceTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ kPolynomial : crc << 1;
    t[0][i] = crc;
  }
  for (int k = 1; k < kSlices; ++k) {
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
  }
  return t;
}

constexpr SliceTables lsbFirstTables() {
  SliceTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ kReflectedPolynomial : crc >> 1;
    t[0][i] = crc;
  }
  for (int k = 1; k < kSlices; ++k) {
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xffu];
  }
  return t;
}

constexpr SliceTables kMsbFirst = msbFirstTables();
constexpr SliceTables kLsbFirst = lsbFirstTables();

inline uint32_t loadBigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

inline uint32_t loadLittleEndian32(const uint8_t* p) {
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
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

void crc32Table(Crc32Table& table) { table = kMsbFirst[0]; }

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
  const auto& t = kMsbFirst;
  uint32_t crc = state;
  const uint8_t* p = data.data();
  size_t left = data.size();
  for (; left >= 16; left -= 16, p += 16) {
    const uint32_t a = crc ^ loadBigEndian32(p);
    const uint32_t b = loadBigEndian32(p + 4);
    const uint32_t c = loadBigEndian32(p + 8);
    const uint32_t d = loadBigEndian32(p + 12);
    crc = t[15][a >> 24] ^ t[14][(a >> 16) & 0xffu] ^ t[13][(a >> 8) & 0xffu] ^ t[12][a & 0xffu] ^
          t[11][b >> 24] ^ t[10][(b >> 16) & 0xffu] ^ t[9][(b >> 8) & 0xffu] ^ t[8][b & 0xffu] ^
          t[7][c >> 24] ^ t[6][(c >> 16) & 0xffu] ^ t[5][(c >> 8) & 0xffu] ^ t[4][c & 0xffu] ^
          t[3][d >> 24] ^ t[2][(d >> 16) & 0xffu] ^ t[1][(d >> 8) & 0xffu] ^ t[0][d & 0xffu];
  }
  // The rest in steps of eight and four bytes, then byte by byte.
  if (left >= 8) {
    const uint32_t a = crc ^ loadBigEndian32(p);
    const uint32_t b = loadBigEndian32(p + 4);
    crc = t[7][a >> 24] ^ t[6][(a >> 16) & 0xffu] ^ t[5][(a >> 8) & 0xffu] ^ t[4][a & 0xffu] ^
          t[3][b >> 24] ^ t[2][(b >> 16) & 0xffu] ^ t[1][(b >> 8) & 0xffu] ^ t[0][b & 0xffu];
    p += 8;
    left -= 8;
  }
  if (left >= 4) {
    const uint32_t a = crc ^ loadBigEndian32(p);
    crc = t[3][a >> 24] ^ t[2][(a >> 16) & 0xffu] ^ t[1][(a >> 8) & 0xffu] ^ t[0][a & 0xffu];
    p += 4;
    left -= 4;
  }
  for (; left > 0; --left, ++p) crc = (crc << 8) ^ t[0][(crc >> 24) ^ *p];
  return crc;
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
  const auto& t = kLsbFirst;
  uint32_t crc = state;
  const uint8_t* p = data.data();
  size_t left = data.size();
  for (; left >= 16; left -= 16, p += 16) {
    const uint32_t a = crc ^ loadLittleEndian32(p);
    const uint32_t b = loadLittleEndian32(p + 4);
    const uint32_t c = loadLittleEndian32(p + 8);
    const uint32_t d = loadLittleEndian32(p + 12);
    crc = t[15][a & 0xffu] ^ t[14][(a >> 8) & 0xffu] ^ t[13][(a >> 16) & 0xffu] ^ t[12][a >> 24] ^
          t[11][b & 0xffu] ^ t[10][(b >> 8) & 0xffu] ^ t[9][(b >> 16) & 0xffu] ^ t[8][b >> 24] ^
          t[7][c & 0xffu] ^ t[6][(c >> 8) & 0xffu] ^ t[5][(c >> 16) & 0xffu] ^ t[4][c >> 24] ^
          t[3][d & 0xffu] ^ t[2][(d >> 8) & 0xffu] ^ t[1][(d >> 16) & 0xffu] ^ t[0][d >> 24];
  }
  // The rest in steps of eight and four bytes, then byte by byte.
  if (left >= 8) {
    const uint32_t a = crc ^ loadLittleEndian32(p);
    const uint32_t b = loadLittleEndian32(p + 4);
    crc = t[7][a & 0xffu] ^ t[6][(a >> 8) & 0xffu] ^ t[5][(a >> 16) & 0xffu] ^ t[4][a >> 24] ^
          t[3][b & 0xffu] ^ t[2][(b >> 8) & 0xffu] ^ t[1][(b >> 16) & 0xffu] ^ t[0][b >> 24];
    p += 8;
    left -= 8;
  }
  if (left >= 4) {
    const uint32_t a = crc ^ loadLittleEndian32(p);
    crc = t[3][a & 0xffu] ^ t[2][(a >> 8) & 0xffu] ^ t[1][(a >> 16) & 0xffu] ^ t[0][a >> 24];
    p += 4;
    left -= 4;
  }
  for (; left > 0; --left, ++p) crc = (crc >> 8) ^ t[0][(crc ^ *p) & 0xffu];
  return crc;
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
