// Builds a stream's encapsulation chain and frame builder from its protocol
// stack: one encapsulator per configuration, payload first, each chosen by
// the configuration's protocol kind (and, for payloads, the payload kind).
#pragma once

#include <cstdint>
#include <memory>

#include "corvel/protocols/data_generator.h"

namespace corvel {

class ProtocolConfig;
class ProtocolStack;

struct ChainSettings {
  // Compute the Ethernet/VLAN frame check sequences and the AAL5 CRC (the
  // port's CRC option); otherwise the configured trailer bytes go out.
  bool computeCrc = true;
  // Compute the IPv4 header, UDP and TCP checksums; otherwise they go out as 0.
  bool computeChecksum = true;
  // Identities for the payload tag: the stream's index on its port and the
  // receive port (device, port) that generates it.
  int32_t streamIndex = 0;
  int32_t rxDevice = 0;
  int32_t rxPort = 0;
  // See DataGenerator::setIterationLimit.
  int32_t iterationLimit = 1;
};

// The encapsulator of one configuration. Throws a text for a configuration
// no encapsulator exists for.
std::unique_ptr<Encapsulator> makeEncapsulator(const ProtocolConfig& config, bool computeCrc);

// The frame builder of a stream: a FileDataGenerator for a workbench-log
// payload, otherwise a SingleFragmentation with a pattern payload generator.
// The payload tag takes the transmit port of the payload configuration.
// Throws "No protocol headers defined for stream", "First protocol is not a
// payload." or "Last-Tail protocol is not a datalink protocol" for a stack
// that cannot carry frames.
std::unique_ptr<DataGenerator> buildFrameBuilder(const ProtocolStack& stack, const ChainSettings& settings);

}  // namespace corvel
