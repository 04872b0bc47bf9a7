// The data files of GENR and RAW streams, read whole when the STREAM line is
// loaded. Bytes are written as pairs of hexadecimal digits.
//
// GENR: each line is the payload of one frame; pairs follow each other with
// optional white space; an empty line is a frame without payload.
// RAW: each line is one packet as it goes on the wire; pairs are separated by
// white space or commas; a line that does not start with a pair (a comment,
// say) carries no packet and is skipped; an empty line ends the data as the
// end of the file does.
#ifndef CELLGEN_DATA_FILE_H
#define CELLGEN_DATA_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cellgen/cell_cutter.h"
#include "cellgen/file_access.h"

namespace cellgen {

// The lines of a data file as byte strings, kept in one block.
class DataLines {
 public:
  // Longest line of a GENR file; one frame's payload is at most 4096 bytes.
  static constexpr std::size_t kMaxFrameLineLength = 1023;
  static constexpr std::size_t kMaxFrameBytes = 4096;
  // Longest line of a RAW file (a jumbo frame written with separators fits).
  static constexpr std::size_t kMaxPacketLineLength = 32767;
  // Bounds on a whole data file, so that no file can exhaust memory.
  static constexpr std::size_t kMaxTotalBytes = 16u << 20;
  static constexpr std::size_t kMaxLines = 1u << 20;

  static_assert(kMaxFrameLineLength / 2 <= kMaxFrameBytes);

  std::size_t count() const { return _ends.size(); }
  FramePayload line(std::size_t index) const;
  std::size_t totalBytes() const { return _bytes.size(); }
  void clear();

  // The outcome of reading a file; `message` is set for `missing` and `refused`.
  enum class Load { loaded, missing, refused };
  Load loadFrames(FileAccess& files, const std::string& name, std::string& message);
  Load loadPackets(FileAccess& files, const std::string& name, std::string& message);

 private:
  enum class Kind { frames, packets };
  Load load(Kind kind, FileAccess& files, const std::string& name, std::string& message);

  std::vector<std::uint8_t> _bytes;
  std::vector<std::size_t> _ends;  // end offset of each line in _bytes
};

}  // namespace cellgen

#endif
