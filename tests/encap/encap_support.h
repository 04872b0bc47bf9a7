// Helpers shared by the frame-building tests: byte images from hex text and
// stacks built from configurations.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/protocols/data_generator.h"
#include "corvel/protocols/encapsulator_factory.h"
#include "corvel/protocols/protocol_stack.h"

namespace corvel::test {

using Bytes = std::vector<uint8_t>;

// Bytes of hex text; spaces are ignored so images can be grouped by field.
inline Bytes hex(std::string_view text) {
  Bytes out;
  int high = -1;
  for (char c : text) {
    if (c == ' ') continue;
    int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (v < 0) throw TextError("bad hex in test image");
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  return out;
}

inline Bytes repeat(uint8_t value, size_t count) { return Bytes(count, value); }

// Pattern-2 payload bytes 1, 2, ..., 9, 0, 1, ... from position `from`.
inline Bytes pattern2(size_t count, size_t from = 0) {
  Bytes out;
  for (size_t i = from; i < from + count; ++i) out.push_back(static_cast<uint8_t>((i + 1) % 10));
  return out;
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline Bytes bytesOf(std::span<const uint8_t> s) { return {s.begin(), s.end()}; }

// A stack of the given configurations, payload first.
template <typename... Configs>
ProtocolStack stackOf(const Configs&... configs) {
  ProtocolStack stack("test");
  (stack.addProtocol(configs), ...);
  return stack;
}

inline std::unique_ptr<DataGenerator> builderOf(const ProtocolStack& stack, bool crc = true,
                                                int32_t streamIndex = 0, int32_t rxDevice = 0,
                                                int32_t rxPort = 3) {
  ChainSettings settings;
  settings.computeCrc = crc;
  settings.streamIndex = streamIndex;
  settings.rxDevice = rxDevice;
  settings.rxPort = rxPort;
  return buildFrameBuilder(stack, settings);
}

// The message of the TextError that `action` throws, or "(no exception)".
inline std::string throwText(const std::function<void()>& action) {
  try {
    action();
  } catch (const TextError& e) {
    return e.text();
  }
  return "(no exception)";
}

// Common header texts.
inline constexpr std::string_view kEthIpv4 = "001122334455" "0066778899aa" "0800";
inline constexpr std::string_view kEthIpv6 = "001122334455" "0066778899aa" "86dd";
inline constexpr std::string_view kEthLocal = "ffffffffffff" "020000000001" "88b5";
// 192.168.0.1 -> 192.168.0.2, identification 0x1234, DF, TTL 64; protocol and
// length filled in per test.
inline std::string ipv4Header(std::string_view protocol) {
  return std::string("4500") + "0000" + "1234" + "4000" + "40" + std::string(protocol) + "0000" + "c0a80001" +
         "c0a80002";
}
// 2001:db8::1 -> 2001:db8::2, hop limit 64.
inline std::string ipv6Header(std::string_view nextHeader) {
  return std::string("60000000") + "0000" + std::string(nextHeader) + "40" + "20010db8000000000000000000000001" +
         "20010db8000000000000000000000002";
}
// Ports 1234 -> 5678, length and checksum computed.
inline constexpr std::string_view kUdp = "04d2" "162e" "0000" "0000";
// Ports 1234 -> 80, sequence 1, data offset field f (replaced by 5), PSH ACK, window ffff.
inline constexpr std::string_view kTcp = "04d2" "0050" "00000001" "00000000" "f018" "ffff" "0000" "0000";

}  // namespace corvel::test
