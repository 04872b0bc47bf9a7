// A real conversation for the capture tests, and tshark's reading of a
// capture file of it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "hand_frames.h"
#include "real_frames.h"

namespace corvel::test {

// An HTTP exchange over TCP (handshake with options, data with timestamps,
// pure acknowledgements of 54 bytes, both FINs) and a DNS query and answer
// over UDP, as the client host captured them: no padding, no FCS.
inline std::vector<Bytes> Conversation() {
  const Bytes request = Text("GET / HTTP/1.1\r\nHost: example\r\n\r\n");
  const Bytes response = Text("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi");
  const uint32_t c = 1000;  // client's initial sequence number
  const uint32_t s = 5000;  // server's
  const auto req = static_cast<uint32_t>(request.size());
  const auto resp = static_cast<uint32_t>(response.size());
  const Bytes ts = TimestampOptions();
  // RFC 1035: "a." type A class IN; the answer repeats the question and adds
  // 192.0.2.80 through a name pointer, TTL 60.
  const Bytes question = {1, 'a', 0, 0, 1, 0, 1};
  Bytes query = {0x12, 0x34, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0};
  query.insert(query.end(), question.begin(), question.end());
  Bytes answer = {0x12, 0x34, 0x81, 0x80, 0, 1, 0, 1, 0, 0, 0, 0};
  answer.insert(answer.end(), question.begin(), question.end());
  for (uint8_t b : {0xc0, 0x0c, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 192, 0, 2, 80}) answer.push_back(b);
  std::vector<RealFrame> frames = {
      {.transport = 17, .data = query},
      {.reply = true, .transport = 17, .data = answer},
      {.flags = 0x02, .sequence = c, .acknowledgement = 0, .options = SynOptions()},
      {.reply = true, .flags = 0x12, .sequence = s, .acknowledgement = c + 1, .options = SynOptions()},
      {.flags = 0x10, .sequence = c + 1, .acknowledgement = s + 1},
      {.flags = 0x18, .sequence = c + 1, .acknowledgement = s + 1, .options = ts, .data = request},
      {.reply = true, .flags = 0x10, .sequence = s + 1, .acknowledgement = c + 1 + req, .options = ts},
      {.reply = true,
       .flags = 0x18,
       .sequence = s + 1,
       .acknowledgement = c + 1 + req,
       .options = ts,
       .data = response},
      {.flags = 0x10, .sequence = c + 1 + req, .acknowledgement = s + 1 + resp},
      {.flags = 0x11, .sequence = c + 1 + req, .acknowledgement = s + 1 + resp},
      {.reply = true, .flags = 0x11, .sequence = s + 1 + resp, .acknowledgement = c + 2 + req},
      {.flags = 0x10, .sequence = c + 2 + req, .acknowledgement = s + 2 + resp},
  };
  std::vector<Bytes> bytes;
  for (const RealFrame& frame : frames) bytes.push_back(RealFrameBytes(frame));
  return bytes;
}

// tshark's reading of the capture: per frame the IPv4, TCP and UDP checksum
// statuses (1 good), the TCP MSS option and any malformed-packet mark.
inline std::string TsharkView(const std::filesystem::path& pcap) {
  const std::string command =
      "tshark -n -r '" + pcap.string() +
      "' -o ip.check_checksum:TRUE -o tcp.check_checksum:TRUE -o udp.check_checksum:TRUE -T fields -E separator=,"
      " -e ip.checksum.status -e tcp.checksum.status -e udp.checksum.status -e tcp.options.mss_val"
      " -e _ws.malformed 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[256];
  while (pipe && fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  return out;
}

}  // namespace corvel::test
