// The simulation clock: creation, frequency bounds, conversions and traces.
#include "corvel/host/pyx_clock.h"

#include <gtest/gtest.h>

#include <string>

#include "console_capture.h"
#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"
#include "tests/support/param_name.h"

namespace corvel {
namespace {

class PyxClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PyxClock::destroyInstance();
    setVerboseLevel(1);
    bool created = false;
    clock = PyxClock::getInstance(created);
  }
  void TearDown() override {
    setVerboseLevel(1);
    PyxClock::destroyInstance();
  }
  PyxClock* clock = nullptr;
};

TEST_F(PyxClockTest, IsCreatedOnceAt66Mhz) {
  EXPECT_EQ(clock->simFrequency(), 66);
  EXPECT_DOUBLE_EQ(clock->getaCycleNanosecs(), 1000.0 / 66.0);
  bool created = true;
  EXPECT_EQ(PyxClock::getInstance(created), clock);
  EXPECT_FALSE(created);
}

TEST_F(PyxClockTest, DestroyingItLetsTheNextCallCreateAFreshOne) {
  clock->setSimFrequency(100);
  clock->setPyxCycleCount(77);
  PyxClock::destroyInstance();
  bool created = false;
  PyxClock* fresh = PyxClock::getInstance(created);
  EXPECT_TRUE(created);
  EXPECT_EQ(fresh->simFrequency(), 66);
  EXPECT_EQ(fresh->getPyxCycleCount(), 0u);
}

struct FrequencyCase {
  int32_t mhz;
  bool accepted;
  double nanosecondsPerCycle;
};

class PyxClockFrequency : public PyxClockTest,
                          public ::testing::WithParamInterface<FrequencyCase> {};

TEST_P(PyxClockFrequency, AcceptsOneTo366Mhz) {
  const FrequencyCase c = GetParam();
  test::ConsoleCapture console;
  if (c.accepted) {
    clock->setSimFrequency(c.mhz);
    EXPECT_EQ(clock->simFrequency(), c.mhz);
    EXPECT_NEAR(clock->getaCycleNanosecs(), c.nanosecondsPerCycle, 0.0005);
    EXPECT_EQ(console.take(), "");
    return;
  }
  try {
    clock->setSimFrequency(c.mhz);
    FAIL() << c.mhz << " MHz accepted";
  } catch (const TextError& e) {
    EXPECT_STREQ(e.text(), "Sim Frequency: Out of Bounds");
  }
  EXPECT_EQ(console.take(), "Corvel> PyxClock::setSimFrequency Frequency of " +
                                std::to_string(c.mhz) +
                                " is out of bounds minfrq = 1 maxfrq = 366..\n");
  // A refused frequency leaves the clock as it was.
  EXPECT_EQ(clock->simFrequency(), 66);
  EXPECT_DOUBLE_EQ(clock->getaCycleNanosecs(), 1000.0 / 66.0);
}

INSTANTIATE_TEST_SUITE_P(Bounds, PyxClockFrequency,
                         ::testing::Values(FrequencyCase{0, false, 0}, FrequencyCase{-5, false, 0},
                                           FrequencyCase{367, false, 0},
                                           FrequencyCase{1, true, 1000.0},
                                           FrequencyCase{366, true, 2.732},
                                           FrequencyCase{100, true, 10.0}),
    test::NameFrom<&FrequencyCase::mhz>());

TEST_F(PyxClockTest, ConvertsNanosecondsToCyclesWithoutRounding) {
  EXPECT_DOUBLE_EQ(clock->convertNanoSecs2SimCycles(1000.0), 66.0);
  EXPECT_DOUBLE_EQ(clock->convertNanoSecs2SimCycles(0.0), 0.0);
  clock->setSimFrequency(3);
  EXPECT_NEAR(clock->convertNanoSecs2SimCycles(500.0), 1.5, 1e-12);
  clock->setSimFrequency(1);
  EXPECT_DOUBLE_EQ(clock->convertNanoSecs2SimCycles(2500.0), 2.5);
}

TEST_F(PyxClockTest, KeepsTheCycleCount) {
  clock->setPyxCycleCount(0xFFFFFFFFu);
  EXPECT_EQ(clock->getPyxCycleCount(), 0xFFFFFFFFu);
  clock->setPyxCycleCount(12);
  EXPECT_EQ(clock->getPyxCycleCount(), 12u);
}

TEST_F(PyxClockTest, TracesOnlyAtTheirOwnLevels) {
  test::ConsoleCapture console;
  setVerboseLevel(5);
  clock->setPyxCycleCount(3);
  clock->getPyxCycleCount();
  clock->convertNanoSecs2SimCycles(1000.0);
  clock->setSimFrequency(50);
  clock->getaCycleNanosecs();
  EXPECT_EQ(console.take(),
            "Corvel> PyxClock::getPyxCycleCount enter...\n"
            "Corvel> Returning PyxClock value = 3...\n"
            "Corvel> PyxClock::getPyxCycleCount exit...\n"
            "Corvel> PyxClock::convertNanoSecs2SimCycles aNanosecs = 1000.000000 enter...\n"
            "Corvel> PyxClock::convert2SimCycles simcycles = 66.000000 \n"
            "Corvel> PyxClock::convertNanoSecs2SimCycles exit...\n");

  setVerboseLevel(8);
  clock->setPyxCycleCount(4);
  clock->getPyxCycleCount();
  clock->getaCycleNanosecs();
  clock->setSimFrequency(50);
  EXPECT_EQ(console.take(),
            "Corvel> PyxClock::setPyxCycleCount enter...\n"
            "Corvel> PyxClock::setPyxCycleCount setting cycle count = 4...\n"
            "Corvel> PyxClock::setPyxCycleCount exit...\n"
            "Corvel> PyxClock::getaCycleNanosecs enter...\n"
            "Corvel> Returning _aCycle value = 20.000000...\n"
            "Corvel> PyxClock::getaCycleNanosecs exit...\n");

  setVerboseLevel(9);
  clock->setSimFrequency(40);
  clock->getPyxCycleCount();
  EXPECT_EQ(console.take(),
            "Corvel> PyxClock::setSimFrequency enter...\n"
            "Corvel> PyxClock::setSimFrequency setting sim freq = 40...\n"
            "Corvel> PyxClock::setSimFrequency A cycle costs 25.000000 nanosecs..\n"
            "Corvel> PyxClock::setSimFrequency exit...\n");

  for (int32_t level : {0, 1, 6, 7}) {
    setVerboseLevel(level);
    clock->setPyxCycleCount(1);
    clock->getPyxCycleCount();
    clock->getaCycleNanosecs();
    clock->setSimFrequency(40);
    clock->convertNanoSecs2SimCycles(5.0);
    EXPECT_EQ(console.take(), "") << "level " << level;
  }
}

TEST_F(PyxClockTest, TracesConstructionAndDestructionAtLevel5) {
  test::ConsoleCapture console;
  setVerboseLevel(5);
  PyxClock::destroyInstance();
  bool created = false;
  PyxClock::getInstance(created);
  EXPECT_EQ(console.take(),
            "Corvel> PyxClock destructor enter...\n"
            "Corvel> PyxClock destructor exit...\n"
            "Corvel> PyxClock constructor enter...\n"
            "Corvel> PyxClock constructor exit...\n"
            "Corvel> PyxClock::getInstance enter...\n"
            "Corvel> PyxClock::getInstance exit...\n");
}

}  // namespace
}  // namespace corvel
