// The policies reader through the controller's load: each refusal ends the
// load in the parse-error state with its exact report line; a duplicate set
// is only a warning.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/host/corvel.h"
#include "tcs_test_support.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;

WorkbenchPort HostPort(int32_t direction, int32_t device, int32_t port) {
  WorkbenchPort record;
  record.direction = direction;
  record.device = device;
  record.port = port;
  record.rate = 100;
  record.interpacketTime = 8;
  record.mediaBusClockFrequency = 100;
  return record;
}

constexpr const char* kStream =
    "<streams><stream_set id=\"S\"><protocols>"
    "<ethernet dest_addr=\"0x00a0c9000002\" src_addr=\"0x00a0c9000001\" protocol_type=\"0x0800\"/>"
    "<ipv4 hlen=\"5\" ttl=\"64\" protocol=\"17\" src_addr=\"10.0.0.1\" dest_addr=\"10.0.0.2\"/>"
    "<udp src_port=\"1000\" dest_port=\"1\"/><fixed_payload size=\"20\" iterations=\"1\" tx_port=\"0,2\"/>"
    "</protocols></stream_set></streams>";

// A file with the given policy sets and a receive port 0/1 naming `assigned`.
std::string Tcs(const std::string& sets, const std::string& assigned = "P", const std::string& tables = "") {
  return "<corvel>" + tables + "<policies>" + sets + "</policies>" + kStream +
         "<rx_ports><port device=\"0\" port=\"1\"><tm41_streamdistribution/><assign_policy_set id=\"" + assigned +
         "\"/><assign_stream_set id=\"S\"/></port></rx_ports></corvel>";
}

std::string Set(const std::string& policyBody, const std::string& id = "P") {
  return "<policy_set id=\"" + id + "\"><policy><udp dest_port=\"1\"/>" + policyBody + "</policy></policy_set>";
}

struct Refusal {
  const char* name;
  std::string tcs;
  std::string line;  // the report line, without the place line after it
};

void PrintTo(const Refusal& c, std::ostream* out) { *out << c.name; }

class PoliciesReader : public ::testing::Test {
 protected:
  PoliciesReader() {
    corvel.registerPort(HostPort(1, 0, 1));
    corvel.registerPort(HostPort(0, 0, 2));
  }

  // Loads `tcs`; whatever the load throws has been printed already.
  std::string load(const std::string& tcs, const std::string& name) {
    const fs::path dir = fs::path(::testing::TempDir()) / ("policies_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / (name + ".tcs");
    std::ofstream(path) << tcs;
    try {
      corvel.LoadTcs(path.c_str());
    } catch (const TextError&) {
    }
    return console.take();
  }

  test::ConsoleCapture console;
  Corvel corvel;
};

class PolicyRefusal : public PoliciesReader, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PolicyRefusal, EndsTheLoadWithItsReport) {
  const Refusal& c = GetParam();
  const std::string out = load(c.tcs, c.name);
  EXPECT_NE(out.find(c.line + "Corvel>   at "), std::string::npos) << out;
  // Exactly one report: the first error ends the reading.
  EXPECT_EQ(out.find("PARSE-ERROR"), out.rfind("PARSE-ERROR")) << out;
  EXPECT_EQ(corvel.state(), enCorvelStateTcsParseError) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Tcs, PolicyRefusal,
    ::testing::Values(
        Refusal{"CbrWithoutPcr", Tcs(Set("<cbr cdvt=\"5\"/>")),
                "Corvel> PARSE-ERROR, Element cbr: PCR not defined in tcs file (TcsShaperPoliceTraffic)\n"},
        Refusal{"UnknownTrafficType", Tcs(Set("<gold pcr=\"5\"/>")),
                "Corvel> PARSE-ERROR, Element gold: No policy implementation available (TcsPolicyMgt)\n"},
        Refusal{"ReservedWordAsTrafficType", Tcs(Set("<streams/>")),
                "Corvel> PARSE-ERROR, Element streams: traffic type is a reserved word (TcsPolicyMgt)\n"},
        Refusal{"UnknownConformanceType", Tcs(Set("<tokenBucket_flow confType=\"blue\" cir=\"1000\"/>")),
                "Corvel> PARSE-ERROR, Element tokenBucket_flow: Unexpected conformance type can be either srTCM "
                "or trTCM\n (TcsShaperPoliceTraffic)\n"},
        Refusal{"CommittedAbovePeakRate",
                Tcs(Set("<tokenBucket_flow confType=\"trTCM\" pir=\"1000\" cir=\"2000\"/>")),
                "Corvel> PARSE-ERROR, Element tokenBucket_flow: CIR must be Less than the Set Peak Information "
                "Rate (TcsShaperPoliceTraffic)\n"},
        Refusal{"SustainedAbovePeakRate", Tcs(Set("<nrt_vbr pcr=\"1000\" scr=\"2000\" mbs=\"3\"/>")),
                "Corvel> PARSE-ERROR, Element nrt_vbr: unable to set SCR: Out of bounds.\n"
                " (TcsShaperPoliceTraffic)\n"},
        Refusal{"PcrAboveLineSpeed", Tcs(Set("<ubr priority=\"3\" pcr=\"200000\"/>")),
                "Corvel> PARSE-ERROR, Element ubr: unable to set PCR: Out of bounds. (TcsShaperPoliceTraffic)\n"},
        Refusal{"UbrPriorityOutOfRange", Tcs(Set("<ubr priority=\"16\"/>")),
                "Corvel> PARSE-ERROR, Element ubr: Illegal Traffic Type \n (TcsShaperPoliceTraffic)\n"},
        Refusal{"UnknownPolicySet", Tcs(Set("<cbr pcr=\"1000\"/>"), "Q"),
                "Corvel> PARSE-ERROR: unable to find policy for port (TcsRxPortMgt)\n"},
        Refusal{"LoopOverUnknownTable",
                Tcs("<policy_set id=\"P\"><policy><udp dest_port=\"1\"/><cbr pcr=\"1000\"/></policy>"
                    "<for_table_entries id=\"none\"><udp dest_port=\"port\"/></for_table_entries></policy_set>"),
                "Corvel> PARSE-ERROR: data table not found (TcsPolicyMgt)\n"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(PoliciesReader, DuplicateSetIsIgnoredWithAWarning) {
  const std::string out = load(Tcs(Set("<cbr pcr=\"1000\"/>") + Set("<gold/>")), "duplicate");
  EXPECT_NE(out.find("Corvel> ------ Retreiving Policies ------\n"
                     "Corvel>   P\n"
                     "Corvel>   P\n"
                     "Corvel>     Warning, Duplicate policy set id = P\n"
                     "Corvel>              Set will be ignored.\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Corvel>     Policy: P\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("PARSE-ERROR"), std::string::npos) << out;
  EXPECT_EQ(corvel.state(), enCorvelStateTcsLoaded) << out;
}

// A loop gives one policy per table entry; every entry's values reach the
// copy it is built from, so a bad value in the second entry is refused.
TEST_F(PoliciesReader, LoopBuildsOnePolicyPerEntry) {
  const std::string tables =
      "<table_entries><t id=\"t\"><t.defaults rate=\"1000\"/><t.entry rate=\"2000\"/><t.entry rate=\"0\"/>"
      "</t></table_entries>";
  const std::string sets =
      "<policy_set id=\"P\"><policy><udp dest_port=\"1\"/><cbr pcr=\"1000\"/></policy>"
      "<for_table_entries id=\"t\"><cbr pcr=\"rate\"/></for_table_entries></policy_set>";
  const std::string out = load(Tcs(sets, "P", tables), "loop");
  EXPECT_NE(out.find("Corvel> PARSE-ERROR, Element cbr: unable to set PCR: Out of bounds. (TcsShaperPoliceTraffic)\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Corvel> PCR Out of bounds sent PCR = 0.000000 \n"), std::string::npos) << out;
}

}  // namespace
}  // namespace corvel
