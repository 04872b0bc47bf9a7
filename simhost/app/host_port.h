// One media-bus port that the host registered with a plug-in, with what the
// host keeps about it: the plug-in's handle, forwarding, gap and capture state
// and the counters of the summary. A receive port is the frame source of the
// bytes it forwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frame_source.h"
#include "impairment.h"
#include "pcap_writer.h"
#include "plugin.h"
#include "ring_queue.h"

namespace pyxsim {

enum class Direction { Receive, Transmit };

struct HostPort;

// A byte the processor stand-in holds for a transmit port until `ready`.
struct PendingByte {
  uint64_t ready = 0;
  HostPort* target = nullptr;
  uint8_t byte = 0;
  uint8_t endOfPacket = 0;
};

// What went through a port and what the host lost of it. A frame counts at
// its end-of-packet byte, so the bytes of a frame cut short count without it.
struct PortCounters {
  uint64_t frames = 0;
  uint64_t bytes = 0;
  // Receive side: delivered while the port had no open transmit port to go to.
  uint64_t droppedFrames = 0;
  uint64_t droppedBytes = 0;
  // Receive side: forwarded but not yet handed over when the ports closed.
  // The frames are those whose end-of-packet byte was still held.
  uint64_t inFlightFrames = 0;
  uint64_t inFlightBytes = 0;
  // Transmit side: injected records not handed over completely at close.
  uint64_t unsentInjectedRecords = 0;
  // Receive side: what the port's impairment did to its frames.
  ImpairmentCounts impaired;

  PortCounters& operator+=(const PortCounters& other);
};

// Where a receive port's frames go.
struct Route {
  enum class Kind { SamePort, Forward, Drop };
  Kind kind = Kind::SamePort;
  uint32_t device = 0;
  uint32_t port = 0;
};

struct HostPort final : FrameSource {
  static constexpr uint32_t kDefaultRate = 100;
  static constexpr uint32_t kDefaultInterpacketTime = 8;
  static constexpr uint32_t kDefaultFrequency = 66;

  Direction direction = Direction::Receive;
  uint32_t device = 0;
  uint32_t port = 0;
  // {rate, interpacket time, media-bus clock frequency in MHz}: the block
  // handed to InitializeRxPort/InitializeTxPort; it stays put for the plug-in.
  uint32_t block[3] = {kDefaultRate, kDefaultInterpacketTime, kDefaultFrequency};
  Plugin* plugin = nullptr;
  PyxPortHandle handle = nullptr;
  bool open = false;

  // Receive side.
  Route route;
  HostPort* resolvedTarget = nullptr;  // route applied to the current ports
  uint64_t silentUntil = 0;            // first cycle after the interpacket gap
  bool inFrame = false;
  HostPort* frameTarget = nullptr;  // where the frame in progress goes
  RingQueue<PendingByte> pending;   // forwarded bytes not yet transmitted
  // With an impairment a frame is forwarded whole: its bytes wait here until
  // its end, and a frame to go after the next one waits in `held`.
  std::unique_ptr<Impairment> impairment;
  bool impaired = false;  // an impairment was set at some time: it has counts
  std::vector<PendingByte> impairedFrame;
  std::vector<PendingByte> held;

  // Transmit side: where the frame being sent comes from.
  FrameSource* source = nullptr;

  // Capture of whole frames into the port's pcap file.
  std::unique_ptr<PcapWriter> capture;
  std::vector<uint8_t> frame;  // capacity reserved once: no allocation per byte
  uint64_t frameLength = 0;

  PortCounters counters;

  uint32_t frequency() const { return block[2]; }
  bool receives() const { return direction == Direction::Receive; }
  // "0/1": device and port as the user writes them.
  std::string name() const;
  // "rx0p1": the stem of the port's pcap file.
  std::string fileStem() const;

  // A byte of the current frame, for the capture.
  void captureByte(uint8_t byte) {
    if (!capture) return;
    if (frame.size() < PcapWriter::kSnapLength) frame.push_back(byte);
    ++frameLength;
  }
  // End of the current frame at `cycle`: one pcap record.
  void captureEnd(uint64_t cycle);
  void startCapture(const std::string& directory, int linkType);
  void stopCapture();

  // Drops the forwarded bytes still held, counting them as lost in flight.
  void discardInFlight();

  // A byte of the frame in progress on its way to `frameTarget`; answers the
  // bytes it added to the pending queue (none while an impairment collects
  // the frame; at its end the frame's, its copy's and a held frame's).
  uint64_t forward(const PendingByte& byte);
  // The frame held to go after the next one goes now, when there is no next
  // frame: the traffic is quiet. Answers the bytes it added.
  uint64_t releaseHeld();

  // The forwarded bytes as a frame source.
  bool frameDue(const HostPort* tx, uint64_t cycle) const override;
  bool takeByte(uint64_t cycle, uint8_t& byte, uint8_t& endOfPacket, uint64_t& inFlight) override;
  uint64_t inFlight() const override { return pending.size(); }
  uint64_t readyAt() const override { return pending.empty() ? UINT64_MAX : pending.front().ready; }
};

}  // namespace pyxsim
