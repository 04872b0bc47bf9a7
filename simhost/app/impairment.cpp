#include "impairment.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "command_error.h"

namespace pyxsim {

namespace {

double probability(const std::string& name, const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const double p = text.empty() ? -1.0 : std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(p) || p < 0.0 || p > 1.0)
    throw CommandError(name + " needs a probability from 0 to 1, got \"" + text + "\"");
  return p;
}

uint64_t count(const std::string& name, const std::string& text) {
  errno = 0;
  char* end = nullptr;
  // Decimal or 0x hexadecimal, as the script's integers (no octal, no sign).
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const bool digits = !text.empty() && std::isxdigit(static_cast<unsigned char>(text[hex ? 2 : 0]));
  const unsigned long long n = digits ? std::strtoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10) : 0;
  if (!digits || *end != '\0' || errno != 0 || n > static_cast<unsigned long long>(INT64_MAX / 2))
    throw CommandError(name + " needs a whole number, got \"" + text + "\"");
  return n;
}

std::string decimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

std::string ImpairmentSettings::text() const {
  std::string out;
  auto add = [&out](const char* name, double p) {
    if (p > 0.0) out += std::string(out.empty() ? "" : " ") + name + " " + decimal(p);
  };
  add("loss", loss);
  add("duplicate", duplicate);
  add("reorder", reorder);
  add("corrupt", corrupt);
  if (delayMaxCycles > 0)
    out += (out.empty() ? "delay " : " delay ") + std::to_string(delayMinCycles) + " " + std::to_string(delayMaxCycles);
  return out + (out.empty() ? "seed " : " seed ") + std::to_string(seed);
}

ImpairmentCounts& ImpairmentCounts::operator+=(const ImpairmentCounts& other) {
  lost += other.lost;
  duplicated += other.duplicated;
  reordered += other.reordered;
  corrupted += other.corrupted;
  return *this;
}

Impairment::Impairment(const ImpairmentSettings& settings) : settings_(settings), state_(settings.seed) {}

// SplitMix64 (Steele, Lea, Flood 2014): a fixed, portable sequence for any
// seed.
uint64_t Impairment::draw() {
  uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

double Impairment::unit() { return static_cast<double>(draw() >> 11) * 0x1.0p-53; }

uint64_t Impairment::below(uint64_t bound) { return draw() % bound; }

FrameFate Impairment::next(size_t length) {
  FrameFate fate;
  fate.lose = unit() < settings_.loss;
  fate.duplicate = unit() < settings_.duplicate;
  fate.reorder = unit() < settings_.reorder;
  fate.corrupt = unit() < settings_.corrupt;
  const uint64_t bit = below(static_cast<uint64_t>(length == 0 ? 1 : length) * 8);
  fate.corruptByte = static_cast<size_t>(bit / 8);
  fate.corruptMask = static_cast<uint8_t>(1u << (bit % 8));
  const uint64_t span = settings_.delayMaxCycles - settings_.delayMinCycles + 1;
  fate.delayCycles = settings_.delayMinCycles + below(span);
  return fate;
}

ImpairmentSettings parseImpairment(const std::vector<std::string>& words) {
  ImpairmentSettings settings;
  std::vector<std::string> seen;
  for (size_t i = 0; i < words.size();) {
    const std::string& word = words[i];
    for (const std::string& done : seen)
      if (done == word) throw CommandError(word + " is given twice");
    const size_t needed = word == "delay" ? 2 : 1;
    const bool known = word == "loss" || word == "duplicate" || word == "reorder" || word == "corrupt" ||
                       word == "delay" || word == "seed";
    if (!known)
      throw CommandError("unknown impairment \"" + word + "\" (loss, duplicate, reorder, corrupt, delay or seed)");
    if (i + needed >= words.size()) throw CommandError(word + (needed == 2 ? " needs MIN and MAX" : " needs a value"));
    const std::string& value = words[i + 1];
    if (word == "loss") settings.loss = probability(word, value);
    if (word == "duplicate") settings.duplicate = probability(word, value);
    if (word == "reorder") settings.reorder = probability(word, value);
    if (word == "corrupt") settings.corrupt = probability(word, value);
    if (word == "seed") settings.seed = count(word, value);
    if (word == "delay") {
      settings.delayMinCycles = count("delay MIN", value);
      settings.delayMaxCycles = count("delay MAX", words[i + 2]);
      if (settings.delayMinCycles > settings.delayMaxCycles)
        throw CommandError("delay MIN " + value + " is above MAX " + words[i + 2]);
    }
    seen.push_back(word);
    i += needed + 1;
  }
  return settings;
}

}  // namespace pyxsim
