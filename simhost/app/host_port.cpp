#include "host_port.h"

namespace pyxsim {

PortCounters& PortCounters::operator+=(const PortCounters& other) {
  frames += other.frames;
  bytes += other.bytes;
  droppedFrames += other.droppedFrames;
  droppedBytes += other.droppedBytes;
  inFlightFrames += other.inFlightFrames;
  inFlightBytes += other.inFlightBytes;
  unsentInjectedRecords += other.unsentInjectedRecords;
  impaired += other.impaired;
  return *this;
}

std::string HostPort::name() const { return std::to_string(device) + "/" + std::to_string(port); }

std::string HostPort::fileStem() const {
  return (receives() ? "rx" : "tx") + std::to_string(device) + "p" + std::to_string(port);
}

void HostPort::captureEnd(uint64_t cycle) {
  if (!capture) return;
  capture->write(cycleToNanoseconds(cycle, frequency()), frame.data(), frame.size(), frameLength);
  frame.clear();
  frameLength = 0;
}

void HostPort::startCapture(const std::string& directory, int linkType) {
  std::string path = directory.empty() ? fileStem() + ".pcap" : directory + "/" + fileStem() + ".pcap";
  capture = std::make_unique<PcapWriter>(path, linkType);
  frame.clear();
  frame.reserve(PcapWriter::kSnapLength);
  frameLength = 0;
}

void HostPort::stopCapture() {
  capture.reset();
  frame.clear();
  frameLength = 0;
}

void HostPort::discardInFlight() {
  counters.inFlightBytes += pending.size() + impairedFrame.size() + held.size();
  for (; !pending.empty(); pending.pop())
    if (pending.front().endOfPacket) ++counters.inFlightFrames;
  for (const PendingByte& byte : held)
    if (byte.endOfPacket) ++counters.inFlightFrames;
  impairedFrame.clear();
  held.clear();
}

namespace {

uint64_t pushFrame(RingQueue<PendingByte>& queue, const std::vector<PendingByte>& frame) {
  for (const PendingByte& byte : frame) queue.push(byte);
  return frame.size();
}

}  // namespace

uint64_t HostPort::forward(const PendingByte& byte) {
  if (!impairment) {
    pending.push(byte);
    return 1;
  }
  if (impairedFrame.capacity() == 0) impairedFrame.reserve(PcapWriter::kSnapLength);
  impairedFrame.push_back(byte);
  if (!byte.endOfPacket) return 0;
  const FrameFate fate = impairment->next(impairedFrame.size());
  ImpairmentCounts& done = counters.impaired;
  if (fate.lose) {
    ++done.lost;
    impairedFrame.clear();  // a frame held for reordering waits for the next one
    return 0;
  }
  // The delay holds every byte back alike, and the queue keeps the frames'
  // order: a frame never overtakes one delayed longer.
  for (PendingByte& b : impairedFrame) b.ready += fate.delayCycles;
  if (fate.corrupt) impairedFrame[fate.corruptByte].byte ^= fate.corruptMask;
  const uint64_t copies = fate.duplicate ? 2 : 1;
  if (fate.corrupt) done.corrupted += copies;
  if (fate.duplicate) ++done.duplicated;
  if (fate.reorder && held.empty()) {
    // Goes after the next frame that is not lost; that one is never held too.
    held.swap(impairedFrame);
    const size_t length = held.size();
    for (size_t i = 0; fate.duplicate && i < length; ++i) held.push_back(held[i]);
    impairedFrame.clear();
    return 0;
  }
  uint64_t added = 0;
  for (uint64_t c = 0; c < copies; ++c) added += pushFrame(pending, impairedFrame);
  impairedFrame.clear();
  if (!held.empty()) {
    ++done.reordered;
    added += releaseHeld();
  }
  return added;
}

uint64_t HostPort::releaseHeld() {
  const uint64_t added = pushFrame(pending, held);
  held.clear();
  return added;
}

bool HostPort::frameDue(const HostPort* tx, uint64_t cycle) const {
  if (pending.empty()) return false;
  const PendingByte& head = pending.front();
  return head.target == tx && head.ready <= cycle;
}

bool HostPort::takeByte(uint64_t cycle, uint8_t& byte, uint8_t& endOfPacket, uint64_t& inFlight) {
  if (pending.empty()) return false;  // the frame's next byte has not arrived yet
  const PendingByte& next = pending.front();
  if (next.ready > cycle) return false;
  byte = next.byte;
  endOfPacket = next.endOfPacket;
  pending.pop();
  --inFlight;
  return true;
}

}  // namespace pyxsim
