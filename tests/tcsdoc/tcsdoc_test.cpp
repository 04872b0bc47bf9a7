// The reference and the schema of the TCS format against the readers'
// vocabulary: the checked-in files are what the tool writes from it, every
// TCS file meant to load validates against the schema, and a file with
// misspelt names does not.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "corvel/tcs/tcs_vocabulary.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "tcsdoc_" + std::to_string(getpid()) + "_" + name;
}

struct CommandResult {
  int status = -1;
  std::string output;
};

CommandResult RunCommand(const std::string& command) {
  const std::string out = TempPath("output.txt");
  const int raw = std::system((command + " >'" + out + "' 2>&1").c_str());
  CommandResult run;
  if (raw != -1 && WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
  run.output = ReadFile(out);
  std::remove(out.c_str());
  return run;
}

const fs::path kSource = CORVEL_SOURCE_DIR;
const std::string kSchema = (kSource / "schema" / "tcs.xsd").string();

TEST(TcsDoc, CheckedInReferenceAndSchemaAreWhatTheToolWrites) {
  const std::string reference = TempPath("reference.md");
  const std::string schema = TempPath("tcs.xsd");
  const CommandResult run = RunCommand("'" + std::string(CORVEL_BIN_DIR) + "/tcsdoc' --reference '" + reference +
                             "' --schema '" + schema + "'");
  ASSERT_EQ(run.status, 0) << run.output;
  const char* regenerate = "run build/bin/tcsdoc in the source folder and commit docs/ and schema/";
  EXPECT_EQ(ReadFile(reference), ReadFile(kSource / "docs" / "tcs-reference.md")) << regenerate;
  EXPECT_EQ(ReadFile(schema), ReadFile(kSchema)) << regenerate;
  std::remove(reference.c_str());
  std::remove(schema.c_str());
}

// Every element's example is well-formed and uses only names its element takes.
TEST(TcsDoc, ElementExamplesUseOnlyTheirElementsAttributes) {
  for (const ElementDoc& element : tcsVocabulary()) {
    if (element.example.empty()) continue;
    SCOPED_TRACE(element.key);
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
        xmlReadMemory(element.example.data(), static_cast<int>(element.example.size()), "example.xml", nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    ASSERT_NE(doc, nullptr) << element.example;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    ASSERT_NE(root, nullptr);
    if (!element.name.empty()) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(root->name)), element.name);
    }
    for (const xmlAttr* attribute = root->properties; attribute != nullptr; attribute = attribute->next) {
      const std::string name(reinterpret_cast<const char*>(attribute->name));
      EXPECT_NE(findAttributeDoc(element, name), nullptr) << name;
    }
  }
}

bool HaveXmllint() { return std::system("command -v xmllint >/dev/null 2>&1") == 0; }

// Files under examples/ and tests/data/ that are not meant to load as they
// are, or that hold wrong names or values on purpose, and why.
const std::set<std::string> kNotMeantToLoad = {
    "tests/data/tcs/unknown_names.tcs",        // misspelt names, for the warnings
    "tests/data/tcs2pcap/dst_port.tcs",        // a misspelt name, for the warning
    "tests/data/tcs/proto_elements.tcs",       // hex values without their prefix, for the readers' refusals
    "tests/data/tcs/root_crc_hex_one.tcs",     // an attribute the root ignores
    "tests/data/tcs/load_wrong_root.tcs",      // no corvel element
    "tests/data/tcs/load_syntax_error.tcs",    // not well-formed
    "tests/data/streams/streams.tcs",          // a hdr without prefix, an element inside ipv4
    "tests/data/tcs2pcap/syntax_error.tcs",    // not well-formed
};

// The XML layer's own fixtures (doc_*.tcs) are documents of any names:
// entities, DTDs, malformed and runaway documents.
bool meantToLoad(const std::string& file) {
  return kNotMeantToLoad.count(file) == 0 && fs::path(file).filename().string().rfind("doc_", 0) != 0;
}

std::vector<std::string> TcsFiles() {
  std::vector<std::string> files;
  for (const char* folder : {"examples", "tests/data"}) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kSource / folder)) {
      if (entry.path().extension() != ".tcs") continue;
      files.push_back(fs::relative(entry.path(), kSource).string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(TcsSchema, EveryTcsFileMeantToLoadValidates) {
  if (!HaveXmllint()) GTEST_SKIP() << "xmllint is not installed";
  int checked = 0;
  for (const std::string& file : TcsFiles()) {
    if (!meantToLoad(file)) continue;
    const fs::path path = kSource / file;
    const CommandResult run = RunCommand("cd '" + path.parent_path().string() +
                                         "' && xmllint --noout --noent --nonet --schema '" + kSchema + "' '" +
                                         path.filename().string() + "'");
    EXPECT_EQ(run.status, 0) << file << "\n" << run.output;
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

TEST(TcsSchema, MisspeltNamesFailValidation) {
  if (!HaveXmllint()) GTEST_SKIP() << "xmllint is not installed";
  const CommandResult run = RunCommand("xmllint --noout --noent --nonet --schema '" + kSchema + "' '" +
                             (kSource / "tests/data/tcs/unknown_names.tcs").string() + "'");
  EXPECT_NE(run.status, 0);
  for (const char* name : {"dst_port", "colour", "asign_stream_set"})
    EXPECT_NE(run.output.find(name), std::string::npos) << name << "\n" << run.output;
}

}  // namespace
}  // namespace corvel
