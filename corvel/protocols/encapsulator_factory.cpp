#include "corvel/protocols/encapsulator_factory.h"

#include <string>

#include "corvel/base/text_error.h"
#include "corvel/protocols/encapsulator.h"
#include "corvel/protocols/payload/pattern_payload.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/payload/payload_encap.h"
#include "corvel/protocols/pcap_stream/pcap_stream.h"
#include "corvel/protocols/protocol_registry.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/workbench_log.h"

namespace corvel {

std::unique_ptr<Encapsulator> makeEncapsulator(const ProtocolConfig& config, bool computeCrc) {
  const ProtocolRegistration* registration = findRegistration(config.kind());
  if (registration == nullptr || registration->makeEncapsulator == nullptr)
    throw TextError("Error, no encapsulator for protocol kind " + std::to_string(static_cast<int32_t>(config.kind())));
  return registration->makeEncapsulator(config, computeCrc);
}

std::unique_ptr<DataGenerator> buildFrameBuilder(const ProtocolStack& stack, const ChainSettings& settings) {
  if (stack.count() == 0) throw TextError("No protocol headers defined for stream");
  const auto* payloadConfig = dynamic_cast<const PayloadConfig*>(&stack.at(0));
  if (payloadConfig == nullptr) throw TextError("First protocol is not a payload.");
  if (!stack.at(stack.count() - 1).isDatalink()) throw TextError("Last-Tail protocol is not a datalink protocol");

  EncapsulatorChain chain;
  chain.reserve(static_cast<size_t>(stack.count()));
  for (const auto& config : stack.protocols()) {
    chain.push_back(makeEncapsulator(*config, settings.computeCrc));
    chain.back()->setComputeChecksum(settings.computeChecksum);
  }

  auto& payload = dynamic_cast<PayloadEncapsulator&>(*chain.front());
  PayloadSignature signature;
  signature.txDevice = payloadConfig->txDevice();
  signature.txPort = payloadConfig->txPort();
  signature.rxDevice = settings.rxDevice;
  signature.rxPort = settings.rxPort;
  signature.streamIndex = settings.streamIndex;
  payload.setSignature(signature);
  payload.setSequenced(payloadConfig->sequenced());

  std::unique_ptr<DataGenerator> builder;
  if (payloadConfig->payloadKind() == PayloadKind::WorkbenchLog) {
    builder = std::make_unique<FileDataGenerator>(std::move(chain));
  } else if (payloadConfig->payloadKind() == PayloadKind::PcapStream) {
    builder = std::make_unique<PcapStreamGenerator>(std::move(chain));
  } else {
    const int32_t pattern = payloadConfig->patternType() == 2 ? 2 : 1;
    builder = std::make_unique<SingleFragmentation>(std::move(chain),
                                                    std::make_unique<PatternPayloadGenerator>(pattern));
  }
  builder->setIterationLimit(settings.iterationLimit);
  return builder;
}

}  // namespace corvel
