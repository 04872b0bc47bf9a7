// The streams of a port: what a stream answers when the port asks it for a
// byte, and the parts every kind of stream shares.
#ifndef CELLGEN_STREAM_H
#define CELLGEN_STREAM_H

#include <cstdint>

namespace cellgen {

// The direction word of PORT and STREAM lines; recorded, not used.
enum class Direction { in, out };

// A stream's answer to a byte request.
enum class ByteResult {
  byte = 0,       // a byte, more follow in this packet
  packetEnd = 2,  // a byte that ends a packet (a cell, or a raw line)
  nothing = 3     // nothing to send
};

class Stream {
 public:
  Stream(std::uint32_t id, Direction direction) : _id(id), _direction(direction) {}
  virtual ~Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  virtual ByteResult nextByte(std::uint8_t& out) = 0;
  virtual bool active() const = 0;
  // Returns the stream to its state after loading.
  virtual void reset() = 0;

  std::uint32_t id() const { return _id; }
  Direction direction() const { return _direction; }

 private:
  std::uint32_t _id;
  Direction _direction;
};

}  // namespace cellgen

#endif
