// Names no reader takes: one warning each, with its place and the name that
// was probably meant, and a load that goes on as without the warnings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvel/protocols/udp/udp.h"
#include "corvel/tcs/tcs_vocabulary.h"
#include "tcs_test_support.h"

namespace corvel {
namespace {

std::string at(int line, const std::string& what) {
  return "Corvel>   at " + test::FixturePath("unknown_names.tcs") + ":" + std::to_string(line) + ", " + what + "\n";
}

TEST(UnknownNames, EachWarnedOnceWithItsPlaceAndTheCloseKnownName) {
  struct Expected {
    std::string warning;
    int line;
    std::string place;
  };
  // In document order. The namespaced schema location, the declaration's
  // fields, the custom protocol <tag> and the sections' own names pass.
  const std::vector<Expected> expected = {
      {"unknown attribute dst_port in <udp> is ignored; did you mean \"dest_port\"?", 10,
       "<udp> attribute dst_port=\"80\""},
      {"unknown attribute colour in <payload> is ignored", 12, "<payload> attribute colour=\"red\""},
      {"unknown attribute src_prot in <udp> is ignored; did you mean \"src_port\"?", 15,
       "<udp> attribute src_prot=\"port\""},
      {"unknown element <asign_stream_set> in <port> is ignored; did you mean \"assign_stream_set\"?", 21,
       "<asign_stream_set>"},
  };
  std::string want;
  for (const Expected& row : expected) want += "Corvel> Warning, " + row.warning + "\n" + at(row.line, row.place);

  test::ConsoleCapture console;
  test::LoadedTcs tcs("unknown_names.tcs");
  console.take();
  EXPECT_EQ(tcs.manager().warnUnknownNames(), static_cast<int32_t>(expected.size()));
  EXPECT_EQ(console.take(), want);
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusOk);

  // The misspelt port is ignored as before: it goes out as 0.
  const std::unique_ptr<ProtocolConfig> udp = tcs.readOne("u1");
  ASSERT_NE(udp, nullptr);
  EXPECT_EQ(test::HeaderHex(*udp).substr(0, 8), "04000000");
}

TEST(UnknownNames, SuggestsOnlyOneCloseName) {
  struct Case {
    const char* name;
    std::vector<std::string_view> known;
    const char* meant;
  };
  const std::vector<Case> cases = {
      {"dst_port", {"src_port", "dest_port", "hdr"}, "dest_port"},
      {"dest_prot", {"src_port", "dest_port"}, "dest_port"},  // two letters swapped: two edits
      {"ttl", {"ttl2", "tll"}, ""},                           // two names one edit away
      {"id", {"ip"}, ""},                                     // one edit is half of a short name
      {"colour", {"incr", "size"}, ""},                       // nothing close
      {"DEST_PORT", {"dest_port"}, ""},                       // case counts: nine edits
  };
  for (const Case& c : cases) EXPECT_EQ(closestName(c.name, c.known), c.meant) << c.name;
}

}  // namespace
}  // namespace corvel
