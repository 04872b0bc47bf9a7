// The command line as a whole: arguments, standard input, the output file
// and standard error, for accepted documents and every limit.
#include "propgen/tool.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "propgen_test_support.h"

namespace {

using propgen_test::fileExists;
using propgen_test::headerWith;
using propgen_test::inputPath;
using propgen_test::readFile;
using propgen_test::ScratchDir;
using propgen_test::writeFile;

const char kUsage[] =
    " Invalid arg\n"
    "USAGE: propgen xmlfile -o outfile\n"
    "     xmlfile:  xml config file to prepare\n"
    "   -o oufile:  the output file\n";

struct ToolRun {
  int status;
  std::string errors;
};

std::string readAll(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, n);
  }
  return text;
}

ToolRun runWithInput(const std::vector<std::string>& args, std::FILE* input) {
  std::vector<const char*> argv{"propgen"};
  for (const std::string& a : args) {
    argv.push_back(a.c_str());
  }
  argv.push_back(nullptr);
  std::FILE* errors = std::tmpfile();
  const int status = propgen::runPropgen(static_cast<int>(argv.size() - 1), argv.data(), input, errors);
  ToolRun run{status, readAll(errors)};
  std::fclose(errors);
  return run;
}

ToolRun runTool(const std::vector<std::string>& args, std::string_view xml) {
  std::FILE* input = std::tmpfile();
  std::fwrite(xml.data(), 1, xml.size(), input);
  std::rewind(input);
  ToolRun run = runWithInput(args, input);
  std::fclose(input);
  return run;
}

std::string inRoot(std::string_view body) {
  return "<QenSdkConfig>\n" + std::string(body) + "\n</QenSdkConfig>\n";
}

std::string property(const std::string& name, const std::string& attributes = "") {
  return "<property name='" + name + "'" + attributes + "/>";
}

class ToolTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string out = dir.path("out.h");
};

TEST_F(ToolTest, WrongArgumentsPrintTheUsage) {
  const std::vector<std::vector<std::string>> cases{
      {}, {"in.xml"}, {"in.xml", "-o"}, {"in.xml", "-x", out}, {"in.xml", "o", out}, {"in.xml", "-oo", out}};
  for (const auto& args : cases) {
    const ToolRun run = runTool(args, "<QenSdkConfig/>");
    EXPECT_EQ(run.status, 1) << args.size();
    EXPECT_EQ(run.errors, kUsage) << args.size();
    EXPECT_FALSE(fileExists(out));
  }
}

TEST_F(ToolTest, WritesTheHeaderWithAFinalNewline) {
  const ToolRun run = runTool({"nested.xml", "-o", out}, readFile(inputPath("nested.xml")));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(readFile(out), headerWith(" \n    {\"\", \"a\", 0, 0, 0, \"\"},"
                                      " \n    {\"/a\", \"b\", 1, 1, 5, \"\"},") +
                               "\n");
}

TEST_F(ToolTest, CapitalOSwitchIsAccepted) {
  writeFile(out, "stale");
  const ToolRun run = runTool({"root_only.xml", "-O", out, "extra"}, readFile(inputPath("root_only.xml")));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(readFile(out), headerWith("") + "\n");
}

TEST_F(ToolTest, MalformedXmlLeavesNoOutputFile) {
  writeFile(out, "stale header from an earlier run");
  const ToolRun run = runTool({"malformed.xml", "-o", out}, readFile(inputPath("malformed.xml")));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "\nmalformed.xml:6: mismatched tag\n");
  EXPECT_FALSE(fileExists(out));
}

TEST_F(ToolTest, InputLongerThanOneReadChunkIsParsedWhole) {
  const std::string xml = inRoot("<!--" + std::string(100000, 'x') + "-->" +
                                 property("after", " type='uint32' value='0x10'"));
  const ToolRun run = runTool({"long.xml", "-o", out}, xml);
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(readFile(out), headerWith(" \n    {\"\", \"after\", 1, 1, 16, \"\"},") + "\n");
}

TEST_F(ToolTest, TheExampleFileIsAccepted) {
  const ToolRun run = runTool({"properties.xml", "-o", out}, readFile(PROPGEN_EXAMPLE));
  EXPECT_EQ(run.status, 0) << run.errors;
  const std::string header = readFile(out);
  EXPECT_NE(header.find(" \n    {\"/ethernet/port1\", \"mtu\", 1, 1, 1518, \"\"},"), std::string::npos);
  EXPECT_NE(header.find(" \n    {\"\", \"banner\", 1, 2, 0, \"Pyx support build \\\"lab\\\"\"},"), std::string::npos);
}

TEST_F(ToolTest, ReadErrorIsReported) {
  std::FILE* writeOnly = std::fopen("/dev/null", "w");
  ASSERT_NE(writeOnly, nullptr);
  const ToolRun run = runWithInput({"in.xml", "-o", out}, writeOnly);
  std::fclose(writeOnly);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "Read error\n");
  EXPECT_FALSE(fileExists(out));
}

TEST_F(ToolTest, UnopenableOutputIsReported) {
  const std::string missing = dir.path("no/such/dir/out.h");
  const ToolRun run = runTool({"in.xml", "-o", missing}, "<QenSdkConfig/>");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "Cannot open output file '" + missing + "'.\n");
}

// Limits: the longest accepted form of each part, then one character more.

std::string nestedNames(const std::vector<std::string>& names, const std::string& innermost = "") {
  std::string xml;
  for (const std::string& name : names) {
    xml += "<property name='" + name + "'>";
  }
  xml += innermost;
  for (std::size_t i = 0; i < names.size(); ++i) {
    xml += "</property>";
  }
  return xml;
}

struct LimitCase {
  const char* what;
  std::string xml;
  std::string message;  // empty: accepted
};

std::vector<LimitCase> limitCases() {
  const std::string name34(34, 'n');
  const std::string seg31(31, 'h');
  const std::vector<std::string> sevenLevels(7, seg31);  // path of 7 * 32 = 224 characters
  auto withLast = [&](const std::string& last) {
    std::vector<std::string> names = sevenLevels;
    names.push_back(last);
    return names;
  };
  // A record of exactly 1023 characters: the fixed part around an escaped
  // value made of four-character escapes and plain letters.
  const std::string fixedRecord = " \n    {\"\", \"r\", 1, 2, 0, \"\"},";
  const std::size_t dels = 248;
  const std::size_t letters = 1023 - fixedRecord.size() - 4 * dels;
  std::string delValue;
  for (std::size_t i = 0; i < dels; ++i) {
    delValue += "&#127;";
  }
  const std::string recordAttrs = " type='string' value='" + delValue;

  return {
      {"name of 34", inRoot(property(name34)), ""},
      {"name of 35", inRoot(property(name34 + "n")),
       "\nprops.xml:2: '" + name34 + "n' is too long for a property name. Names are at most 34 characters.\n"},
      {"string value of 255", inRoot(property("s", " type='string' value='" + std::string(255, 'v') + "'")), ""},
      {"string value of 256", inRoot(property("s", " type='string' value='" + std::string(256, 'v') + "'")),
       "\nprops.xml:2: the value of the 's' property is too long. 'string' values are at most 255 characters.\n"},
      {"unstored long value", inRoot(property("s", " value='" + std::string(5000, 'v') + "' type='string'")), ""},
      {"path of 255", inRoot(nestedNames(withLast(std::string(30, 'h')))), ""},
      {"path of 256", inRoot(nestedNames(withLast(seg31))),
       "\nprops.xml:2: the path of the '" + seg31 + "' property is too long. Paths are at most 255 characters.\n"},
      {"child below a full path", inRoot(nestedNames(withLast(std::string(30, 'h')), property("c"))),
       "\nprops.xml:2: the path of the 'c' property is too long. Paths are at most 255 characters.\n"},
      {"record of 1023", inRoot(property("r", recordAttrs + std::string(letters, 'a') + "'")), ""},
      {"record of 1024", inRoot(property("r", recordAttrs + std::string(letters + 1, 'a') + "'")),
       "\nprops.xml:2: the record of the 'r' property is too long. Records are at most 1023 characters.\n"},
  };
}

TEST_F(ToolTest, EveryLimitIsGuarded) {
  for (const LimitCase& c : limitCases()) {
    writeFile(out, "stale");
    const ToolRun run = runTool({"props.xml", "-o", out}, c.xml);
    if (c.message.empty()) {
      EXPECT_EQ(run.status, 0) << c.what << run.errors;
      EXPECT_EQ(run.errors, "") << c.what;
      EXPECT_TRUE(fileExists(out)) << c.what;
    } else {
      EXPECT_EQ(run.status, 1) << c.what;
      EXPECT_EQ(run.errors, c.message) << c.what;
      EXPECT_FALSE(fileExists(out)) << c.what;
    }
  }
}

// The whole header may hold 32767 characters: many short records and one
// whose string value fills the rest exactly.
TEST_F(ToolTest, OutputLimitIsExact) {
  auto record = [](int i) {
    char name[8];
    std::snprintf(name, sizeof name, "p%04d", i);
    return std::string(name);
  };
  const std::size_t shortRecord = std::string(" \n    {\"\", \"p0000\", 0, 0, 0, \"\"},").size();
  const std::size_t fixed = headerWith("").size();
  const std::size_t room = 32767 - fixed - shortRecord;
  const std::size_t count = room / shortRecord;
  const std::size_t fill = room % shortRecord;
  ASSERT_LT(fill + 1, 256u);

  auto document = [&](std::size_t fillLength) {
    std::string body;
    for (std::size_t i = 0; i < count; ++i) {
      body += property(record(static_cast<int>(i))) + "\n";
    }
    body += property("p9999", " type='string' value='" + std::string(fillLength, 'f') + "'");
    return inRoot(body);
  };

  ToolRun run = runTool({"props.xml", "-o", out}, document(fill));
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(readFile(out).size(), 32768u);  // 32767 and the final newline

  run = runTool({"props.xml", "-o", out}, document(fill + 1));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "\nprops.xml:" + std::to_string(count + 2) +
                            ": the output is too long at the 'p9999' property. "
                            "The header is at most 32767 characters.\n");
  EXPECT_FALSE(fileExists(out));
}

// The real program, with its standard input redirected from the file.
TEST_F(ToolTest, ProgramReadsStandardInput) {
  const std::string errors = dir.path("errors.txt");
  auto run = [&](const std::string& input, const std::string& label) {
    const std::string command = std::string("'") + PROPGEN_PROGRAM + "' '" + label + "' -o '" + out + "' < '" +
                                input + "' 2> '" + errors + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run(inputPath("nested.xml"), "nested.xml"), 0);
  EXPECT_EQ(readFile(out), headerWith(" \n    {\"\", \"a\", 0, 0, 0, \"\"},"
                                      " \n    {\"/a\", \"b\", 1, 1, 5, \"\"},") +
                               "\n");
  EXPECT_EQ(readFile(errors), "");

  EXPECT_EQ(run(inputPath("malformed.xml"), "malformed.xml"), 1);
  EXPECT_EQ(readFile(errors), "\nmalformed.xml:6: mismatched tag\n");
  EXPECT_FALSE(fileExists(out));
}

}  // namespace
