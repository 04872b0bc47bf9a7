// Loading TCS files: the success lines, the thrown texts, the three-line
// parse-error report for every kind of unusable file, entity handling and
// the refusal of network and special-file entities.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "console_capture.h"
#include "corvel/base/text_error.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/xml/xml_access.h"

namespace corvel {
namespace {

const std::string kData = std::string(CORVEL_TEST_DATA) + "/tcs/";
const char* const kSuccessLines =
    "Corvel> ------ Traffic Config Spec parsed successfully\n"
    "Corvel> Simple load of document successful.\n";
const char* const kBadParameter = "Error, the TCS file contains a bad parameter.";

// A private directory for files made by a test, removed afterwards.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvel_tcs_XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) _path = pattern;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    if (!_path.empty()) std::filesystem::remove_all(_path, ignored);
  }
  std::string write(const std::string& name, const std::string& content) const {
    const std::string file = (_path / name).string();
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }
  const std::filesystem::path& path() const { return _path; }

 private:
  std::filesystem::path _path;
};

// Runs a load and returns the thrown text ("" when it succeeds); the console
// and stderr output are kept for inspection.
struct LoadResult {
  std::string thrown;
  std::string console;
  std::string stderrText;
};

LoadResult Load(TcsDocument& document, const std::string& file) {
  LoadResult result;
  test::ConsoleCapture console;
  testing::internal::CaptureStderr();
  try {
    LoadDocument(document, file);
  } catch (const TextError& error) {
    result.thrown = error.text();
  }
  result.stderrText = testing::internal::GetCapturedStderr();
  result.console = console.text();
  return result;
}

TEST(LoadDocument, WellFormedFilePrintsTheSuccessLines) {
  TcsDocument document;
  const LoadResult result = Load(document, kData + "doc_sample.tcs");
  EXPECT_EQ(result.thrown, "");
  EXPECT_EQ(result.console, kSuccessLines);
  EXPECT_EQ(result.stderrText, "");
  ASSERT_TRUE(document.loaded());
  EXPECT_EQ(document.fileName(), kData + "doc_sample.tcs");
  EXPECT_TRUE(isNodeNamed(xmlDocGetRootElement(document.document()), "corvel"));
  EXPECT_EQ(GetNodeName(document.documentNode()), "#document");
}

TEST(LoadDocument, MissingFileThrowsWithoutReport) {
  TcsDocument document;
  const LoadResult result = Load(document, kData + "no_such_file.tcs");
  EXPECT_EQ(result.thrown, "TCS configuration file does not exists.\n");
  EXPECT_EQ(result.console, "");
  EXPECT_FALSE(document.loaded());
}

TEST(LoadDocument, DirectoryCountsAsMissingFile) {
  TcsDocument document;
  const LoadResult result = Load(document, kData);
  EXPECT_EQ(result.thrown, "TCS configuration file does not exists.\n");
  EXPECT_EQ(result.console, "");
}

TEST(LoadDocument, NullNameThroughTheMemberCountsAsMissingFile) {
  TcsDocument document;
  try {
    document.LoadDocument(nullptr);
    FAIL() << "no exception";
  } catch (const TextError& error) {
    EXPECT_STREQ(error.text(), "TCS configuration file does not exists.\n");
  }
}

TEST(LoadDocument, SyntaxErrorReportsLineAndReason) {
  TcsDocument document;
  const std::string file = kData + "doc_syntax_error.tcs";
  const LoadResult result = Load(document, file);
  EXPECT_EQ(result.thrown, kBadParameter);
  EXPECT_EQ(result.console,
            "Corvel> === E R R O R ===\n"
            "Corvel> XML-PARSE-ERROR: on line 12, position 34 of " + file + ".\n"
            "Corvel> XML-REASON     : Opening and ending tag mismatch: stream_set line 12 and stream\n");
  EXPECT_EQ(result.stderrText, "");
  EXPECT_FALSE(document.loaded());
}

// Files that are not usable documents: each gets the three-line report (the
// parser's reason differs) and the same thrown text, and nothing on stderr.
struct UnusableFile {
  const char* name;
  std::string content;      // written to a scratch file unless empty and fixture set
  const char* fixture;      // a file under tests/data/tcs instead
  const char* reasonPart;   // a piece of the parser's reason
};

class UnusableFileTest : public testing::TestWithParam<UnusableFile> {};

TEST_P(UnusableFileTest, GetsTheParseErrorReport) {
  const UnusableFile& param = GetParam();
  ScratchDirectory scratch;
  const std::string file =
      param.fixture != nullptr ? kData + param.fixture : scratch.write("input.tcs", param.content);
  TcsDocument document;
  const LoadResult result = Load(document, file);
  EXPECT_EQ(result.thrown, kBadParameter);
  const std::string header = "Corvel> === E R R O R ===\nCorvel> XML-PARSE-ERROR: on line ";
  ASSERT_EQ(result.console.compare(0, header.size(), header), 0) << result.console;
  EXPECT_NE(result.console.find(", position "), std::string::npos);
  EXPECT_NE(result.console.find(" of " + file + ".\nCorvel> XML-REASON     : "), std::string::npos)
      << result.console;
  EXPECT_NE(result.console.find(param.reasonPart), std::string::npos) << result.console;
  EXPECT_EQ(result.console.back(), '\n');
  EXPECT_EQ(result.console.find("successful"), std::string::npos);
  EXPECT_EQ(result.stderrText, "");
  EXPECT_FALSE(document.loaded());
}

std::string Nested(int depth) {
  std::string text = "<corvel>";
  for (int i = 0; i < depth; ++i) text += "<a>";
  for (int i = 0; i < depth; ++i) text += "</a>";
  return text + "</corvel>";
}

INSTANTIATE_TEST_SUITE_P(
    LoadDocument, UnusableFileTest,
    testing::Values(
        UnusableFile{"NotXml", "", "doc_not_xml.tcs", "Start tag expected"},
        UnusableFile{"Empty", "", "doc_empty.tcs", "Document is empty"},
        UnusableFile{"BillionLaughs", "", "doc_billion_laughs.tcs", "entity"},
        // Every reference to the undeclared lol1 is a complaint of its own,
        // 10^8 of them, unless the parse is cut short.
        UnusableFile{"UndeclaredLaughs", "", "doc_undeclared_laughs.tcs", "Entity 'lol1' not defined"},
        UnusableFile{"TooDeep", Nested(300), nullptr, "depth"},
        UnusableFile{"BinaryZeros", std::string(64, '\0'), nullptr, "Document is empty"},
        UnusableFile{"TruncatedDocument", "<corvel><streams>", nullptr, "Premature end of data"},
        UnusableFile{"UndeclaredEntity", "<corvel unit=\"&RATE;\"/>", nullptr, "RATE"},
        UnusableFile{"TwoRoots", "<corvel/><corvel/>", nullptr, "Extra content"}),
    [](const testing::TestParamInfo<UnusableFile>& info) { return info.param.name; });

TEST(LoadDocument, OversizedFileGetsTheReportWithoutBeingParsed) {
  ScratchDirectory scratch;
  const std::string file = (scratch.path() / "huge.tcs").string();
  std::ofstream(file) << "<corvel/>";
  std::filesystem::resize_file(file, kMaxTcsFileBytes + 1);  // sparse: cheap to make
  TcsDocument document;
  const LoadResult result = Load(document, file);
  EXPECT_EQ(result.thrown, kBadParameter);
  EXPECT_EQ(result.console,
            "Corvel> === E R R O R ===\n"
            "Corvel> XML-PARSE-ERROR: on line 1, position 1 of " + file + ".\n"
            "Corvel> XML-REASON     : Document is larger than the limit of 67108864 bytes\n");
}

TEST(LoadDocument, FailedLoadReleasesThePreviousDocument) {
  TcsDocument document;
  ASSERT_EQ(Load(document, kData + "doc_sample.tcs").thrown, "");
  EXPECT_EQ(Load(document, kData + "doc_syntax_error.tcs").thrown, kBadParameter);
  EXPECT_FALSE(document.loaded());
  ASSERT_EQ(Load(document, kData + "doc_entities.tcs").thrown, "");
  EXPECT_NE(selectSingleNode(document.documentNode(), "//corvel/rx_ports"), nullptr);
}

TEST(LoadDocument, InternalEntitiesAreSubstituted) {
  TcsDocument document;
  ASSERT_EQ(Load(document, kData + "doc_entities.tcs").thrown, "");
  const xmlNode* root = selectSingleNode(document.documentNode(), "//corvel");
  EXPECT_EQ(GetAttribute(root, "unit"), "155");
  const xmlNode* ports = selectSingleNode(document.documentNode(), "//corvel/rx_ports");
  EXPECT_EQ(GetAttribute(ports, "rate"), "155");
  EXPECT_EQ(GetAttribute(ports, "address"), "10.1.2.3/24");
  EXPECT_EQ(GetAttribute(ports, "escaped"), "a < b A");
  // An entity holding markup becomes elements.
  const xmlNode* set = selectSingleNode(document.documentNode(), "//corvel/streams/stream_set");
  EXPECT_EQ(GetAttribute(set, "id"), "from_entity");
}

// Texts come out as UTF-8 whatever the file's declared encoding.
TEST(LoadDocument, TextsAreUtf8) {
  ScratchDirectory scratch;
  TcsDocument document;
  const std::string utf8 = scratch.write("utf8.tcs", "<corvel name=\"caf\xC3\xA9 &#x20AC;\"/>");
  ASSERT_EQ(Load(document, utf8).thrown, "");
  EXPECT_EQ(GetAttribute(selectSingleNode(document.documentNode(), "//corvel"), "name"),
            "caf\xC3\xA9 \xE2\x82\xAC");
  const std::string latin1 = scratch.write(
      "latin1.tcs", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><corvel name=\"caf\xE9\"/>");
  ASSERT_EQ(Load(document, latin1).thrown, "");
  EXPECT_EQ(GetAttribute(selectSingleNode(document.documentNode(), "//corvel"), "name"), "caf\xC3\xA9");
  // Bytes that are not UTF-8 in a file without a declaration are a parse error.
  const std::string broken = scratch.write("broken.tcs", "<corvel name=\"caf\xE9\"/>");
  EXPECT_EQ(Load(document, broken).thrown, kBadParameter);
}

TEST(LoadDocument, LocalExternalDefinitionsSupplyEntitiesAndDefaults) {
  TcsDocument document;
  const LoadResult result = Load(document, kData + "doc_local_dtd.tcs");
  ASSERT_EQ(result.thrown, "");
  const xmlNode* root = selectSingleNode(document.documentNode(), "//corvel");
  EXPECT_EQ(GetAttribute(root, "unit"), "622");
  EXPECT_EQ(GetAttribute(root, "note"), "inside");
  EXPECT_EQ(GetAttribute(selectSingleNode(root, "./rx_ports"), "rate"), "100");
}

TEST(LoadDocument, MissingExternalDefinitionsAreNotAnError) {
  TcsDocument document;
  const LoadResult result = Load(document, kData + "doc_missing_dtd.tcs");
  EXPECT_EQ(result.thrown, "");
  EXPECT_EQ(result.console, kSuccessLines);
  EXPECT_EQ(result.stderrText, "");
  EXPECT_EQ(GetAttribute(selectSingleNode(document.documentNode(), "//corvel"), "unit"), "100");
}

// A FIFO, a device or a kernel pseudo-file named as external definitions
// could block the load or never end; it is passed over like a missing file.
// Here a writer stands ready on a FIFO: had the load opened it, the entity
// declared there would be defined; /proc/self/status read as definitions
// would fail the parse.
TEST(LoadDocument, SpecialFilesAsExternalDefinitionsAreNotRead) {
  ScratchDirectory scratch;
  const std::string fifo = (scratch.path() / "definitions.fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // The writer can only open the FIFO once a reader has it open.
  std::atomic<bool> stop{false};
  std::thread writer([&fifo, &stop] {
    while (!stop.load()) {
      const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        const std::string text = "<!ENTITY FROM_FIFO \"fifo\">";
        [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
        ::close(fd);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  const std::string file = scratch.write(
      "special.tcs",
      "<!DOCTYPE corvel SYSTEM \"/proc/self/status\" [<!ENTITY % zero SYSTEM \"/dev/zero\"> %zero;"
      "<!ENTITY % fifo SYSTEM \"file://" + fifo + "\"> %fifo;]><corvel unit=\"[&FROM_FIFO;]\"/>");
  TcsDocument document;
  const LoadResult result = Load(document, file);

  stop.store(true);
  writer.join();

  EXPECT_EQ(result.thrown, "");
  EXPECT_EQ(result.stderrText, "");
  EXPECT_EQ(GetAttribute(selectSingleNode(document.documentNode(), "//corvel"), "unit"), "[]");
}

// Network locations are never fetched: a listening socket named as the
// external definitions sees no connection.
TEST(LoadDocument, NetworkDefinitionsAreNeverFetched) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));

  // Whatever connects is counted and hung up on at once, so a fetch fails
  // quickly instead of waiting for an answer.
  std::atomic<bool> stop{false};
  std::atomic<int> connections{0};
  std::thread server([listener, &stop, &connections] {
    while (!stop.load()) {
      const int accepted = ::accept(listener, nullptr, nullptr);
      if (accepted >= 0) {
        ++connections;
        ::close(accepted);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  });

  ScratchDirectory scratch;
  const std::string file = scratch.write(
      "network.tcs", "<!DOCTYPE corvel SYSTEM \"" + url + "/corvel.dtd\" [<!ENTITY % remote SYSTEM \"" +
                         url + "/custom.dtd\"> %remote;]><corvel/>");
  TcsDocument document;
  const LoadResult result = Load(document, file);
  stop.store(true);
  server.join();

  EXPECT_EQ(result.thrown, "");
  EXPECT_EQ(result.stderrText, "");
  EXPECT_EQ(connections.load(), 0);
  ::close(listener);
}

}  // namespace
}  // namespace corvel
