// The protocols of one stream: owned configuration clones, payload first
// (index 0) and outermost layer last, built only through the checked
// `addProtocol`. The signature lists the kind numbers in order, e.g. "8,10,7,5"
// for payload, UDP, IPv4, Ethernet.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class ProtocolStack {
 public:
  static constexpr int32_t kStreamFieldCount = 4;

  explicit ProtocolStack(std::string_view name = {});
  // A copy re-adds clones of every entry (rebuilding the signature), keeps the
  // name and the stream fields, except stream field 2, which starts at 0.
  ProtocolStack(const ProtocolStack& other);
  ProtocolStack& operator=(const ProtocolStack& other);
  ProtocolStack(ProtocolStack&&) noexcept = default;
  ProtocolStack& operator=(ProtocolStack&&) noexcept = default;
  ~ProtocolStack();

  // Appends a clone of `config` (the caller keeps its own object). The first
  // entry must be a payload; every later one must accept the entry added last.
  void addProtocol(const ProtocolConfig& config);

  const std::string& name() const { return _name; }
  const std::string& signature() const { return _signature; }
  int32_t count() const { return static_cast<int32_t>(_protocols.size()); }
  const ProtocolConfig& at(int32_t index) const { return *_protocols.at(static_cast<size_t>(index)); }
  const std::vector<std::unique_ptr<ProtocolConfig>>& protocols() const { return _protocols; }

  // Four values that belong to the stream reader; indexes 0..3.
  int32_t streamField(int32_t index) const { return _streamFields.at(static_cast<size_t>(index)); }
  void setStreamField(int32_t index, int32_t value) { _streamFields.at(static_cast<size_t>(index)) = value; }

 private:
  std::string _name;
  std::vector<std::unique_ptr<ProtocolConfig>> _protocols;
  std::string _signature;
  std::array<int32_t, kStreamFieldCount> _streamFields{};
};

}  // namespace corvel
