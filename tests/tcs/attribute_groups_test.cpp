// The common attribute groups: S (shape_level), P (validate_level,
// police_level) and T (tx_port, pattern_type), written into fixture elements
// and read back through the readers.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "corvel/protocols/payload/payload_config.h"
#include "tcs_test_support.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

using test::ProtocolReaderTest;

// The levels and counts the setters keep: shaping keeps levels 1 and 2 (else
// 0), policing keeps 0 and 1 (else 2); a count replaces the old one only when
// above 0.
struct LevelCase {
  const char* text;
  int32_t level;
  int32_t count;
};

void PrintTo(const LevelCase& c, std::ostream* os) { *os << c.text; }

// The fixture element a case is read from, printed by its name (the test
// names show it) rather than by its address.
struct GroupElement {
  const char* id;
};

void PrintTo(const GroupElement& element, std::ostream* os) { *os << element.id; }

class GroupLevelTest : public ProtocolReaderTest,
                       public ::testing::WithParamInterface<std::tuple<GroupElement, LevelCase>> {
 protected:
  // The configuration of a fixture element with one attribute rewritten.
  std::unique_ptr<ProtocolConfig> readWith(const char* attribute) {
    const auto& [element, c] = GetParam();
    const char* id = element.id;
    EXPECT_TRUE(SetAttribute(tcs.element(id), attribute, c.text));
    return tcs.readOne(id);
  }
};

class ShapeLevelTest : public GroupLevelTest {};
class PoliceLevelTest : public GroupLevelTest {};

TEST_P(ShapeLevelTest, SetsLevelAndCount) {
  const auto config = readWith("shape_level");
  ASSERT_TRUE(config);
  EXPECT_EQ(config->shapeLevel(), std::get<1>(GetParam()).level);
  EXPECT_EQ(config->shapeCount(), std::get<1>(GetParam()).count);
  EXPECT_EQ(config->policeLevel(), 0);
}

TEST_P(PoliceLevelTest, SetsLevelAndCount) {
  const auto config = readWith("police_level");
  ASSERT_TRUE(config);
  EXPECT_EQ(config->policeLevel(), std::get<1>(GetParam()).level);
  EXPECT_EQ(config->policeCount(), std::get<1>(GetParam()).count);
  EXPECT_EQ(config->shapeLevel(), 0);
}

// Elements of the readers that apply groups S and P.
// A payload, a header protocol, and random_payload, which leaves its errors
// to the dispatcher.
const auto kGroupElements = ::testing::Values(GroupElement{"payload_default"}, GroupElement{"eth_default"},
                                              GroupElement{"random_fields"});

INSTANTIATE_TEST_SUITE_P(
    Texts, ShapeLevelTest,
    ::testing::Combine(kGroupElements,
                       ::testing::Values(LevelCase{"1", 1, 0}, LevelCase{"2", 2, 10},
                                         LevelCase{"2,50", 2, 50}, LevelCase{"2,0", 2, 10},
                                         LevelCase{"2,", 2, 10},
                                         // level 3 starts from level 2 and count 10 ...
                                         LevelCase{"3", 2, 10},
                                         // ... and a count makes the setter's level 3 (kept as 0)
                                         LevelCase{"3,20", 0, 20}, LevelCase{"4", 0, 0},
                                         LevelCase{"0", 0, 0})),
    (test::NameFromPair<&GroupElement::id, &LevelCase::text>()));

INSTANTIATE_TEST_SUITE_P(
    Texts, PoliceLevelTest,
    ::testing::Combine(kGroupElements,
                       ::testing::Values(LevelCase{"1", 1, 0}, LevelCase{"2", 2, 10},
                                         LevelCase{"2,50", 2, 50}, LevelCase{"2,0", 2, 10},
                                         // the setter keeps 0 and 1 and stores 2 otherwise
                                         LevelCase{"3", 2, 10}, LevelCase{"3,20", 2, 20},
                                         LevelCase{"4", 0, 0})),
    (test::NameFromPair<&GroupElement::id, &LevelCase::text>()));

TEST_F(ProtocolReaderTest, ValidateLevelOfGroupP) {
  for (const auto& [text, level] : {std::pair{"1", 1}, std::pair{"2", 2}, std::pair{"3", 3},
                                    std::pair{"0x2", 2}}) {
    ASSERT_TRUE(SetAttribute(tcs.element("atm_default"), "validate_level", text));
    const auto config = tcs.readOne("atm_default");
    ASSERT_TRUE(config);
    EXPECT_EQ(config->validateLevel(), level) << text;
  }
}

// ---- Group T --------------------------------------------------------------

const PayloadConfig* AsPayload(const std::unique_ptr<ProtocolConfig>& config) {
  return dynamic_cast<const PayloadConfig*>(config.get());
}

TEST_F(ProtocolReaderTest, TxPortAndPatternTypeOfAPayload) {
  const auto config = tcs.readOne("payload_tx_port");
  const PayloadConfig* payload = AsPayload(config);
  ASSERT_NE(payload, nullptr);
  EXPECT_EQ(payload->txDevice(), 1);
  EXPECT_EQ(payload->txPort(), 2);
  EXPECT_EQ(payload->patternType(), 2);
}

TEST_F(ProtocolReaderTest, WithoutGroupTAPayloadHasNoTxPortAndPatternOne) {
  const auto config = tcs.readOne("payload_default");
  const PayloadConfig* payload = AsPayload(config);
  ASSERT_NE(payload, nullptr);
  EXPECT_FALSE(payload->hasTxPort());
  EXPECT_EQ(payload->patternType(), 1);
}

TEST_F(ProtocolReaderTest, PatternTypeOtherThanTwoIsOne) {
  for (const auto& [text, type] : {std::pair{"2", 2}, std::pair{"2,9", 2}, std::pair{"3", 1},
                                   std::pair{"1", 1}, std::pair{"x", 1}}) {
    ASSERT_TRUE(SetAttribute(tcs.element("fixed_default"), "pattern_type", text));
    const auto config = tcs.readOne("fixed_default");
    ASSERT_NE(AsPayload(config), nullptr);
    EXPECT_EQ(AsPayload(config)->patternType(), type) << text;
  }
}

TEST_F(ProtocolReaderTest, TxPortWithAnEmptyPortFieldIsPortZero) {
  ASSERT_TRUE(SetAttribute(tcs.element("payload_default"), "tx_port", "3,"));
  const auto config = tcs.readOne("payload_default");
  ASSERT_NE(AsPayload(config), nullptr);
  EXPECT_EQ(AsPayload(config)->txDevice(), 3);
  EXPECT_EQ(AsPayload(config)->txPort(), 0);
}

TEST_F(ProtocolReaderTest, TxPortWithOnlyADeviceIsRefused) {
  EXPECT_TRUE(tcs.read("payload_tx_device_only").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element payload: embedded port specification is not complete "
            "(TcsPayloadProtocol)\n" +
                test::Place("133, <payload> attribute tx_port=\"1\""));
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusParseError);
}

TEST_F(ProtocolReaderTest, RandomPayloadLeavesItsErrorsToTheManager) {
  ASSERT_TRUE(SetAttribute(tcs.element("random_fields"), "tx_port", "1"));
  EXPECT_TRUE(tcs.read("random_fields").empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element random_payload: embedded port specification is not "
            "complete (TcsManager)\n" +
                test::Place("126, <random_payload> attribute tx_port=\"1\""));
}

}  // namespace
}  // namespace corvel
