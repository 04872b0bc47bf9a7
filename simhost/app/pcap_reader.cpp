#include "pcap_reader.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "command_error.h"

namespace pyxsim {

void PcapReader::PcapCloser::operator()(pcap* p) const { pcap_close(p); }

PcapReader::PcapReader(const std::string& path) : path_(path) {
  // Opened here rather than by libpcap so that a missing file and a file of
  // the wrong kind get messages of their own.
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw CommandError("cannot open " + path + ": " + std::strerror(errno));
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_.reset(pcap_fopen_offline_with_tstamp_precision(file, PCAP_TSTAMP_PRECISION_NANO, error));
  if (!pcap_) {
    std::fclose(file);  // libpcap owns the file only once it has accepted it
    throw CommandError(path + " is not a pcap or pcapng file (" + error + ")");
  }
}

PcapReader::~PcapReader() = default;

bool PcapReader::next() {
  data_ = nullptr;
  size_ = 0;
  if (!error_.empty()) return false;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  const int got = pcap_next_ex(pcap_.get(), &header, &data);
  if (got == PCAP_ERROR_BREAK) return false;  // end of the file
  ++number_;
  const std::string record = path_ + ": record " + std::to_string(number_);
  if (got != 1 || !header) {
    error_ = record + " cannot be read (" + pcap_geterr(pcap_.get()) + ")";
    return false;
  }
  if (header->caplen > kMaxRecordBytes) {
    error_ = record + " is " + std::to_string(header->caplen) + " bytes long, over the limit of " +
             std::to_string(kMaxRecordBytes);
    return false;
  }
  if (header->caplen > 0 && !data) {
    error_ = record + " cannot be read (no data)";
    return false;
  }
  // A record holding less than the frame it was taken from, whether cut at
  // capture time or by libpcap at the file's snap length (which it does
  // without a word), would go out as a shorter frame than the one recorded.
  if (header->caplen < header->len) {
    error_ = record + " holds " + std::to_string(header->caplen) + " of its " + std::to_string(header->len) +
             " bytes (snap length " + std::to_string(pcap_snapshot(pcap_.get())) + "); only whole frames are sent";
    return false;
  }
  data_ = data;
  size_ = header->caplen;
  // With nanosecond precision libpcap puts the fraction in tv_usec.
  nanoseconds_ = static_cast<__int128>(header->ts.tv_sec) * 1000000000 + header->ts.tv_usec;
  return true;
}

}  // namespace pyxsim
