#include "corvel/tcs/tcs_vocabulary.h"

#include <algorithm>
#include <utility>

#include "corvel/tcs/tcs_compressed_protocol.h"
#include "corvel/tcs/tcs_protocol_readers.h"

namespace corvel {

namespace {

AttributeDoc intDoc(std::string name, std::string range, std::string defaultValue, std::string unit, std::string doc,
                    std::string example) {
  return {std::move(name), "int", std::move(range), std::move(defaultValue), std::move(unit), std::move(doc),
          std::move(example)};
}

AttributeDoc textDoc(std::string name, std::string range, std::string defaultValue, std::string doc,
                     std::string example) {
  return {std::move(name), "text", std::move(range), std::move(defaultValue), "", std::move(doc), std::move(example)};
}

AttributeDoc directoryDoc(std::string name, std::string doc) {
  return {std::move(name), "directory", "DIR, DIR,1 (taken) or DIR,0 (not taken)", "none", "", std::move(doc),
          "logs"};
}

AttributeDoc idDoc(std::string doc, std::string example) {
  return textDoc("id", "any text", "none", std::move(doc), std::move(example));
}

const AttributeDoc kInstanceId = textDoc(
    "instance_id", "any text", "none", "tells apart two elements of one name for the loop elements that change them",
    "2");

constexpr int32_t kBig = 2147483647;
const std::string kNonNegative = "0 to " + std::to_string(kBig);

void addSections(std::vector<ElementDoc>& out) {
  out.push_back({"corvel", "corvel", "The root element: the settings of the whole file.",
                 {intDoc("random_number_seed", "-2^31 to 2^31 - 1", "none (the shared sequence's own start)", "",
                         "seed of the random sequence every random choice of the traffic draws from", "7"),
                  intDoc("compute_crc", "0 or not 0", "1", "", "0 leaves the frames' CRC and FCS fields as built",
                         "1"),
                  intDoc("compute_checksum", "0 or not 0", "1", "", "0 leaves the IP, UDP and TCP checksums as built",
                         "1"),
                  intDoc("unit", "any integer", "none", "", "read and not used", "0")},
                 {"type_definitions", "table_entries", "policies", "streams", "rx_ports", "tx_ports"},
                 ChildRule::Listed,
                 "<corvel random_number_seed=\"7\" compute_crc=\"1\">...</corvel>"});
  out.push_back({"type_definitions", "type_definitions",
                 "Function definitions (`_entry_type=\"function\"`) and declarations of custom protocols "
                 "(`NAME.declare`, one attribute per field, in header order).",
                 {}, {}, ChildRule::Free,
                 "<type_definitions><tag.declare kind=\"8\" length=\"16\"/></type_definitions>"});
  out.push_back({"table_entries", "table_entries",
                 "Table definitions and their entries; each entry becomes host commands, and a for_table_entries "
                 "loop makes one stack or policy per entry.",
                 {}, {}, ChildRule::Free, "<table_entries>...</table_entries>"});
  out.push_back({"streams", "streams", "The stream sets.", {}, {"stream_set"}, ChildRule::Listed,
                 "<streams><stream_set id=\"s1\">...</stream_set></streams>"});
  out.push_back({"stream_set", "stream_set",
                 "A named group of streams: one stack from protocols, or one per table entry with for_table_entries.",
                 {idDoc("the set's name, as assign_stream_set names it; a set without id is passed over", "s1"),
                  textDoc("type", "capture, or anything else", "a generated set",
                          "capture: streams a transmit port expects and verifies", "capture")},
                 {"protocols", "stream_files", "for_table_entries"}, ChildRule::Listed,
                 "<stream_set id=\"s1\" type=\"capture\"><protocols>...</protocols></stream_set>"});
  out.push_back({"protocols", "protocols",
                 "The protocol stack, outermost layer first, the payload last. An element of a name no reader "
                 "knows is a custom protocol, declared in type_definitions.",
                 {}, {}, ChildRule::Protocols,
                 "<protocols><ethernet/><ipv4 src_addr=\"10.0.0.1\"/><udp dest_port=\"53\"/><payload/></protocols>"});
  out.push_back({"stream_files", "stream_files", "A stack as protocols holds it, for a set without protocols.", {},
                 {}, ChildRule::Protocols, "<stream_files><pcap_stream file=\"in.pcap\"/></stream_files>"});
  out.push_back({"for_table_entries", "for_table_entries",
                 "Repeats the set's stack (or policy) for every entry of a table. Each child is named like the "
                 "protocol element it changes (and its instance_id); each attribute names a table variable whose "
                 "entry value is written into that attribute, or a literal.",
                 {idDoc("the table definition looped over", "routes")}, {}, ChildRule::Loop,
                 "<for_table_entries id=\"routes\"><ipv4 dest_addr=\"ip\"/></for_table_entries>"});
  out.push_back({"policies", "policies", "The policy sets.",
                 {intDoc("pyx_clock_caching", "any integer", "none", "", "read and not used", "0")},
                 {"policy_set"}, ChildRule::Listed, "<policies><policy_set id=\"p1\">...</policy_set></policies>"});
  out.push_back({"policy_set", "policy_set", "A named policy, or one per table entry with for_table_entries.",
                 {idDoc("the set's name, as assign_policy_set names it; a set without id is passed over", "p1")},
                 {"policy", "for_table_entries"}, ChildRule::Listed,
                 "<policy_set id=\"p1\"><policy><udp dest_port=\"\"/><cbr pcr=\"1000\"/></policy></policy_set>"});
  out.push_back({"policy", "policy",
                 "The flow key's protocol elements (the fields they name are compared), then the traffic type, last.",
                 {}, {"cbr", "nrt_vbr", "rt_vbr", "ubr", "flow", "tokenBucket_flow"}, ChildRule::Protocols,
                 "<policy><ipv4 dest_addr=\"10.0.0.9\"/><cbr pcr=\"1000\" cdvt=\"10\"/></policy>"});
}

AttributeDoc rateDoc(const char* name, const char* unit, const char* doc) {
  return {name, "real", "above 0", "none", unit, doc, "10"};
}

void addTrafficTypes(std::vector<ElementDoc>& out) {
  const AttributeDoc pcr = intDoc("pcr", kNonNegative, "none", "kbit/s", "peak cell rate", "1000");
  const AttributeDoc cdvt = intDoc("cdvt", kNonNegative, "0", "microseconds", "cell delay variation tolerance", "10");
  const AttributeDoc scr = intDoc("scr", kNonNegative, "none", "kbit/s", "sustainable cell rate, at most pcr", "500");
  const AttributeDoc mbs = intDoc("mbs", kNonNegative, "1", "cells", "maximum burst size", "20");
  const AttributeDoc priority = intDoc("priority", kNonNegative, "0", "", "the descriptor's subtype", "1");
  AttributeDoc cbrPcr = pcr;
  cbrPcr.defaultValue = "none (required)";
  out.push_back({"cbr", "cbr", "Constant bit rate contract (GCRA, ATM Forum TM 4.1).", {cbrPcr, cdvt}, {},
                 ChildRule::Listed, "<cbr pcr=\"1000\" cdvt=\"10\"/>"});
  out.push_back({"nrt_vbr", "nrt_vbr", "Non-real-time variable bit rate contract (dual GCRA).",
                 {pcr, cdvt, scr, mbs}, {}, ChildRule::Listed, "<nrt_vbr pcr=\"1000\" scr=\"500\" mbs=\"20\"/>"});
  out.push_back({"rt_vbr", "rt_vbr", "Real-time variable bit rate contract (dual GCRA).", {pcr, cdvt, scr, mbs}, {},
                 ChildRule::Listed, "<rt_vbr pcr=\"1000\" scr=\"500\" mbs=\"20\"/>"});
  out.push_back({"ubr", "ubr", "Unspecified bit rate contract.", {priority, pcr, cdvt}, {}, ChildRule::Listed,
                 "<ubr priority=\"1\" pcr=\"1000\"/>"});
  out.push_back({"flow", "flow", "Packet flow contract.",
                 {intDoc("cpr", kNonNegative, "none", "kbit/s", "committed packet rate", "1000"), cdvt,
                  intDoc("cpr_min", kNonNegative, "none", "kbit/s", "lowest committed rate", "100"),
                  intDoc("cpr_max", kNonNegative, "none", "kbit/s", "highest committed rate", "2000")},
                 {}, ChildRule::Listed, "<flow cpr=\"1000\" cdvt=\"10\"/>"});
  out.push_back({"tokenBucket_flow", "tokenBucket_flow", "Token-bucket meter: srTCM (RFC 2697) or trTCM (RFC 2698).",
                 {priority,
                  {"confType", "choice", "srTCM or trTCM", "srTCM", "", "the marker", "trTCM"},
                  intDoc("cir", kNonNegative, "none", "kbit/s", "committed information rate", "100000"),
                  intDoc("cbs", kNonNegative, "none", "bytes", "committed burst size", "1500"),
                  intDoc("ebs", kNonNegative, "none", "bytes", "excess burst size (srTCM)", "3000"),
                  intDoc("pir", kNonNegative, "none", "kbit/s", "peak information rate (trTCM)", "200000"),
                  intDoc("pbs", kNonNegative, "none", "bytes", "peak burst size (trTCM)", "3000")},
                 {}, ChildRule::Listed,
                 "<tokenBucket_flow confType=\"srTCM\" cir=\"100000\" cbs=\"1500\" ebs=\"3000\"/>"});
}

AttributeDocs interleaveAttributes() {
  return {textDoc("iteration_type", "byRow or byColumn", "byRow", "the order the streams' PDUs are taken in",
                  "byColumn"),
          intDoc("boundedstream_size", kNonNegative, "0", "streams", "how many streams take part at once", "4"),
          intDoc("pdu_count", kNonNegative, "0", "PDUs", "PDUs taken from a stream in one turn", "1"),
          intDoc("min_framecount", kNonNegative, "0", "frames", "fewest frames in one turn", "1"),
          intDoc("max_framecount", kNonNegative, "none (the element sets nothing)", "frames",
                 "most frames in one turn", "4")};
}

void addPorts(std::vector<ElementDoc>& out) {
  const std::vector<std::string> assignments = {"assign_stream_set", "assign_policy_set"};
  const AttributeDoc device =
      intDoc("device", "a device the host registered", "0", "", "the port's device; an unregistered port is ignored",
             "0");
  const AttributeDoc port = intDoc("port", "a port the host registered", "0", "", "the port number on its device", "1");
  const AttributeDoc pcapng =
      directoryDoc("capture_pcapng_dir", "where the port writes what it captures as pcapng");
  out.push_back({"rx_ports", "rx_ports", "The receive ports: the traffic they generate towards the processor.",
                 {directoryDoc("eventlog_dir", "the event logs' directory"),
                  directoryDoc("datalog_dir", "the data logs' directory"),
                  directoryDoc("pdu_datalog_dir", "the PDU data logs' directory"),
                  directoryDoc("shape_datalog_dir", "the shaping logs' directory")},
                 {"rx port"}, ChildRule::Listed, "<rx_ports eventlog_dir=\"logs\"><port device=\"0\" port=\"0\">"
                                                 "...</port></rx_ports>"});
  out.push_back({"rx port", "port",
                 "One receive port. The readers take an element of any name; the schema knows it as port.",
                 {device, port,
                  intDoc("shaper_linespeed", kNonNegative, "the port's rate", "Mbit/s",
                         "the line speed the shaping descriptors are computed for", "100"),
                  textDoc("stream_merge", "append, or interlace[,count]", "append",
                          "how the named stream sets' stacks are merged", "interlace,2")},
                 {"interpacket_timedistribution", "frame_bit_error", "rate", "sequentialinterleave_streamdistribution",
                  "randominterleave_streamdistribution", "sequential_streamdistribution", "tm41_streamdistribution",
                  "tokenBucket_streamdistribution", "assign_stream_set", "assign_policy_set"},
                 ChildRule::Listed,
                 "<port device=\"0\" port=\"0\"><rate percent=\"50\"/><assign_stream_set id=\"s1\"/></port>"});
  out.push_back({"interpacket_timedistribution", "interpacket_timedistribution",
                 "Idle cycles between frames, drawn between the two bounds.",
                 {intDoc("min_time", "0 to 10000", "0", "cycles", "shortest gap", "10"),
                  intDoc("max_time", "0 to 10000", "none (the element sets nothing); 0 the host's gap", "cycles",
                         "longest gap", "20")},
                 {}, ChildRule::Listed, "<interpacket_timedistribution min_time=\"10\" max_time=\"20\"/>"});
  out.push_back({"frame_bit_error", "frame_bit_error", "Bit errors injected into the generated frames.",
                 {{"error_rate", "real", "0 to 1", "0", "per bit", "the bit error rate", "0.0001"},
                  intDoc("max_burst_length", kNonNegative, "none (the element sets nothing)", "bits",
                         "longest run of flipped bits", "3")},
                 {}, ChildRule::Listed, "<frame_bit_error error_rate=\"0.0001\" max_burst_length=\"3\"/>"});
  out.push_back({"rate", "rate",
                 "The port's rate in user units, exactly one attribute; not with interpacket_timedistribution. Frames "
                 "are spaced from their length and the port's clock so the run's average matches.",
                 {rateDoc("mbps", "Mbit/s", "bits of the frames per second"),
                  rateDoc("fps", "frames per second", "frames per second"),
                  rateDoc("percent", "percent", "share of the port's line rate")},
                 {}, ChildRule::Listed, "<rate mbps=\"100\"/>"});
  out.push_back({"sequentialinterleave_streamdistribution", "sequentialinterleave_streamdistribution",
                 "Streams interleaved in turn.", interleaveAttributes(), {}, ChildRule::Listed,
                 "<sequentialinterleave_streamdistribution boundedstream_size=\"2\" max_framecount=\"4\"/>"});
  out.push_back({"randominterleave_streamdistribution", "randominterleave_streamdistribution",
                 "Streams interleaved in random order.", interleaveAttributes(), {}, ChildRule::Listed,
                 "<randominterleave_streamdistribution max_framecount=\"4\"/>"});
  out.push_back({"sequential_streamdistribution", "sequential_streamdistribution", "One stream after the other.",
                 {textDoc("iteration_type", "byRow or byColumn", "byRow", "the order the streams' PDUs are taken in",
                          "byColumn")},
                 {}, ChildRule::Listed, "<sequential_streamdistribution iteration_type=\"byColumn\"/>"});
  out.push_back({"tm41_streamdistribution", "tm41_streamdistribution",
                 "Streams scheduled by their TM 4.1 shaping policies.", {}, {}, ChildRule::Listed,
                 "<tm41_streamdistribution/>"});
  out.push_back({"tokenBucket_streamdistribution", "tokenBucket_streamdistribution",
                 "Streams scheduled by their token-bucket shaping policies.", {}, {}, ChildRule::Listed,
                 "<tokenBucket_streamdistribution/>"});
  out.push_back({"assign_stream_set", "assign_stream_set", "A stream set the port sends or expects.",
                 {idDoc("the stream set's id", "s1")}, {}, ChildRule::Listed, "<assign_stream_set id=\"s1\"/>"});
  out.push_back({"assign_policy_set", "assign_policy_set", "A policy set the port shapes or polices by.",
                 {idDoc("the policy set's id", "p1")}, {}, ChildRule::Listed, "<assign_policy_set id=\"p1\"/>"});
  out.push_back({"tx_ports", "tx_ports", "The transmit ports: what they expect from the processor and verify.",
                 {directoryDoc("eventlog_dir", "the event logs' directory"),
                  directoryDoc("datalog_dir", "the data logs' directory"),
                  directoryDoc("pdu_datalog_dir", "the PDU data logs' directory"),
                  directoryDoc("police_datalog_dir", "the policing logs' directory"), pcapng},
                 {"tx port"}, ChildRule::Listed, "<tx_ports><port device=\"0\" port=\"1\">...</port></tx_ports>"});
  out.push_back({"tx port", "port",
                 "One transmit port. The readers take an element of any name; the schema knows it as port.",
                 {device, port, pcapng}, assignments, ChildRule::Listed,
                 "<port device=\"0\" port=\"1\"><assign_stream_set id=\"c1\"/></port>"});
}

// What each protocol element is, and a short example of it.
struct ProtocolText {
  std::string_view name;
  std::string_view doc;
  std::string_view example;
};
constexpr ProtocolText kProtocolTexts[] = {
    {"payload", "Payload of sizes from start_size to end_size in steps of incr.",
     "<payload start_size=\"64\" end_size=\"128\" incr=\"64\" tx_port=\"0,1\"/>"},
    {"increment_payload", "The same as payload.", "<increment_payload start_size=\"64\" end_size=\"64\"/>"},
    {"fixed_payload", "Payload of the listed sizes, in turn.", "<fixed_payload size=\"64,128\" iterations=\"2\"/>"},
    {"random_payload", "Payload of random sizes between min_size and max_size.",
     "<random_payload min_size=\"46\" max_size=\"1500\"/>"},
    {"ethernet", "Ethernet II header (IEEE 802.3) and FCS.",
     "<ethernet dest_addr=\"0x001122334455\" src_addr=\"0x0a0b0c0d0e0f\" protocol_type=\"0x0800\"/>"},
    {"atm", "ATM cell header (ITU-T I.361).", "<atm vpi=\"1\" vci=\"32\"/>"},
    {"dslam", "DSLAM header around an ATM cell header.", "<dslam vpi=\"1\" vci=\"32\"/>"},
    {"interpyx", "Header between Pyx processors.", "<interpyx ci=\"1\" dest=\"2\"/>"},
    {"aal5", "AAL5 with LLC/SNAP (RFC 2684, ITU-T I.363.5).", "<aal5 llc=\"0xaaaa03\" et=\"0x0800\"/>"},
    {"aal5_802_3", "AAL5 with bridged 802.3 (RFC 2684).", "<aal5_802_3 pid=\"0x0007\"/>"},
    {"ipv4", "IPv4 header (RFC 791).", "<ipv4 src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\" protocol=\"17\"/>"},
    {"ipv6", "IPv6 header (RFC 8200).", "<ipv6 next_header=\"17\" hop_limit=\"64\"/>"},
    {"udp", "UDP header (RFC 768).", "<udp src_port=\"1024\" dest_port=\"53\"/>"},
    {"tcp", "TCP header (RFC 9293).", "<tcp src_port=\"1024\" dest_port=\"80\" seq_step=\"payload\"/>"},
    {"rtp", "RTP header (RFC 3550).", "<rtp payload_type=\"0\" source_id=\"1\"/>"},
    {"vlan", "Ethernet header with an IEEE 802.1Q tag.", "<vlan vlan_id=\"10\" pri=\"3\"/>"},
    {"xvlan", "802.1Q-tagged 802.3 header with LLC/SNAP.", "<xvlan vlan_id=\"10\"/>"},
    {"compressed_udp", "Compressed UDP header (RFC 2508).", "<compressed_udp context_id=\"1\" sequence=\"0\"/>"},
    {"compressed_rtp", "Compressed RTP header (RFC 2508).", "<compressed_rtp context_id=\"1\"/>"},
    {"compressed_non_tcp2", "Compressed non-TCP header (RFC 2507).", "<compressed_non_tcp2 context_id=\"1\"/>"},
    {"full_header", "Full header of a compression context: the protocol elements it carries as children.",
     "<full_header context_id=\"1\"><ipv4/><udp/></full_header>"},
    {"context_state", "Context-state message (RFC 2508): one context child per entry.",
     "<context_state><context context_id=\"1\" sequence=\"0\"/></context_state>"},
    {"generic", "Header and trailer bytes given as they are.", "<generic hdr=\"0x0a0b\"/>"},
    {"workbench_log", "Payloads read from a workbench log file.", "<workbench_log filename=\"frames.log\"/>"},
    {"pcap_stream", "Frames replayed from a pcap or pcapng file; the only protocol of its stack.",
     "<pcap_stream file=\"in.pcap\" timing=\"recorded\"/>"},
};

ProtocolText protocolText(std::string_view name) {
  for (const ProtocolText& text : kProtocolTexts) {
    if (text.name == name) return text;
  }
  return {name, "", ""};
}

void addProtocols(std::vector<ElementDoc>& out) {
  for (const ProtocolReaderEntry& entry : protocolReaders()) {
    const ProtocolText text = protocolText(entry.element());
    ElementDoc element{std::string(entry.element()), std::string(entry.element()), std::string(text.doc)};
    entry.describe(element.attributes);
    element.attributes.push_back(kInstanceId);
    element.example = std::string(text.example);
    element.protocol = true;
    if (entry.kind == ProtocolKind::FullHeader) element.rule = ChildRule::Protocols;
    if (element.name == "context_state") element.children = {"context"};
    out.push_back(std::move(element));
  }
  ElementDoc context{"context", "context", "One entry of a context-state message."};
  describeContextEntry(context.attributes);
  context.example = "<context context_id=\"1\" invalidate=\"1\"/>";
  out.push_back(std::move(context));
}

std::vector<ElementDoc> buildVocabulary() {
  std::vector<ElementDoc> elements;
  addSections(elements);
  addTrafficTypes(elements);
  addPorts(elements);
  addProtocols(elements);
  return elements;
}

size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

const std::vector<ElementDoc>& tcsVocabulary() {
  static const std::vector<ElementDoc> vocabulary = buildVocabulary();
  return vocabulary;
}

const ElementDoc* findElementDoc(std::string_view key) {
  for (const ElementDoc& element : tcsVocabulary()) {
    if (element.key == key) return &element;
  }
  return nullptr;
}

const ElementDoc* findChildDoc(const ElementDoc& parent, std::string_view name) {
  for (const std::string& key : parent.children) {
    const ElementDoc* child = findElementDoc(key);
    // A port element may have any name.
    if (child != nullptr && (child->name == name || child->key == "rx port" || child->key == "tx port")) return child;
  }
  if (parent.rule != ChildRule::Protocols && parent.rule != ChildRule::Loop) return nullptr;
  const ElementDoc* element = findElementDoc(name);
  return element != nullptr && element->protocol ? element : nullptr;
}

const AttributeDoc* findAttributeDoc(const ElementDoc& element, std::string_view name) {
  for (const AttributeDoc& attribute : element.attributes) {
    if (attribute.name == name) return &attribute;
  }
  return nullptr;
}

std::string closestName(std::string_view name, const std::vector<std::string_view>& known) {
  std::string_view best;
  size_t bestDistance = 3;
  bool tie = false;
  for (std::string_view candidate : known) {
    const size_t distance = editDistance(name, candidate);
    if (distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
      tie = false;
    } else if (distance == bestDistance && candidate != best) {
      tie = true;
    }
  }
  if (best.empty() || tie || 2 * bestDistance >= name.size()) return {};
  return std::string(best);
}

}  // namespace corvel
