#include "frame_sink.h"

#include <stdexcept>

namespace tcs2pcap {

PcapFrameSink::PcapFrameSink(const std::string& path, int linkType)
    : _path(path), _pcap(pcap_open_dead(linkType, kSnapLength)) {
  if (!_pcap) throw std::runtime_error("cannot set up a pcap writer");
  _dumper.reset(pcap_dump_open(_pcap.get(), path.c_str()));
  if (!_dumper) throw std::runtime_error("cannot create " + path + ": " + pcap_geterr(_pcap.get()));
}

PcapFrameSink::~PcapFrameSink() = default;

void PcapFrameSink::write(std::span<const uint8_t> frame) {
  pcap_pkthdr header{};
  header.ts.tv_sec = static_cast<time_t>(_frames / 1000000);
  header.ts.tv_usec = static_cast<suseconds_t>(_frames % 1000000);
  header.len = static_cast<bpf_u_int32>(frame.size());
  header.caplen = frame.size() < kSnapLength ? header.len : static_cast<bpf_u_int32>(kSnapLength);
  pcap_dump(reinterpret_cast<u_char*>(_dumper.get()), &header, frame.data());
  ++_frames;
}

void PcapFrameSink::finish() {
  if (pcap_dump_flush(_dumper.get()) != 0 || std::ferror(pcap_dump_file(_dumper.get())) != 0) {
    throw std::runtime_error("cannot write " + _path);
  }
}

void HexFrameSink::write(std::span<const uint8_t> frame) {
  static constexpr char kDigits[] = "0123456789abcdef";
  _line.clear();
  _line.reserve(frame.size() * 2 + 1);
  for (uint8_t byte : frame) {
    _line += kDigits[byte >> 4];
    _line += kDigits[byte & 0x0f];
  }
  _line += '\n';
  if (std::fwrite(_line.data(), 1, _line.size(), _out) != _line.size()) {
    throw std::runtime_error("cannot write the hex lines");
  }
}

void HexFrameSink::finish() {
  if (std::fflush(_out) != 0) throw std::runtime_error("cannot write the hex lines");
}

}  // namespace tcs2pcap
