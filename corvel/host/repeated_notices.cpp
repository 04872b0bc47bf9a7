#include "corvel/host/repeated_notices.h"

#include "corvel/base/print_utility.h"

namespace corvel {

bool RepeatedNotices::repeated(const void* key, NoticeKind kind, int32_t state) noexcept {
  for (Entry& entry : _entries) {
    if (entry.key == key && entry.kind == kind && entry.state == state) {
      ++entry.repeats;
      return true;
    }
  }
  return false;
}

void RepeatedNotices::add(const void* key, NoticeKind kind, int32_t state, std::string text) {
  _entries.push_back({key, kind, state, 0, std::move(text)});
}

void RepeatedNotices::printRepeats(const PrintUtility& printer) {
  for (const Entry& entry : _entries) {
    if (entry.repeats == 0) continue;
    printer.print("%s ... repeated %s %s\n", entry.text.c_str(), groupedNumber(entry.repeats).c_str(),
                  entry.repeats == 1 ? "time" : "times");
  }
  _entries.clear();
}

std::string groupedNumber(uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  grouped.reserve(digits.size() + digits.size() / 3);
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace corvel
