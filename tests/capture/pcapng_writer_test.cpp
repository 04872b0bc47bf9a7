// The pcapng file's bytes against an image worked out by hand from the pcapng
// format (little-endian host): section header, interface description with
// if_tsresol 9, and enhanced packet blocks with and without opt_comment.
#include "corvel/base/pcapng_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace corvel {
namespace {

std::vector<uint8_t> Hex(const std::string &text) {
  std::vector<uint8_t> bytes;
  std::string digits;
  for (char c : text)
    if (c != ' ') digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

TEST(PcapngWriter, BlocksMatchTheHandImage) {
  const std::string path = ::testing::TempDir() + "/writer_" + std::to_string(getpid()) + ".pcapng";
  {
    PcapngWriter writer;
    ASSERT_TRUE(writer.open(path, PcapngWriter::kLinkTypeEthernet));
    const uint8_t frame[] = {0xaa, 0xbb, 0xcc};
    writer.writePacket(0x100000002ull, frame, 3, "ab");
    const uint8_t four[] = {1, 2, 3, 4};
    writer.writePacket(7, four, 4, "");
  }
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
  const std::vector<uint8_t> expected = Hex(
      // section header: type, length 28, byte-order magic, version 1.0, section
      // length -1, length
      "0a0d0d0a 1c000000 4d3c2b1a 0100 0000 ffffffff ffffffff 1c000000"
      // interface: type, length 32, link type 1, reserved, snap length 262144,
      // if_tsresol (9) = 9 padded to 4, opt_endofopt, length
      "01000000 20000000 0100 0000 00000400 0900 0100 09000000 0000 0000 "
      "20000000"
      // packet: type, length 48, interface 0, timestamp high and low, captured
      // and original length 3, data padded, opt_comment "ab" padded,
      // opt_endofopt, length
      "06000000 30000000 00000000 01000000 02000000 03000000 03000000 aabbcc00 "
      "0100 0200 61620000"
      "0000 0000 30000000"
      // packet without comment: no options at all, length 36
      "06000000 24000000 00000000 00000000 07000000 04000000 04000000 01020304 "
      "24000000");
  EXPECT_EQ(file, expected);
  EXPECT_FALSE(PcapngWriter().open("/nonexistent-dir/x.pcapng", PcapngWriter::kLinkTypeEthernet));
}

}  // namespace
}  // namespace corvel
