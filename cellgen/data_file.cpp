#include "cellgen/data_file.h"

#include <cerrno>

#include "cellgen/reporter.h"

namespace cellgen {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

enum class Decode { ok, skipped, bad };

// Reads the pair at `i` into `out`; false when there is no pair there.
bool readPair(const std::string& line, std::size_t i, std::vector<std::uint8_t>& out) {
  if (i + 1 >= line.size()) return false;
  const int high = hexValue(line[i]);
  const int low = hexValue(line[i + 1]);
  if (high < 0 || low < 0) return false;
  out.push_back(static_cast<std::uint8_t>(high << 4 | low));
  return true;
}

Decode decodeFrameLine(const std::string& line, std::vector<std::uint8_t>& out) {
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) return Decode::ok;
    if (!readPair(line, i, out)) return Decode::bad;
    i += 2;
  }
}

Decode decodePacketLine(const std::string& line, std::vector<std::uint8_t>& out) {
  const std::size_t before = out.size();
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && (isBlank(line[i]) || line[i] == ',')) ++i;
    if (i == line.size()) return out.size() == before ? Decode::skipped : Decode::ok;
    if (!readPair(line, i, out)) return out.size() == before ? Decode::skipped : Decode::bad;
    i += 2;
  }
}

}  // namespace

FramePayload DataLines::line(std::size_t index) const {
  FramePayload payload;
  if (index >= _ends.size()) return payload;
  const std::size_t begin = index == 0 ? 0 : _ends[index - 1];
  payload.data = _bytes.data() + begin;
  payload.length = _ends[index] - begin;
  return payload;
}

void DataLines::clear() {
  _bytes.clear();
  _ends.clear();
}

DataLines::Load DataLines::loadFrames(FileAccess& files, const std::string& name,
                                      std::string& message) {
  return load(Kind::frames, files, name, message);
}

DataLines::Load DataLines::loadPackets(FileAccess& files, const std::string& name,
                                       std::string& message) {
  return load(Kind::packets, files, name, message);
}

DataLines::Load DataLines::load(Kind kind, FileAccess& files, const std::string& name,
                                std::string& message) {
  clear();
  const std::size_t maxLength = kind == Kind::frames ? kMaxFrameLineLength : kMaxPacketLineLength;
  errno = 0;
  std::unique_ptr<LineSource> source = files.openLines(name, maxLength);
  if (!source) {
    message = formatMessage("fopen() failed: %s\n", name.c_str());
    return Load::missing;
  }
  auto refuse = [&](std::string text) {
    clear();
    message = std::move(text);
    return Load::refused;
  };
  std::string text;
  unsigned lineNumber = 0;
  for (;;) {
    const LineSource::Status status = source->next(text);
    ++lineNumber;
    if (status == LineSource::Status::end) break;
    if (status == LineSource::Status::readError)
      return refuse(formatMessage("%s: read failed\n", name.c_str()));
    if (status == LineSource::Status::tooLong)
      return refuse(formatMessage("%s:%u: line longer than %zu characters\n", name.c_str(),
                                  lineNumber, maxLength));
    if (kind == Kind::packets && text.empty()) break;
    const Decode decoded =
        kind == Kind::frames ? decodeFrameLine(text, _bytes) : decodePacketLine(text, _bytes);
    if (decoded == Decode::bad)
      return refuse(formatMessage("%s:%u: bytes must be pairs of hexadecimal digits\n",
                                  name.c_str(), lineNumber));
    if (decoded == Decode::skipped) continue;
    if (_bytes.size() > kMaxTotalBytes || _ends.size() == kMaxLines)
      return refuse(formatMessage("%s: more than %zu lines or %zu bytes of data\n", name.c_str(),
                                  kMaxLines, kMaxTotalBytes));
    _ends.push_back(_bytes.size());
  }
  return Load::loaded;
}

}  // namespace cellgen
