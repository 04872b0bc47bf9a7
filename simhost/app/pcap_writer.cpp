#include "pcap_writer.h"

#include <pcap/pcap.h>
#include <strings.h>


#include "command_error.h"
#include "line_parser.h"

namespace pyxsim {

void PcapWriter::PcapCloser::operator()(pcap* p) const { pcap_close(p); }
void PcapWriter::DumperCloser::operator()(pcap_dumper* d) const { pcap_dump_close(d); }

PcapWriter::PcapWriter(const std::string& path, int linkType) : path_(path), linkType_(linkType) {
  pcap_.reset(pcap_open_dead_with_tstamp_precision(linkType, static_cast<int>(kSnapLength),
                                                   PCAP_TSTAMP_PRECISION_NANO));
  if (!pcap_) throw CommandError("cannot set up a pcap writer for link type " + std::to_string(linkType));
  dumper_.reset(pcap_dump_open(pcap_.get(), path.c_str()));
  if (!dumper_) throw CommandError("cannot create " + path + ": " + pcap_geterr(pcap_.get()));
}

PcapWriter::~PcapWriter() = default;

void PcapWriter::write(uint64_t nanoseconds, const uint8_t* data, size_t captured, size_t length) {
  pcap_pkthdr header{};
  header.ts.tv_sec = static_cast<time_t>(nanoseconds / 1000000000u);
  // A nanosecond-resolution writer takes the fraction in the microsecond field.
  header.ts.tv_usec = static_cast<suseconds_t>(nanoseconds % 1000000000u);
  header.caplen = static_cast<bpf_u_int32>(captured < kSnapLength ? captured : kSnapLength);
  header.len = static_cast<bpf_u_int32>(length > UINT32_MAX ? UINT32_MAX : length);
  pcap_dump(reinterpret_cast<u_char*>(dumper_.get()), &header, data);
}

void PcapWriter::flush() { pcap_dump_flush(dumper_.get()); }

uint64_t cycleToNanoseconds(uint64_t cycle, uint32_t megahertz) {
  if (megahertz == 0) return 0;
  return cycle / megahertz * 1000u + cycle % megahertz * 1000u / megahertz;
}

}  // namespace pyxsim

namespace pyxsim {

std::optional<int> parseLinkType(const std::string& text) {
  if (text.empty()) return std::nullopt;
  if (text[0] >= '0' && text[0] <= '9') {
    const std::optional<int64_t> value = parseInteger(text);
    if (!value || *value < 0 || *value > 0xFFFF) return std::nullopt;
    return static_cast<int>(*value);
  }
  // libpcap's name table leaves out the private-use types USER0..USER15.
  if (text.size() > 4 && strncasecmp(text.c_str(), "USER", 4) == 0) {
    const std::optional<int64_t> n = parseInteger(text.substr(4));
    if (!n || *n < 0 || *n > 15 || text[4] == '-' || text[4] == '+' || text.size() > 6) return std::nullopt;
    return DLT_USER0 + static_cast<int>(*n);
  }
  const int value = pcap_datalink_name_to_val(text.c_str());
  if (value < 0) return std::nullopt;
  return value;
}

}  // namespace pyxsim
