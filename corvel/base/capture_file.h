// The records of a pcap or pcapng capture file, read whole into memory and
// checked before anything is sent. Both formats are untrusted input: every
// length is checked against the bytes left, a record larger than its
// interface's snap length or than kMaxRecordBytes is refused, and every
// refusal is a TextError naming the file and the record.
//
// pcap: the classic file header (microsecond or nanosecond magic, either byte
// order) and its records. pcapng: sections of either byte order; interface
// description blocks (link type, snap length, if_tsresol, if_tsoffset),
// enhanced, simple and obsolete packet blocks; every other block type is
// skipped as the format asks of a reader. All records must share one link
// type.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvel {

// One captured packet: where its bytes lie in the file image and when it was
// taken, in nanoseconds after the file's first record (a record stamped
// earlier counts as 0).
struct CaptureRecord {
  uint32_t offset = 0;
  uint32_t size = 0;
  int64_t nanoseconds = 0;
};

struct CaptureTrace {
  static constexpr uint32_t kLinkTypeEthernet = 1;
  // Largest file read, and largest record accepted (as pyxsim's inject).
  static constexpr size_t kMaxFileBytes = 64u << 20;
  static constexpr uint32_t kMaxRecordBytes = 65536;

  std::string name;  // as reports name the file
  std::vector<uint8_t> image;
  std::vector<CaptureRecord> records;
  uint32_t linkType = 0;

  std::span<const uint8_t> bytes(const CaptureRecord& record) const {
    return std::span<const uint8_t>(image).subspan(record.offset, record.size);
  }
};

// Parses `trace.image`, filling records and link type; `trace.name` names the
// file in the messages. Throws a TextError for a malformed file and for one
// without a single record.
void parseCaptureImage(CaptureTrace& trace);

// Reads the file at `path` (at most kMaxFileBytes) and parses it; `name` is
// how messages name it. Throws a TextError when it cannot be read.
CaptureTrace readCaptureFile(const std::string& path, const std::string& name);

}  // namespace corvel
