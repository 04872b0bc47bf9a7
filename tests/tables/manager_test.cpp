// The table and function readers as the TCS manager runs them in a load.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvel/tcs/tcs_manager.h"
#include "table_test_support.h"

namespace corvel {
namespace {

using Lines = std::vector<std::string>;

TEST(ManagerTables, ReadTablesThenApplyFunctions) {
  test::ConsoleCapture console;
  test::CommandCapture commands;
  TcsDocument document;
  test::LoadFixture(document, "loops.tcs");
  console.take();
  TcsManager manager(document);
  EXPECT_TRUE(manager.readTableEntries());
  EXPECT_TRUE(manager.readFunctionDefinitions());
  EXPECT_EQ(manager.status(), 0);
  EXPECT_EQ(manager.tables().size(), 5u);
  EXPECT_EQ(console.take(),
            "Corvel> ------ Retreiving Tables ------\n"
            "Corvel>   ip\n"
            "Corvel>   nested\n"
            "Corvel>   hex\n"
            "Corvel>   width\n"
            "Corvel>   count\n"
            "Corvel> ------ Retreiving Functions ------\n");
  ASSERT_EQ(commands.lines().size(), 18u);
  EXPECT_EQ(commands.lines().front(), "ip(\"10.0.0.255\");");
  EXPECT_EQ(commands.lines().back(), "count(3);");
}

TEST(ManagerTables, ReportLoopErrorsThroughTheManager) {
  test::ConsoleCapture console;
  test::CommandCapture commands;
  TcsDocument document;
  test::LoadFixture(document, "bad_loop.tcs");
  console.take();
  TcsManager manager(document);
  EXPECT_TRUE(manager.readTableEntries());
  EXPECT_TRUE(manager.readFunctionDefinitions());
  EXPECT_EQ(manager.status(), TcsManager::kStatusParseError);
  EXPECT_EQ(console.take(),
            "Corvel> ------ Retreiving Tables ------\n"
            "Corvel>   good\n"
            "Corvel>   stuck\n"
            "Corvel> ------ Retreiving Functions ------\n"
            "Corvel> PARSE-ERROR, Element stuck_fn: loop variable i of table stuck has an increment below 1 "
            "(TcsFunctionProtocol)\n"
            // The place is the loop's, not the function's.
            "Corvel>   at " +
                test::FixturePath("bad_loop.tcs") + ":11, <for> attribute incr=\"0\"\n");
  EXPECT_TRUE(commands.lines().empty());
  // Later sections do nothing once the status is not 0.
  EXPECT_FALSE(manager.readFunctionDefinitions());
}

}  // namespace
}  // namespace corvel
