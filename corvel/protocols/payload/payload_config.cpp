#include "corvel/protocols/payload/payload_config.h"

#include <algorithm>

#include "corvel/base/random.h"
#include "corvel/base/text_error.h"

namespace corvel {

PayloadConfig::PayloadConfig(PayloadKind payloadKind, bool isDatalink)
    : ProtocolConfig(ProtocolKind::Payload, isDatalink), _payloadKind(payloadKind) {}

bool PayloadConfig::acceptsInner(const ProtocolConfig&) const { return false; }

bool isPlainPayload(const ProtocolConfig& config) {
  if (config.kind() != ProtocolKind::Payload) return false;
  const auto* payload = dynamic_cast<const PayloadConfig*>(&config);
  return payload != nullptr && payload->payloadKind() != PayloadKind::ContextState;
}

namespace {

// Iteration rule shared by the fixed and workbench-log payloads.
void checkIterations(int32_t iterations) {
  if (iterations == 0) throw TextError("Infinite iterations are not supported at this time.");
  if (iterations < 0) throw TextError("Error, iterations must be greater or equal to 1");
}

// Parses "64,128,1500". An empty text or an empty field counts as a size of 0.
std::vector<int32_t> parseSizes(std::string_view text, EmptyPayload empty) {
  const int64_t smallest = empty == EmptyPayload::Allowed ? 0 : 1;
  for (char c : text) {
    if ((c < '0' || c > '9') && c != ',') {
      throw TextError("String contains chars other than digits and commas.");
    }
  }
  std::vector<int32_t> sizes;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string_view field =
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    int64_t value = 0;
    for (char c : field) {
      value = value * 10 + (c - '0');
      if (value > kMaxPayloadSize) break;  // already too large; stop before overflowing
    }
    if (value < smallest) throw TextError("Fixed payload size must be greater than 0");
    if (value > kMaxPayloadSize) throw TextError("Fixed payload size must be at most 2K(2048 bytes)");
    sizes.push_back(static_cast<int32_t>(value));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return sizes;
}

}  // namespace

// ---- fixed ----

FixedPayloadConfig::FixedPayloadConfig(std::string_view sizes, int32_t iterations, EmptyPayload empty)
    : PayloadConfig(PayloadKind::Fixed) {
  setSizes(sizes, empty);
  setIterations(iterations);
}

std::unique_ptr<ProtocolConfig> FixedPayloadConfig::clone() const {
  return std::make_unique<FixedPayloadConfig>(*this);
}

void FixedPayloadConfig::recount() { _sizesPerIteration = static_cast<int32_t>(_sizes.size()); }

void FixedPayloadConfig::setSizes(std::string_view sizes, EmptyPayload empty) {
  _sizes = parseSizes(sizes, empty);
  _allowsEmpty = std::find(_sizes.begin(), _sizes.end(), 0) != _sizes.end();
  _startSize = _sizes.front();
  _endSize = _sizes.front();
  recount();
}

void FixedPayloadConfig::setIterations(int32_t iterations) {
  checkIterations(iterations);
  _iterations = iterations;
}

// ---- increment ----

IncrementPayloadConfig::IncrementPayloadConfig(int32_t startSize, int32_t endSize, int32_t increment,
                                               int32_t iterations)
    : PayloadConfig(PayloadKind::Increment) {
  if (increment == 0) throw TextError("IncrementFactor cannot be equal to zero");
  // The direction and both ends are known before the setters check them
  // against each other.
  _increment = increment;
  _startSize = startSize;
  _endSize = endSize;
  setStartSize(startSize);
  setEndSize(endSize);
  setIncrement(increment);
  setIterations(iterations);
}

std::unique_ptr<ProtocolConfig> IncrementPayloadConfig::clone() const {
  return std::make_unique<IncrementPayloadConfig>(*this);
}

void IncrementPayloadConfig::recount() {
  _sizesPerIteration = (_endSize - _startSize) / _increment + 1;
}

void IncrementPayloadConfig::setStartSize(int32_t size) {
  if (size < 1) throw TextError("Starting payload size must be greater than 0");
  if (size > kMaxPayloadSize) throw TextError("Starting payload size must be at most 2K(2048 bytes)");
  if (_increment > 0 && size > _endSize) {
    throw TextError("Increment:Starting payload size cannot be greater than the ending payload size");
  }
  if (_increment < 0 && size < _endSize) {
    throw TextError("Decrement:Starting payload size cannot be less than the ending payload size.");
  }
  _startSize = size;
  recount();
}

void IncrementPayloadConfig::setEndSize(int32_t size) {
  if (size < 1) throw TextError("Ending payload size must be greater than 0");
  if (size > kMaxPayloadSize) throw TextError("Ending payload size must be at most 2K(2048 bytes)");
  if (_increment > 0 && _startSize > size) {
    throw TextError("Starting payload size cannot be greater than the ending payload size");
  }
  if (_increment < 0 && size > _startSize) {
    throw TextError("Ending payload size cannot be greater than the starting payload size.");
  }
  _endSize = size;
  recount();
}

void IncrementPayloadConfig::setIncrement(int32_t increment) {
  if (increment == 0) throw TextError("Error, increment factor must be greater or less than zero.");
  // A step against the direction from start to end would give no sizes at all.
  if (increment > 0 && _startSize > _endSize) {
    throw TextError("Increment:Starting payload size cannot be greater than the ending payload size");
  }
  if (increment < 0 && _startSize < _endSize) {
    throw TextError("Decrement:Starting payload size cannot be less than the ending payload size.");
  }
  _increment = increment;
  recount();
}

void IncrementPayloadConfig::setIterations(int32_t iterations) {
  if (iterations == 0) throw TextError("Infinite iterations are not supported at this time.");
  if (iterations < 0) throw TextError("Error, iterations must be greater or equal to 1");
  _iterations = iterations;
}

// ---- random ----

RandomPayloadConfig::RandomPayloadConfig(int32_t minSize, int32_t maxSize, int32_t iterations)
    : PayloadConfig(PayloadKind::Random) {
  _startSize = minSize;
  _endSize = maxSize;
  setMinSize(minSize);
  setMaxSize(maxSize);
  setIterations(iterations);
}

std::unique_ptr<ProtocolConfig> RandomPayloadConfig::clone() const {
  return std::make_unique<RandomPayloadConfig>(*this);
}

void RandomPayloadConfig::recount() { _sizesPerIteration = _iterations; }

void RandomPayloadConfig::setMinSize(int32_t size) {
  if (size < 1) throw TextError("Min payload size must be greater than 0");
  if (size > _endSize) throw TextError("Min size payload cannot be greater than the max payload size");
  _startSize = size;
  recount();
}

void RandomPayloadConfig::setMaxSize(int32_t size) {
  if (size < 1) throw TextError("Max payload size must be greater than 0");
  if (size > kMaxPayloadSize) throw TextError("Max payload size must be at most 2K(2048 bytes)");
  if (size < _startSize) throw TextError("Min size payload cannot be greater than the max payload size");
  _endSize = size;
  recount();
}

void RandomPayloadConfig::setIterations(int32_t iterations) {
  if (iterations == 0) throw TextError("Infiniate iterations are not supported at this time.");
  if (iterations < 0) throw TextError("Error, iterations must be greater or equal to 1");
  _iterations = iterations;
  recount();
}

// Always takes one value of the sequence, also when minimum and maximum are
// equal, so that every random PDU advances the sequence by exactly one.
int32_t RandomPayloadConfig::drawSize() const {
  return _startSize + Random::next() % (_endSize - _startSize + 1);
}

// ---- workbench log ----

WorkbenchLogPayloadConfig::WorkbenchLogPayloadConfig(std::string_view fileName, bool skipFirstLine,
                                                     bool skipLineNumbers, int32_t iterations)
    : PayloadConfig(PayloadKind::WorkbenchLog),
      _skipFirstLine(skipFirstLine),
      _skipLineNumbers(skipLineNumbers) {
  if (fileName.empty()) throw TextError("No filename specification");
  _fileName = std::string(fileName);
  setIterations(iterations);
  recount();
}

std::unique_ptr<ProtocolConfig> WorkbenchLogPayloadConfig::clone() const {
  return std::make_unique<WorkbenchLogPayloadConfig>(*this);
}

// The reader counts the file's packets as it goes; one per iteration to start.
void WorkbenchLogPayloadConfig::recount() { _sizesPerIteration = 1; }

void WorkbenchLogPayloadConfig::setIterations(int32_t iterations) {
  checkIterations(iterations);
  _iterations = iterations;
}

}  // namespace corvel
