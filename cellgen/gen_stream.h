// GEN streams (frames of a fixed length filled with one byte) and GENR
// streams (frames whose payloads are the lines of a data file), both sent as
// CSIX cells.
#ifndef CELLGEN_GEN_STREAM_H
#define CELLGEN_GEN_STREAM_H

#include <array>

#include "cellgen/cell_cutter.h"
#include "cellgen/counter.h"
#include "cellgen/data_file.h"
#include "cellgen/reporter.h"
#include "cellgen/stream.h"

namespace cellgen {

// What GEN and GENR streams share: class, tag and the four counters.
struct CellStreamSettings {
  std::uint32_t id = 0;
  Direction direction = Direction::in;
  std::uint8_t cellClass = 0;
  std::uint8_t tag = 0;
  std::array<Counter, 4> counters{};
};

class GenStream : public Stream {
 public:
  // `frameLimit` 0 means no limit; `frameLength` is at most
  // CellCutter::kMaxFrameLength.
  GenStream(const CellStreamSettings& settings, std::uint32_t frameLimit, std::uint32_t frameLength,
            std::uint8_t fill);

  ByteResult nextByte(std::uint8_t& out) override;
  bool active() const override { return _active; }
  void reset() override;

  std::uint32_t framesBuilt() const { return _frameCounter; }

 protected:
  // The payload of the next frame; false when the stream has none.
  virtual bool nextPayload(FramePayload& payload);
  void deactivate() { _active = false; }

 private:
  bool buildFrame();

  CellStreamSettings _settings;
  std::uint32_t _frameLimit;
  std::uint32_t _frameLength;
  std::uint8_t _fill;
  std::uint32_t _frameCounter = 0;
  bool _active = true;
  CellCutter _cells;
};

class FileGenStream final : public GenStream {
 public:
  // `frames` are the payload lines; with none the stream stays inactive.
  FileGenStream(const CellStreamSettings& settings, DataLines frames, Reporter& reporter);

  // The data lines are used in turn across a reset, as before it.
  void reset() override {}

 protected:
  bool nextPayload(FramePayload& payload) override;

 private:
  DataLines _frames;
  std::size_t _nextLine = 0;
  Reporter& _reporter;
};

}  // namespace cellgen

#endif
