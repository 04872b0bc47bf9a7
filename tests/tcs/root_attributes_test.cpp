// The root element's settings as the manager reads them.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "tcs_test_support.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

struct RootCase {
  const char* fixture;
  bool computeCrc;
  bool computeChecksum;
  std::optional<int32_t> seed;
};

void PrintTo(const RootCase& c, std::ostream* os) { *os << c.fixture; }

class RootAttributesTest : public ::testing::TestWithParam<RootCase> {};

TEST_P(RootAttributesTest, ReadsFlagsAndSeedWithBaseZeroConversion) {
  const RootCase& c = GetParam();
  test::ConsoleCapture console;
  test::LoadedTcs tcs(c.fixture);
  console.take();
  TcsManager& manager = tcs.manager();
  ASSERT_TRUE(manager.readRootAttributes());
  EXPECT_EQ(manager.computeCrc(), c.computeCrc);
  EXPECT_EQ(manager.computeChecksum(), c.computeChecksum);
  EXPECT_EQ(manager.randomNumberSeed(), c.seed);
  EXPECT_EQ(manager.status(), 0);
  EXPECT_EQ(console.take(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, RootAttributesTest,
    ::testing::Values(
        // absent attributes: both flags set, no seed
        RootCase{"root_defaults.tcs", true, true, std::nullopt},
        // 0 clears; 0x10 is sixteen
        RootCase{"root_crc_zero_seed_hex.tcs", false, false, 16},
        // any other value sets; a leading 0 is octal
        RootCase{"root_crc_five_seed_octal.tcs", true, true, 8},
        RootCase{"root_crc_hex_one.tcs", true, true, std::nullopt}),
    test::NameFrom<&RootCase::fixture>());

TEST(RootAttributes, ADocumentWithoutCorvelHasNoSettings) {
  test::ConsoleCapture console;
  test::LoadedTcs tcs("load_wrong_root.tcs");
  EXPECT_FALSE(tcs.manager().readRootAttributes());
  EXPECT_TRUE(tcs.manager().computeCrc());
  EXPECT_EQ(tcs.manager().status(), 0);
}

}  // namespace
}  // namespace corvel
