#include "corvel/base/log_file.h"

#include <cstdarg>
#include <cstdint>

namespace corvel {

LogFile::~LogFile() { close(); }

bool LogFile::open(const std::string& fileName) {
  close();
  _fileName = fileName;
  _file = std::fopen(fileName.c_str(), "w");
  return _file != nullptr;
}

void LogFile::close() noexcept {
  if (_file) std::fclose(_file);
  _file = nullptr;
}

void LogFile::write(std::string_view record) noexcept {
  if (!_file) return;
  std::fwrite(record.data(), 1, record.size(), _file);
  std::fflush(_file);
}

void LogFile::printf(const char* format, ...) noexcept {
  if (!_file) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(_file, format, args);
  va_end(args);
  std::fflush(_file);
}

void LogFile::put(std::string_view text) noexcept {
  if (_file) std::fwrite(text.data(), 1, text.size(), _file);
}

void LogFile::endRecord() noexcept {
  if (_file) std::fflush(_file);
}

void appendHex(std::string& out, const uint8_t* data, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const size_t at = out.size();
  out.resize(at + 2 * size);
  char* digit = out.data() + at;
  for (size_t i = 0; i < size; ++i) {
    *digit++ = kDigits[data[i] >> 4];
    *digit++ = kDigits[data[i] & 0x0f];
  }
}

std::string portLogFileName(std::string_view directory, std::string_view tag, int device, int port) {
  std::string name(directory);
  name.append(tag).append("Dev").append(std::to_string(device)).append("Port").append(std::to_string(port));
  name.append(".txt");
  return name;
}

}  // namespace corvel
