// The generator of one receive port: its streams in configuration order and
// the choice of the stream that sends the next packet.
//
// The port switches streams after every packet (every cell), so the cells of
// different streams interleave. SEQ ports take the streams round-robin,
// skipping inactive ones; RND ports draw among the active streams.
#ifndef CELLGEN_PORT_GENERATOR_H
#define CELLGEN_PORT_GENERATOR_H

#include <memory>
#include <vector>

#include "cellgen/random_source.h"
#include "cellgen/stream.h"

namespace cellgen {

enum class Selection { seq, rnd };

class PortGenerator {
 public:
  static constexpr std::size_t kMaxStreams = 4096;

  PortGenerator(std::uint32_t port, Selection selection, std::int32_t interpacketTime,
                Direction direction, std::uint32_t randomSeed);

  // False when the port already holds kMaxStreams streams.
  bool addStream(std::unique_ptr<Stream> stream);
  ByteResult nextByte(std::uint8_t& out);
  void resetStreams();

  std::uint32_t port() const { return _port; }
  Selection selection() const { return _selection; }
  std::int32_t interpacketTime() const { return _interpacketTime; }
  Direction direction() const { return _direction; }
  std::size_t streamCount() const { return _streams.size(); }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Chooses the current stream; `advance` moves past the current one first.
  void select(bool advance);
  void selectSequential(bool advance);
  void selectRandom();

  std::uint32_t _port;
  Selection _selection;
  std::int32_t _interpacketTime;
  Direction _direction;
  std::vector<std::unique_ptr<Stream>> _streams;
  std::size_t _current = kNone;
  std::size_t _position = 0;  // round-robin position
  RandomSource _random;
  std::vector<std::size_t> _candidates;  // scratch of RND draws, sized with the stream list
};

}  // namespace cellgen

#endif
