// Console notices of the byte paths that would repeat on every byte call
// ("not in running state", "additional byte requests will be ignored"): each
// prints once per port, kind and controller state, the later ones are only
// counted, and the counts are printed once when the run is torn down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvel {

class PrintUtility;

enum class NoticeKind { NotRunningReceive, NotRunningTransmit, ReceiveIgnored, TransmitIgnored };

class RepeatedNotices {
 public:
  // True when this notice was noted before for the key (a port record) and
  // state; the repeat is counted. No allocation on a repeat.
  bool repeated(const void* key, NoticeKind kind, int32_t state) noexcept;
  // The first notice for the key, kind and state, with the console line it
  // printed (without its line end).
  void add(const void* key, NoticeKind kind, int32_t state, std::string text);
  // "<line> ... repeated 99,999 times" for every notice that repeated, in the
  // order they first appeared; then forgets them.
  void printRepeats(const PrintUtility& printer);

 private:
  struct Entry {
    const void* key;
    NoticeKind kind;
    int32_t state;
    uint64_t repeats;
    std::string text;
  };
  std::vector<Entry> _entries;
};

// 1234567 as "1,234,567".
std::string groupedNumber(uint64_t value);

}  // namespace corvel
