// The payload readers: sizes and iterations with their defaults, and the
// refusals of the payload constructors.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "corvel/protocols/payload/payload_config.h"
#include "tcs_test_support.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

using test::ProtocolReaderTest;

template <class Config>
const Config* As(const std::unique_ptr<ProtocolConfig>& config) {
  return dynamic_cast<const Config*>(config.get());
}

TEST_F(ProtocolReaderTest, PayloadWithoutAttributesIsAllOnes) {
  const auto config = tcs.readOne("payload_default");
  const auto* payload = As<IncrementPayloadConfig>(config);
  ASSERT_NE(payload, nullptr);
  EXPECT_EQ(payload->startSize(), 1);
  EXPECT_EQ(payload->endSize(), 1);
  EXPECT_EQ(payload->increment(), 1);
  EXPECT_EQ(payload->iterations(), 1);
}

TEST_F(ProtocolReaderTest, IncrementPayloadTakesItsSizes) {
  const auto config = tcs.readOne("increment_fields");
  const auto* payload = As<IncrementPayloadConfig>(config);
  ASSERT_NE(payload, nullptr);
  EXPECT_EQ(payload->startSize(), 64);
  EXPECT_EQ(payload->endSize(), 128);
  EXPECT_EQ(payload->increment(), 32);
  EXPECT_EQ(payload->iterations(), 3);
}

TEST_F(ProtocolReaderTest, FixedPayloadDefaultsToOneByteOnce) {
  const auto config = tcs.readOne("fixed_default");
  const auto* payload = As<FixedPayloadConfig>(config);
  ASSERT_NE(payload, nullptr);
  EXPECT_EQ(payload->sizes(), std::vector<int32_t>{1});
  EXPECT_EQ(payload->iterations(), 1);
}

TEST_F(ProtocolReaderTest, FixedPayloadTakesItsSizeList) {
  const auto config = tcs.readOne("fixed_sizes");
  const auto* payload = As<FixedPayloadConfig>(config);
  ASSERT_NE(payload, nullptr);
  EXPECT_EQ(payload->sizes(), (std::vector<int32_t>{64, 128, 1500}));
  EXPECT_EQ(payload->iterations(), 2);
}

TEST_F(ProtocolReaderTest, RandomPayloadTakesItsBounds) {
  const auto config = tcs.readOne("random_fields");
  const auto* payload = As<RandomPayloadConfig>(config);
  ASSERT_NE(payload, nullptr);
  EXPECT_EQ(payload->minSize(), 10);
  EXPECT_EQ(payload->maxSize(), 20);
  EXPECT_EQ(payload->iterations(), 5);
}

TEST_F(ProtocolReaderTest, WorkbenchLogTakesItsFileAndFlags) {
  const auto config = tcs.readOne("log_fields");
  const auto* log = As<WorkbenchLogPayloadConfig>(config);
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(log->fileName(), "frames.log");
  EXPECT_TRUE(log->skipFirstLine());
  EXPECT_FALSE(log->skipLineNumbers());  // "0"
  EXPECT_EQ(log->iterations(), 4);

  const auto defaults = tcs.readOne("log_defaults");
  ASSERT_NE(As<WorkbenchLogPayloadConfig>(defaults), nullptr);
  EXPECT_FALSE(As<WorkbenchLogPayloadConfig>(defaults)->skipFirstLine());
  EXPECT_FALSE(As<WorkbenchLogPayloadConfig>(defaults)->skipLineNumbers());
  EXPECT_EQ(As<WorkbenchLogPayloadConfig>(defaults)->iterations(), 1);
}

TEST_F(ProtocolReaderTest, WorkbenchLogWithoutFileNameMakesNothingQuietly) {
  EXPECT_TRUE(tcs.read("log_no_file").empty());
  EXPECT_EQ(console.take(), "");
  EXPECT_EQ(tcs.manager().status(), 0);
}

TEST_F(ProtocolReaderTest, PayloadGroupsFollowTheSizes) {
  const auto config = tcs.readOne("payload_groups");
  ASSERT_TRUE(config);
  EXPECT_EQ(config->shapeLevel(), 0);  // 3,20: the setter's level 3
  EXPECT_EQ(config->shapeCount(), 20);
  EXPECT_EQ(config->policeLevel(), 2);
  EXPECT_EQ(config->policeCount(), 50);
  EXPECT_EQ(config->validateLevel(), 2);
}

// What a capture stream of real traffic needs: a size of 0 among the sizes
// (refused on a generating stream), no payload tag (signature="0", ignored on
// a generating stream, which tags exactly when it names a tx_port), and a TCP
// layer that takes its validate level.
TEST_F(ProtocolReaderTest, SignatureOnlyOnCaptureSets) {
  struct Row {
    int32_t setType;
    bool carriesSignature;
    int32_t tcpValidateLevel;
  };
  for (const Row row : {Row{enSetTypeCapture, false, 1}, Row{enSetTypeGenerate, true, 0}}) {
    const auto payload = tcs.readOne("payload_unsigned", row.setType);
    ASSERT_NE(As<PayloadConfig>(payload), nullptr);
    EXPECT_EQ(As<PayloadConfig>(payload)->carriesSignature(), row.carriesSignature) << row.setType;
    EXPECT_FALSE(As<PayloadConfig>(payload)->allowsEmpty());
    const auto tcp = tcs.readOne("tcp_validated", row.setType);
    ASSERT_TRUE(tcp);
    EXPECT_EQ(tcp->validateLevel(), row.tcpValidateLevel) << row.setType;
  }

  const auto captured = tcs.readOne("fixed_empty", enSetTypeCapture);
  const auto* fixed = As<FixedPayloadConfig>(captured);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->sizes(), (std::vector<int32_t>{0, 64}));
  EXPECT_TRUE(fixed->allowsEmpty());
  EXPECT_FALSE(fixed->carriesSignature());

  EXPECT_TRUE(tcs.read("fixed_empty", enSetTypeGenerate).empty());
  EXPECT_EQ(console.take(),
            "Corvel> PARSE-ERROR, Element fixed_payload: Fixed payload size must be greater than 0 "
            "(TcsPayloadProtocol)\n" +
                test::Place("188, <fixed_payload> attribute size=\"0,64\""));
}

struct PayloadErrorCase {
  const char* id;
  const char* line;
  const char* place;
};

void PrintTo(const PayloadErrorCase& c, std::ostream* os) { *os << c.id; }

class PayloadErrorTest : public ProtocolReaderTest,
                         public ::testing::WithParamInterface<PayloadErrorCase> {};

TEST_P(PayloadErrorTest, ReportsTheConstructorsMessage) {
  EXPECT_TRUE(tcs.read(GetParam().id).empty());
  EXPECT_EQ(console.take(), GetParam().line + test::Place(GetParam().place));
  EXPECT_EQ(tcs.manager().status(), TcsManager::kStatusParseError);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, PayloadErrorTest,
    ::testing::Values(
        PayloadErrorCase{"payload_bad_incr",
                         "Corvel> PARSE-ERROR, Element payload: IncrementFactor cannot be equal to "
                         "zero (TcsPayloadProtocol)\n",
                         // start, end and increment are checked together: no one attribute
                         "122, <payload>"},
        PayloadErrorCase{"fixed_bad_size",
                         "Corvel> PARSE-ERROR, Element fixed_payload: String contains chars other "
                         "than digits and commas. (TcsPayloadProtocol)\n",
                         "125, <fixed_payload> attribute size=\"64,x\""},
        // random_payload reports nothing itself
        PayloadErrorCase{"random_bad_max",
                         "Corvel> PARSE-ERROR, Element random_payload: Max payload size must be "
                         "at most 2K(2048 bytes) (TcsManager)\n",
                         "127, <random_payload>"}),
    test::NameFrom<&PayloadErrorCase::id>());

}  // namespace
}  // namespace corvel
