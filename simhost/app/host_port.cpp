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
  counters.inFlightBytes += pending.size();
  for (; !pending.empty(); pending.pop())
    if (pending.front().endOfPacket) ++counters.inFlightFrames;
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
