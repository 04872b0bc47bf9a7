// The byte path of a receive port: every host byte request through the port
// generator, its frame source and stream distribution, for Ethernet/IPv4/UDP
// frames of 64 and 1500 bytes, without and with bit-error injection. A byte
// request should cost a few nanoseconds; the frame is built once per frame.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "counting_allocator.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/port_traffic_generator.h"

namespace corvel {
namespace {

constexpr int32_t kFraming = 14 + 20 + 8 + 4;
constexpr int32_t kPdus = 1000000;

std::unique_ptr<PortTrafficGenerator> startedPort(int32_t frameSize, bool bitErrors) {
  FixedPayloadConfig payload(std::to_string(frameSize - kFraming), kPdus);
  payload.setTxPort(0, 1);
  ProtocolStack stack("bench");
  stack.addProtocol(payload);
  stack.addProtocol(UdpProtocolConfig("04d2162e00000000"));
  stack.addProtocol(IpV4ProtocolConfig("4500000012344000401100" "00c0a80001c0a80002"));
  stack.addProtocol(EthernetProtocolConfig("0011223344550066778899aa0800", "00000000"));
  GeneratePortConfig config;
  config.setComputeCrc(true);
  config.setComputeChecksum(true);
  config.setInterpacketTime(8);
  if (bitErrors) config.setBitError(0.001f, 3);
  auto port = std::make_unique<PortTrafficGenerator>(0, 0);
  port->setPortConfig(config);
  port->addStream(stack);
  port->Start(1);
  return port;
}

// Args: frame size, bit errors off (0) or on (1).
void BM_ByteRequests(benchmark::State& state) {
  const auto frameSize = static_cast<int32_t>(state.range(0));
  const bool bitErrors = state.range(1) != 0;
  auto port = startedPort(frameSize, bitErrors);
  uint32_t cycle = 0;
  int64_t bytes = 0;
  const uint64_t allocations = bench::allocationCount();
  for (auto _ : state) {
    bool endOfTraffic = false;
    uint8_t endOfPacket = 0;
    const uint8_t* byte = port->nextByte(endOfTraffic, endOfPacket, ++cycle);
    if (byte) ++bytes;
    benchmark::DoNotOptimize(byte);
    if (port->state() != enPortStateRunning) {
      state.PauseTiming();
      port = startedPort(frameSize, bitErrors);
      state.ResumeTiming();
    }
  }
  bench::reportAllocations(state, allocations);
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(bytes);
  state.SetLabel(bitErrors ? "byte requests/s, bit errors on" : "byte requests/s");
}
BENCHMARK(BM_ByteRequests)->ArgNames({"frame", "biterr"})->ArgsProduct({{64, 1500}, {0, 1}});

}  // namespace
}  // namespace corvel

BENCHMARK_MAIN();
