// An append-only text log that stays open for the whole run. The file is
// created (or emptied) when the log is opened; every record is written with
// one call and flushed at once, so the file is complete at every record
// boundary without opening and closing it per line.
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

  // Writes one whole record and flushes it. Ignored while closed.
  void write(std::string_view record) noexcept;
  // printf-style record.
  void printf(const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));

  // Byte-wise writing for records built piece by piece (a frame's bytes);
  // endRecord flushes.
  void put(std::string_view text) noexcept;
  void endRecord() noexcept;

 private:
  std::FILE* _file = nullptr;
  std::string _fileName;
};

// Lower-case hexadecimal pairs, no separators.
void appendHex(std::string& out, const uint8_t* data, size_t size);

// directory + tag + "Dev" + device + "Port" + port + ".txt"; the directory
// is used as given (no separator is inserted).
std::string portLogFileName(std::string_view directory, std::string_view tag, int device, int port);

}  // namespace corvel
