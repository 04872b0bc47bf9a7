#include "host_port.h"

namespace pyxsim {

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

}  // namespace pyxsim
