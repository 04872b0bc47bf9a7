// Capture speed: 146-byte Ethernet/IPv4/UDP frames verified with every check
// on (FCS, IPv4 header checksum, UDP checksum, payload tag and route), handed
// whole to the verifier and byte by byte through a transmit port (also with
// PDU policing on); and the
// full path generate -> capture in one process against the same loop with a
// trivial byte source and sink. Every benchmark reports the allocations one
// PDU (or byte) costs in the steady state ("allocs/item"; the target is 0).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "counting_allocator.h"
#include "corvel/base/print_utility.h"
#include "corvel/police/flow_policy.h"
#include "corvel/police/token_bucket_scheduling.h"
#include "corvel/protocols/encapsulator_factory.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/frame_pool.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/stream_parser.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/stats/latency_histogram.h"
#include "corvel/stats/stream_account.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/traffic/port_config.h"
#include "corvel/traffic/port_traffic_capture.h"
#include "corvel/traffic/port_traffic_generator.h"

namespace corvel {
namespace {

constexpr int32_t kFrameSize = 146;
constexpr int32_t kFraming = 14 + 20 + 8 + 4;

ProtocolStack udpStack(int32_t pdus) {
  FixedPayloadConfig payload(std::to_string(kFrameSize - kFraming), pdus);
  payload.setTxPort(0, 1);
  ProtocolStack stack("bench");
  stack.addProtocol(payload);
  UdpProtocolConfig udp("04d2162e00000000");
  udp.setValidateLevel(1);
  stack.addProtocol(udp);
  IpV4ProtocolConfig ip("4500000012344000401100" "00c0a80001c0a80002");
  ip.setValidateLevel(1);
  stack.addProtocol(ip);
  EthernetProtocolConfig ethernet("0011223344550066778899aa0800", "00000000");
  ethernet.setValidateLevel(1);
  stack.addProtocol(ethernet);
  return stack;
}

// The same stream at validate level 3: the Ethernet destination and type, the
// IPv4 addresses and the UDP ports compared with the stream's, the payload's
// size and pattern checked.
ProtocolStack contentStack() {
  const ProtocolStack plain = udpStack(1);
  ProtocolStack stack("bench");
  const auto compared = [](ProtocolConfig& config, std::initializer_list<BitField> fields) {
    std::vector<uint8_t> mask(config.headerBytes().size(), 0);
    for (const BitField& field : fields) markField(mask, field);
    config.setValidateLevel(3);
    config.setContentMask(std::move(mask));
  };
  for (const auto& layer : plain.protocols()) {
    std::unique_ptr<ProtocolConfig> config = layer->clone();
    switch (config->kind()) {
      case ProtocolKind::Ethernet: compared(*config, {EthernetWire::kDestination, EthernetWire::kEtherType}); break;
      case ProtocolKind::IpV4: compared(*config, {Ipv4Wire::kSource, Ipv4Wire::kDestination}); break;
      case ProtocolKind::Udp: compared(*config, {UdpWire::kSourcePort, UdpWire::kDestinationPort}); break;
      default: config->setValidateLevel(3); break;
    }
    stack.addProtocol(*config);
  }
  return stack;
}

std::vector<uint8_t> oneFrame() {
  ChainSettings settings;
  auto builder = buildFrameBuilder(udpStack(1), settings);
  const GeneratedFrameList frames = builder->generate(1);
  return {frames.front().data().begin(), frames.front().data().end()};
}

// The datalink layer and the stream's chain, without the port around them:
// frame records from a pool and one PDU record, as a port keeps them.
void BM_VerifyWholeFrames(benchmark::State& state) {
  const ProtocolStack stack = udpStack(1);
  StreamParser parser(stack);
  DatalinkDecapsulator& datalink = parser.datalink();
  const std::vector<uint8_t> bytes = oneFrame();
  FramePool pool(4);
  CapturedStreamPdu pdu;
  int64_t passed = 0;
  const uint64_t allocations = bench::allocationCount();
  for (auto _ : state) {
    PooledFrame frame = pool.acquire();
    frame->data.assign(bytes.begin(), bytes.end());
    VerifyReport report;
    datalink.parseHeader(*frame, report);
    datalink.takeFrame(std::move(frame));
    VerifyContext context;
    context.report = &report;
    context.port = 1;
    datalink.extractPdu(context, pdu);
    parser.verify(pdu, context);
    passed += report.warnings.empty() && report.identity && report.identity->routeStatus == enRoutePassed;
  }
  bench::reportAllocations(state, allocations);
  state.SetItemsProcessed(state.iterations());
  state.counters["passed"] = static_cast<double>(passed);
  state.SetLabel("PDUs verified/s");
}
BENCHMARK(BM_VerifyWholeFrames);

// Through the byte entry point of a transmit port: frame assembly, parsing,
// extraction, verification, the PDU event.
void BM_CaptureBytes(benchmark::State& state) {
  const ProtocolStack stack = udpStack(1);
  PortTrafficCapture capture(0, 1);
  capture.setPortConfig(PortConfig(0));
  capture.addStream(stack);
  capture.initialize();
  std::vector<uint8_t> bytes = oneFrame();
  uint32_t cycle = 0;
  const uint64_t allocations = bench::allocationCount();
  for (auto _ : state) {
    for (size_t i = 0; i < bytes.size(); ++i) capture.processByte(bytes[i], ++cycle, i + 1 == bytes.size());
  }
  bench::reportAllocations(state, allocations);
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  state.SetLabel("PDUs captured/s");
}
BENCHMARK(BM_CaptureBytes);

// The same at validate level 3 (content compared, no allocation per PDU).
void BM_CaptureBytesContent(benchmark::State& state) {
  const ProtocolStack stack = contentStack();
  std::vector<uint8_t> bytes = oneFrame();
  {
    // The frame is the stream's: every compared field matches.
    StreamParser parser(stack);
    PooledFrame frame = detachedFrame();
    frame->data = bytes;
    VerifyReport report;
    parser.datalink().parseHeader(*frame, report);
    parser.datalink().takeFrame(std::move(frame));
    VerifyContext context;
    context.report = &report;
    context.frame = ByteView(bytes);
    const CapturedStreamPdu pdu = parser.datalink().extractPdu(context);
    parser.verify(pdu, context);
    const ContentTally tally = parser.compareContent(parser, nullptr);
    if (tally.compared != 8 || tally.differing != 0) state.SkipWithError("the frame is not the stream's");
  }
  PortTrafficCapture capture(0, 1);
  capture.setPortConfig(PortConfig(0));
  capture.addStream(stack);
  capture.initialize();
  uint32_t cycle = 0;
  const uint64_t allocations = bench::allocationCount();
  for (auto _ : state) {
    for (size_t i = 0; i < bytes.size(); ++i) capture.processByte(bytes[i], ++cycle, i + 1 == bytes.size());
  }
  bench::reportAllocations(state, allocations);
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  state.SetLabel("PDUs captured/s");
}
BENCHMARK(BM_CaptureBytesContent);

// The same with PDU policing on: a token-bucket flow keyed on the UDP ports
// judges every PDU and the verdict goes to the TxPolice log.
void BM_CapturePolicedBytes(benchmark::State& state) {
  const ProtocolStack stack = udpStack(1);
  const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "bench_capture_police";
  std::filesystem::create_directories(scratch);
  const std::string directory = scratch.string() + "/";
  PortConfig config(0);
  config.setRateAndBusFrequency(1000, 100);
  config.setShapePoliceDataLogDirectory(directory.c_str());
  FlowPolicy policy;
  policy.level = ProtocolFlowKey::kLevelPdu;
  auto bucket = std::make_unique<TokenBucket_Scheduling>(1000, 100, sharedPrinter(), 3);
  bucket->set_CIR(500000.0);
  bucket->set_CBS(10000);
  bucket->set_EBS(10000);
  policy.police = std::move(bucket);
  const std::vector<uint8_t> ports{0x04, 0xd2, 0x16, 0x2e};
  policy.keys.emplace_back("udp", static_cast<int32_t>(ProtocolKind::Udp), 1, ports);
  PortTrafficCapture capture(0, 1);
  capture.setPortConfig(config);
  capture.addPoliceFlow(policy);
  capture.addStream(stack);
  capture.initialize();
  std::vector<uint8_t> bytes = oneFrame();
  uint32_t cycle = 0;
  const uint64_t allocations = bench::allocationCount();
  for (auto _ : state) {
    for (size_t i = 0; i < bytes.size(); ++i) capture.processByte(bytes[i], cycle += 2, i + 1 == bytes.size());
  }
  bench::reportAllocations(state, allocations);
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("PDUs captured and policed/s");
  std::filesystem::remove_all(scratch);
}
BENCHMARK(BM_CapturePolicedBytes);

// Arg 1: a receive port generates, a transmit port captures and verifies,
// byte by byte in one loop. Arg 0: the same loop over a constant frame with
// a sink that only counts (the cost of the loop itself).
void BM_GenerateToCapture(benchmark::State& state) {
  const bool real = state.range(0) != 0;
  const ProtocolStack stack = udpStack(1000000);
  auto makeGenerator = [&] {
    GeneratePortConfig config;
    config.setComputeCrc(true);
    config.setComputeChecksum(true);
    config.setInterpacketTime(0);
    auto port = std::make_unique<PortTrafficGenerator>(0, 0);
    port->setPortConfig(config);
    port->addStream(stack);
    port->Start(1);
    return port;
  };
  auto generator = makeGenerator();
  PortTrafficCapture capture(0, 1);
  capture.setPortConfig(PortConfig(0));
  capture.addStream(stack);
  capture.initialize();
  const std::vector<uint8_t> constant = oneFrame();
  size_t position = 0;
  uint64_t sink = 0;
  uint32_t cycle = 0;
  const uint64_t allocations = bench::allocationCount();
  for (auto _ : state) {
    ++cycle;
    if (real) {
      bool endOfTraffic = false;
      uint8_t endOfPacket = 0;
      if (const uint8_t* byte = generator->nextByte(endOfTraffic, endOfPacket, cycle)) {
        uint8_t value = *byte;
        capture.processByte(value, cycle, endOfPacket);
      }
      if (generator->state() != enPortStateRunning) {
        state.PauseTiming();
        generator = makeGenerator();
        state.ResumeTiming();
      }
    } else {
      const uint8_t value = constant[position];
      position = position + 1 == constant.size() ? 0 : position + 1;
      sink += value + (position == 0);
      benchmark::DoNotOptimize(sink);
    }
  }
  bench::reportAllocations(state, allocations);
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(real ? "bytes/s, generate -> verify" : "bytes/s, trivial source and sink");
}
BENCHMARK(BM_GenerateToCapture)->Arg(1)->Arg(0);

// The per-PDU work of the accounting of a stream: its sequence number into
// the window (in order, with every 16th PDU a copy of the one before), and
// its latency into the histogram.
void BM_AccountSequencedPdu(benchmark::State& state) {
  StreamAccount account;
  LatencyHistogram histogram;
  uint32_t sequence = 0;
  for (auto _ : state) {
    account.add((sequence & 15) == 15 ? sequence - 1 : sequence);
    histogram.add(20 + (sequence * 2654435761u >> 20));
    ++sequence;
  }
  benchmark::DoNotOptimize(account.duplicated());
  benchmark::DoNotOptimize(histogram.count());
}
BENCHMARK(BM_AccountSequencedPdu);

}  // namespace
}  // namespace corvel

BENCHMARK_MAIN();
