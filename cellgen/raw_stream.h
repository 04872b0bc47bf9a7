// RAW streams: the lines of a data file sent as they are, one line per packet,
// over and over.
#ifndef CELLGEN_RAW_STREAM_H
#define CELLGEN_RAW_STREAM_H

#include "cellgen/data_file.h"
#include "cellgen/stream.h"

namespace cellgen {

class RawStream final : public Stream {
 public:
  // `packets` holds only lines with bytes; with none (or no file at all) the
  // stream has nothing to send.
  RawStream(std::uint32_t id, Direction direction, DataLines packets);

  ByteResult nextByte(std::uint8_t& out) override;
  bool active() const override { return _packets.count() != 0; }
  void reset() override;

 private:
  DataLines _packets;
  std::size_t _packet = 0;
  std::size_t _position = 0;
};

}  // namespace cellgen

#endif
