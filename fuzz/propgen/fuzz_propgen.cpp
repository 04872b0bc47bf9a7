// Feeds arbitrary bytes to the property document handling, in two chunks,
// and checks what an accepted document must give: the header's fixed frame,
// the size limit, and record lines that hold no raw control characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "propgen/property_list_builder.h"

namespace {

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

void checkHeader(std::string_view header) {
  using propgen::PropertyListBuilder;
  const std::string_view prolog = PropertyListBuilder::kProlog;
  const std::string_view closing = PropertyListBuilder::kClosing;
  check(header.size() <= PropertyListBuilder::kMaxOutput);
  check(header.substr(0, prolog.size()) == prolog);
  check(header.size() >= prolog.size() + closing.size());
  check(header.substr(header.size() - closing.size()) == closing);
  // Between the frame, every line is one record: " \n    {...},".
  std::string_view records = header.substr(prolog.size(), header.size() - prolog.size() - closing.size());
  while (!records.empty()) {
    check(records.substr(0, 7) == " \n    {");
    records.remove_prefix(2);
    // Strings hold no raw newline, so the next newline starts the next record.
    const std::size_t next = records.find('\n');
    const std::size_t end = next == std::string_view::npos ? records.size() : next - 1;
    const std::string_view line = records.substr(0, end);
    check(line.size() + 2 <= PropertyListBuilder::kMaxRecord);
    check(line.size() >= 2 && line.substr(line.size() - 2) == "},");
    for (unsigned char c : line) {
      check(c >= 0x20 && c != 0x7F);
    }
    records.remove_prefix(end);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The split point follows from the size alone, so seed files stay plain XML.
  const char* text = reinterpret_cast<const char*>(data);
  const std::size_t length = size;
  const std::size_t first = (size * 37) % (size + 1);

  propgen::PropertyListBuilder builder("fuzz.xml");
  if (!builder.ready()) {
    return 0;
  }
  bool accepted = builder.parse(text, first, false) && builder.parse(text + first, length - first, true);
  if (!accepted) {
    check(builder.failed());
    check(!builder.message().empty());
    return 0;
  }
  checkHeader(builder.finish());
  return 0;
}
