// Generated headers are valid C: each is compiled with the system C compiler
// into a program that prints the table back, and the printed table must hold
// exactly the text of the input document.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "propgen/tool.h"
#include "propgen_test_support.h"

namespace {

using propgen_test::inputPath;
using propgen_test::readFile;
using propgen_test::ScratchDir;
using propgen_test::writeFile;

// Prints every record, strings in hexadecimal so any byte is visible.
// The header is included twice to exercise its include guard.
const char kPrinter[] = R"(#include <stdio.h>
typedef struct { const char *parent; const char *name; int has_value; int type; unsigned int uint_value; const char *string_value; } qn_sa_registry_property;
#include "props.h"
#include "props.h"
static void hex(const char *s) { for (; *s; ++s) printf("%02x", (unsigned char)*s); }
int main(void) {
  size_t i;
  for (i = 0; i < sizeof gSAPropList / sizeof gSAPropList[0]; ++i) {
    const qn_sa_registry_property *p = &gSAPropList[i];
    hex(p->parent); putchar('|'); hex(p->name);
    printf("|%d|%d|%u|", p->has_value, p->type, p->uint_value);
    hex(p->string_value); putchar('\n');
  }
  return 0;
}
)";

struct Row {
  std::string parent;
  std::string name;
  int hasValue;
  int type;
  unsigned uintValue;
  std::string stringValue;
};

std::string toHex(const std::string& text) {
  std::string out;
  char pair[3];
  for (unsigned char c : text) {
    std::snprintf(pair, sizeof pair, "%02x", c);
    out += pair;
  }
  return out;
}

std::string table(std::vector<Row> rows) {
  rows.push_back({"", "", 0, 0, 0, ""});
  std::string out;
  for (const Row& r : rows) {
    out += toHex(r.parent) + "|" + toHex(r.name) + "|" + std::to_string(r.hasValue) + "|" +
           std::to_string(r.type) + "|" + std::to_string(r.uintValue) + "|" + toHex(r.stringValue) + "\n";
  }
  return out;
}

int shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct CompileCase {
  std::string label;
  std::string xml;
  std::vector<Row> rows;
};

void PrintTo(const CompileCase& c, std::ostream* os) { *os << c.label; }

CompileCase fromFile(const std::string& name, std::vector<Row> rows) {
  return {name.substr(0, name.find('.')), readFile(inputPath(name)), std::move(rows)};
}

// Every part at its longest, made of characters that need escapes: a path
// of 255 characters, a name of 34 and a string value of 255.
CompileCase atTheLimits() {
  const std::string segment = "\"\\" + std::string(29, '?');  // 31 characters
  std::string xml = "<QenSdkConfig>";
  std::vector<Row> rows;
  std::string path;
  for (int level = 0; level < 7; ++level) {
    xml += "<property name='" + segment + "'>";
    rows.push_back({path, segment, 0, 0, 0, ""});
    path += "/" + segment;
  }
  const std::string innermost(30, '?');  // 224 + 1 + 30 = 255 characters of path
  xml += "<property name='" + innermost + "' type='uint32' value='0xFFFFFFFF'/>";
  rows.push_back({path, innermost, 1, 1, 4294967295u, ""});
  for (int level = 0; level < 7; ++level) {
    xml += "</property>";
  }
  std::string xmlValue;
  std::string value;
  for (int i = 0; i < 85; ++i) {
    xmlValue += "&#9;\\?";
    value += "\t\\?";
  }
  xml += "<property name='" + std::string(33, '"') + "&#127;' type='string' value='" + xmlValue + "'/>";
  rows.push_back({"", std::string(33, '"') + "\x7f", 1, 2, 0, value});
  xml += "</QenSdkConfig>";
  return {"limits", xml, rows};
}

class HeaderCompileTest : public ::testing::TestWithParam<CompileCase> {};

TEST_P(HeaderCompileTest, CompilesAndHoldsTheInputText) {
  ScratchDir dir;
  const std::string header = dir.path("props.h");
  writeFile(dir.path("props.xml"), GetParam().xml);
  std::FILE* input = std::fopen(dir.path("props.xml").c_str(), "rb");
  ASSERT_NE(input, nullptr);
  const char* argv[] = {"propgen", "props.xml", "-o", header.c_str(), nullptr};
  std::FILE* errors = std::tmpfile();
  const int status = propgen::runPropgen(4, argv, input, errors);
  std::fclose(input);
  std::fclose(errors);
  ASSERT_EQ(status, 0) << GetParam().label;

  writeFile(dir.path("print.c"), kPrinter);
  // Strict ISO C turns trigraphs on, so an unescaped "??/" would show here.
  const std::string compile = std::string("'") + PROPGEN_C_COMPILER + "' -std=c99 -pedantic-errors -Wall -Wextra -Werror -o '" +
                              dir.path("print") + "' '" + dir.path("print.c") + "' 2> '" + dir.path("cc.txt") + "'";
  ASSERT_EQ(shell(compile), 0) << readFile(dir.path("cc.txt")) << readFile(header);
  ASSERT_EQ(shell("'" + dir.path("print") + "' > '" + dir.path("table.txt") + "'"), 0);
  EXPECT_EQ(readFile(dir.path("table.txt")), table(GetParam().rows));
}

const std::string kQuoted = "q\"uote\\back";

INSTANTIATE_TEST_SUITE_P(
    Inputs, HeaderCompileTest,
    ::testing::Values(
        fromFile("root_only.xml", {}),
        fromFile("nested.xml", {{"", "a", 0, 0, 0, ""}, {"/a", "b", 1, 1, 5, ""}}),
        fromFile("wrapped.xml",
                 {{"", "hex", 1, 1, 31, ""}, {"", "zeros", 1, 1, 7, ""}, {"", "empty", 1, 2, 0, ""},
                  {"", "flag", 0, 0, 0, ""}}),
        fromFile("escaped.xml",
                 {{"", kQuoted, 0, 0, 0, ""},
                  {"/" + kQuoted, "tab\tnl\ncr\rdel\x7f", 1, 2, 0,
                   "say \"hi\" \\n not a newline?\?= ?\?/ */ %d \nend"},
                  {"/" + kQuoted, "caf\xc3\xa9 \xf0\x9f\x98\x80", 1, 2, 0, "<&>'1\x7f" "2"},
                  {"", "x/y", 0, 0, 0, ""},
                  {"/x/y", "under", 1, 1, 0x7fffffffu, ""},
                  {"", "after", 1, 1, 4294967295u, ""},
                  {"", "half", 1, 1, 2147483648u, ""}}),
        atTheLimits()),
    [](const auto& info) { return info.param.label; });

}  // namespace
