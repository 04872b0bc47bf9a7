// An append-only text log that stays open for the whole run. The file is
// created (or emptied) when the log is opened; every record is written with
// one call, and the records are flushed to the file at most a tenth of a
// second after they are written (the first record at once, all of them when
// the log closes): a log written once per PDU costs no system call per PDU,
// and the file on disk is never more than a moment behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace corvel {

class LogFile {
 public:
  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Creates or empties the file. False (and the log stays closed) when it
  // cannot be created.
  bool open(const std::string& fileName);
  void close() noexcept;
  bool isOpen() const noexcept { return _file != nullptr; }
  const std::string& fileName() const noexcept { return _fileName; }

  // Writes one whole record; flushed when due. Ignored while closed.
  void write(std::string_view record) noexcept;
  // printf-style record.
  void printf(const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));

  // Byte-wise writing for records built piece by piece (a frame's bytes);
  // endRecord flushes when due.
  void put(std::string_view text) noexcept;
  void endRecord() noexcept;

 private:
  static constexpr size_t kBufferBytes = 64 * 1024;
  static constexpr int64_t kFlushIntervalMs = 100;
  void flushWhenDue() noexcept;

  std::FILE* _file = nullptr;
  int64_t _lastFlush = 0;  // coarse milliseconds of the last flush
  std::string _fileName;
};

// Lower-case hexadecimal pairs, no separators.
void appendHex(std::string& out, const uint8_t* data, size_t size);

// directory + tag + "Dev" + device + "Port" + port + ".txt"; the directory
// is used as given (no separator is inserted).
std::string portLogFileName(std::string_view directory, std::string_view tag, int device, int port);

}  // namespace corvel
