#include "corvel/protocols/workbench_log.h"

#include <string>

#include "corvel/base/text_error.h"
#include "corvel/protocols/hex_text.h"
#include "corvel/protocols/payload/payload_config.h"

namespace corvel {

namespace {

constexpr int kEnd = std::char_traits<char>::eof();

bool isBlank(int c) { return c == ' ' || c == '\t'; }
bool isLineEnd(int c) { return c == '\r' || c == '\n'; }

}  // namespace

WorkbenchLogPacketEncapsulator::WorkbenchLogPacketEncapsulator(const WorkbenchLogPayloadConfig& config)
    : PayloadEncapsulator(config.sizesPerIteration(), config.iterations()),
      _fileName(config.fileName()),
      _skipFirstLine(config.skipFirstLine()),
      _skipLineNumbers(config.skipLineNumbers()) {
  open();
}

void WorkbenchLogPacketEncapsulator::open() {
  if (_file.is_open()) _file.close();
  _file.clear();
  _file.open(_fileName, std::ios::in | std::ios::binary);
  if (!_file.is_open()) throw TextError("Error, could not open input file for reading.");
  _line = 1;
  _exhausted = false;
  if (_skipFirstLine) skipRestOfLine();
}

void WorkbenchLogPacketEncapsulator::nextIteration() {
  ++_completedIterations;
  _indexInIteration = 0;
  _sizesPerIteration = 1;
  open();
}

int WorkbenchLogPacketEncapsulator::get() {
  const int c = _file.get();
  if (c == '\n') ++_line;
  return c;
}

// Blank space and empty lines between packets.
void WorkbenchLogPacketEncapsulator::skipWhitespace() {
  while (true) {
    const int c = _file.peek();
    if (c == kEnd || !(isBlank(c) || isLineEnd(c))) return;
    get();
  }
}

void WorkbenchLogPacketEncapsulator::skipRestOfLine() {
  for (int c = get(); c != kEnd && c != '\n'; c = get()) {
  }
}

void WorkbenchLogPacketEncapsulator::fail(const char* what) const {
  throw TextError(std::string("Error, ") + what + " in file " + _fileName + " at line " + std::to_string(_line));
}

bool WorkbenchLogPacketEncapsulator::readPacket(std::vector<uint8_t>& packet) {
  packet.clear();
  // Lines without a byte (a line number alone, say) are no packets.
  while (packet.empty()) {
    skipWhitespace();
    if (_file.peek() == kEnd) {
      _exhausted = true;
      return false;
    }
    readLine(packet);
  }
  // The iteration ends with the file's last packet.
  skipWhitespace();
  if (_file.peek() == kEnd) {
    _exhausted = true;
  } else {
    ++_sizesPerIteration;
  }
  return true;
}

void WorkbenchLogPacketEncapsulator::readLine(std::vector<uint8_t>& packet) {
  if (_skipLineNumbers) {
    // The line number token and the one character after it (a colon or a space).
    while (_file.peek() != kEnd && !isBlank(_file.peek()) && !isLineEnd(_file.peek())) get();
    if (_file.peek() != kEnd && !isLineEnd(_file.peek())) get();
  }
  while (true) {
    const int c = get();
    if (c == kEnd || c == '\n') return;
    if (c == '\r') {
      skipRestOfLine();
      return;
    }
    if (isBlank(c)) continue;
    const int low = _file.peek();
    const int high = hexDigitValue(static_cast<char>(c));
    const int lowValue = low == kEnd ? -1 : hexDigitValue(static_cast<char>(low));
    if (high < 0 || lowValue < 0) fail("a byte is not two hex digits");
    get();
    if (packet.size() >= kMaxPacketSize) fail("packet too long");
    packet.push_back(static_cast<uint8_t>(high * 16 + lowValue));
  }
}

FileDataGenerator::FileDataGenerator(EncapsulatorChain chain) : DataGenerator(std::move(chain)) {
  _log = dynamic_cast<WorkbenchLogPacketEncapsulator*>(&payload());
  if (_log == nullptr) throw TextError("First protocol is not a payload.");
}

GeneratedFrameList FileDataGenerator::generate(int32_t callerValue) {
  if (isDone()) return {};
  std::vector<uint8_t> packet;
  if (!_log->readPacket(packet)) {
    // A file without a single packet: nothing to send, ever.
    if (_log->indexInIteration() == 0) {
      _log->setFinished(true);
      return {};
    }
    // Lines without bytes after the last packet ended the iteration early.
    _log->nextIteration();
    if (isDone()) return {};
    if (!_log->readPacket(packet)) {
      _log->setFinished(true);
      return {};
    }
  }
  FrameOrigin origin;
  origin.datalinkKind = ProtocolKind::Generic;
  origin.streamIndex = _log->streamIndex();
  origin.callerValue = callerValue;
  origin.fragmentPayloadLength = static_cast<int32_t>(packet.size());
  GeneratedFrameList frames;
  frames.emplace_back(enFrameNew, std::move(packet), origin, nullptr, 0);
  _log->advance();
  return frames;
}

}  // namespace corvel
