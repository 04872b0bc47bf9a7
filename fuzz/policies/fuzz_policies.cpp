// Policies of a TCS file, from the fuzzer: the input is the content of the
// corvel element, its policies section and the table entries its policy
// sets loop over. The harness adds fixed stream sets and ports around it: a
// receive port under the TM 4.1 distribution and one under the token-bucket
// distribution, both shaping by every policy set of the input, and a
// transmit port policing by the same sets (its TxPolice log, and the
// receive ports' RxSchedule logs, in the scratch directory). The controller
// registers the ports, loads, starts, serves a bounded number of byte
// requests on the receive ports and hands every delivered frame to the
// transmit port, one byte a cycle. Nothing may crash, leak or throw anything
// but a message text.
//
// Passed over: inputs holding "<!" (no document type, entities or comments),
// inputs with anything but table_entries and policies at the top or a second
// corvel element (the ports, streams and log directories are the harness's
// own), long table loops, and log-directory values with a path separator.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/host/corvel.h"
#include "fuzz/host_port.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"
#include "fuzz/scratch_directory.h"
#include "pyx/simhost_api.h"

namespace {

using corvel_fuzz::HostPort;

using corvel::fuzz::ScratchDirectory;

// The fixed seed makes every run of an input the same.
constexpr std::string_view kRootStart = "<corvel random_number_seed=\"1\">\n";
constexpr std::string_view kRootEnd = "\n</corvel>\n";

// The harness's stream sets and ports. Each receive port sends UDP to
// destination ports 1 and 2, TCP to port 80 and UDP over IPv6, all tagged
// for transmit port 0/2, which expects the three structures back. The
// payload sizes vary so that contracts see frames of many sizes.
constexpr const char* kFixed = R"(<corvel>
<streams>
  <stream_set id="fuzz_udp1"><protocols>
    <ethernet dest_addr="0x00a0c9000002" src_addr="0x00a0c9000001" protocol_type="0x0800"/>
    <ipv4 hlen="5" ttl="64" protocol="17" src_addr="10.0.0.1" dest_addr="10.0.0.2"/>
    <udp src_port="1000" dest_port="1"/>
    <payload start_size="10" end_size="200" incr="19" iterations="3" tx_port="0,2"/>
  </protocols></stream_set>
  <stream_set id="fuzz_udp2"><protocols>
    <ethernet dest_addr="0x00a0c9000002" src_addr="0x00a0c9000001" protocol_type="0x0800"/>
    <ipv4 hlen="5" ttl="64" protocol="17" src_addr="10.0.0.1" dest_addr="10.0.0.3"/>
    <udp src_port="1000" dest_port="2"/>
    <fixed_payload size="64" iterations="40" tx_port="0,2"/>
  </protocols></stream_set>
  <stream_set id="fuzz_tcp"><protocols>
    <ethernet dest_addr="0x00a0c9000003" src_addr="0x00a0c9000001" protocol_type="0x0800"/>
    <ipv4 hlen="5" ttl="32" protocol="6" src_addr="10.0.1.1" dest_addr="10.0.1.2"/>
    <tcp src_port="2000" dest_port="80"/>
    <fixed_payload size="30" iterations="30" tx_port="0,2"/>
  </protocols></stream_set>
  <stream_set id="fuzz_ipv6"><protocols>
    <ethernet dest_addr="0x00a0c9000004" src_addr="0x00a0c9000001" protocol_type="0x86dd"/>
    <ipv6 next_header="17" source_addr="0x20010db8000000000000000000000001"
          dest_addr="0x20010db8000000000000000000000002"/>
    <udp src_port="3000" dest_port="3"/>
    <random_payload min_size="1" max_size="120" iterations="20" tx_port="0,2"/>
  </protocols></stream_set>
  <stream_set id="fuzz_capture_udp" type="capture"><protocols>
    <ethernet/><ipv4/><udp/><payload/>
  </protocols></stream_set>
  <stream_set id="fuzz_capture_tcp" type="capture"><protocols>
    <ethernet/><ipv4/><tcp/><payload/>
  </protocols></stream_set>
  <stream_set id="fuzz_capture_ipv6" type="capture"><protocols>
    <ethernet protocol_type="0x86dd"/><ipv6 next_header="17"/><udp/><payload/>
  </protocols></stream_set>
</streams>
<rx_ports shape_datalog_dir="shape_">
  <port device="0" port="0">
    <interpacket_timedistribution min_time="0" max_time="12"/>
    <tm41_streamdistribution/>
    <assign_stream_set id="fuzz_udp1"/>
    <assign_stream_set id="fuzz_udp2"/>
    <assign_stream_set id="fuzz_tcp"/>
    <assign_stream_set id="fuzz_ipv6"/>
  </port>
  <port device="0" port="1">
    <interpacket_timedistribution min_time="4" max_time="12"/>
    <tokenBucket_streamdistribution/>
    <assign_stream_set id="fuzz_ipv6"/>
    <assign_stream_set id="fuzz_tcp"/>
    <assign_stream_set id="fuzz_udp2"/>
    <assign_stream_set id="fuzz_udp1"/>
  </port>
</rx_ports>
<tx_ports police_datalog_dir="police_">
  <port device="0" port="2">
    <assign_stream_set id="fuzz_capture_udp"/>
    <assign_stream_set id="fuzz_capture_tcp"/>
    <assign_stream_set id="fuzz_capture_ipv6"/>
  </port>
</tx_ports>
</corvel>
)";

// Every port names at most this many policy sets.
constexpr size_t kMaxAssignedSets = 8;
// Byte requests over both receive ports, and the most there may be when the
// frames under way at the end are finished.
constexpr uint32_t kByteRequests = 4096;
constexpr uint32_t kMaxRequests = kByteRequests + 1024;

struct DocumentDeleter {
  void operator()(xmlDoc* document) const noexcept { xmlFreeDoc(document); }
};

std::unique_ptr<ScratchDirectory> g_scratch;
std::unique_ptr<xmlDoc, DocumentDeleter> g_fixed;

void dropConsole(void*, const char*, int) {}

// Only table entries and policies come from the input; a corvel element
// inside them would add sections of its own.
bool onlyPolicies(const corvel::TcsDocument& document) {
  using namespace corvel;
  const xmlNode* root = xmlDocGetRootElement(document.document());
  if (root == nullptr || selectNodes(document.documentNode(), "//corvel").size() != 1) return false;
  for (const xmlNode* child = root->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    if (!isNodeNamed(child, "table_entries") && !isNodeNamed(child, "policies")) return false;
  }
  return true;
}

// The ids of the policy sets the reader records, in document order, once each.
std::vector<std::string> policySetIds(const corvel::TcsDocument& document) {
  using namespace corvel;
  std::vector<std::string> ids;
  for (xmlNode* set : selectNodes(document.documentNode(), "//corvel/policies/policy_set")) {
    const std::optional<std::string> id = GetAttribute(set, "id");
    if (!id || selectSingleNode(set, "./policy") == nullptr) continue;
    if (std::find(ids.begin(), ids.end(), *id) != ids.end()) continue;
    ids.push_back(*id);
    if (ids.size() == kMaxAssignedSets) break;
  }
  return ids;
}

// Adds the fixed sections to the document, every port naming every set.
bool addFixedSections(const corvel::TcsDocument& document, const std::vector<std::string>& ids) {
  using namespace corvel;
  xmlNode* root = xmlDocGetRootElement(document.document());
  for (xmlNode* section = xmlDocGetRootElement(g_fixed.get())->children; section; section = section->next) {
    if (section->type != XML_ELEMENT_NODE) continue;
    xmlNode* copy = xmlDocCopyNode(section, document.document(), 1);
    if (copy == nullptr) return false;
    if (xmlAddChild(root, copy) == nullptr) {
      xmlFreeNode(copy);
      return false;
    }
  }
  for (xmlNode* port : selectNodes(document.documentNode(), "/corvel/rx_ports/port | /corvel/tx_ports/port")) {
    for (const std::string& id : ids) {
      xmlNode* assignment = xmlNewChild(port, nullptr, BAD_CAST "assign_policy_set", nullptr);
      if (assignment == nullptr || !SetAttribute(assignment, "id", id)) return false;
    }
  }
  return true;
}

struct ReceivePort {
  corvel::WorkbenchPort record;
  std::vector<uint8_t> frame;  // the bytes of the frame under way
  uint64_t quietUntil = 0;     // inside the interpacket gap before this cycle
};

// Receive ports are asked for a byte every cycle outside their gaps; their
// whole frames queue for the transmit port, which takes one byte a cycle.
// Once kByteRequests are served, only a port inside a frame is asked on,
// until the frame ends. When no receive port may be asked and nothing is
// queued, the clock jumps to the end of the first gap. The 32-bit cycle of
// the byte calls wraps as a host's does.
void runTraffic() {
  ReceivePort receive[] = {{HostPort(1, 0), {}, 0}, {HostPort(1, 1), {}, 0}};
  corvel::WorkbenchPort transmit = HostPort(0, 2);
  corvel::Corvel controller;
  for (const ReceivePort& port : receive) controller.registerPort(port.record);
  controller.registerPort(transmit);
  try {
    if (!controller.LoadTcs(g_scratch->runFile().c_str())) return;
  } catch (const corvel::TextError&) {
    return;  // reported on the console and thrown on to the console command
  }
  if (!controller.InitializeStreams()) return;
  std::deque<std::vector<uint8_t>> queued;
  size_t sent = 0;  // bytes of the first queued frame handed over
  uint32_t requests = 0;
  auto askable = [&](const ReceivePort& port) {
    return requests < kByteRequests || (!port.frame.empty() && requests < kMaxRequests);
  };
  for (uint64_t cycle = 0;; ++cycle) {
    bool asked = false;
    uint64_t gapEnd = UINT64_MAX;  // the first cycle a waiting port may be asked
    for (ReceivePort& port : receive) {
      if (!askable(port)) continue;
      if (cycle < port.quietUntil) {
        gapEnd = std::min(gapEnd, port.quietUntil);
        continue;
      }
      uint8_t delivered = 0;
      uint8_t byte = 0;
      uint8_t endOfPacket = 0;
      controller.OnGetNextByte(&port.record, delivered, static_cast<uint32_t>(cycle), byte, endOfPacket);
      ++requests;
      asked = true;
      if (delivered) port.frame.push_back(byte);
      if (endOfPacket && !port.frame.empty()) {
        queued.push_back(std::move(port.frame));
        port.frame.clear();
        port.quietUntil = cycle + 1 + static_cast<uint64_t>(std::max(controller.GetInterpacketTime(&port.record), 0));
      }
    }
    if (!queued.empty()) {
      const std::vector<uint8_t>& frame = queued.front();
      const bool last = sent + 1 == frame.size();
      controller.OnSendNextByte(&transmit, static_cast<uint32_t>(cycle), frame[sent], last ? 1 : 0);
      if (last) {
        queued.pop_front();
        sent = 0;
      } else {
        ++sent;
      }
    } else if (!asked) {
      if (gapEnd == UINT64_MAX) break;
      cycle = gapEnd - 1;
    }
  }
  controller.Stop();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  simhost_set_console_sink(dropConsole, nullptr);
  g_scratch = std::make_unique<ScratchDirectory>("fuzz_policies");
  g_fixed.reset(xmlReadMemory(kFixed, static_cast<int>(std::strlen(kFixed)), "fixed.tcs", nullptr, XML_PARSE_NONET));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (!g_scratch->ok() || !g_fixed) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.find("<!") != std::string_view::npos) return -1;
  std::string text(kRootStart);
  text.append(input).append(kRootEnd);
  if (!g_scratch->writeInput(text.data(), text.size())) return 0;
  {
    corvel::TcsDocument document;
    try {
      corvel::LoadDocument(document, g_scratch->inputFile());
    } catch (const corvel::TextError&) {
      return 0;
    }
    if (!onlyPolicies(document) || corvel::fuzz::hasLongLoop(document) || ScratchDirectory::hasLogPath(document))
      return -1;
    if (!addFixedSections(document, policySetIds(document))) return 0;
    if (!g_scratch->moveLogsHere(document)) return -1;
    if (xmlSaveFile(g_scratch->runFile().c_str(), document.document()) < 0) return 0;
  }
  runTraffic();
  g_scratch->empty();
  return 0;
}
