#include "cellgen/file_access.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace cellgen {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Drops the "\r" of a "\r\n" line end.
void dropCarriageReturn(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

class StdioLineSource final : public LineSource {
 public:
  StdioLineSource(FilePtr file, std::size_t maxLength) : _file(std::move(file)), _max(maxLength) {}

  Status next(std::string& line) override {
    line.clear();
    if (_done) return Status::end;
    // One character of room for the "\r" of a "\r\n" line end.
    const std::size_t room = _max + 1;
    for (;;) {
      const int c = std::getc(_file.get());
      if (c == EOF) {
        _done = true;
        if (std::ferror(_file.get())) return Status::readError;
        if (line.empty()) return Status::end;
        break;
      }
      if (c == '\n') break;
      if (line.size() == room) {
        _done = true;
        return Status::tooLong;
      }
      line.push_back(static_cast<char>(c));
    }
    dropCarriageReturn(line);
    if (line.size() > _max) {
      _done = true;
      return Status::tooLong;
    }
    return Status::line;
  }

 private:
  FilePtr _file;
  std::size_t _max;
  bool _done = false;
};

class MemoryLineSource final : public LineSource {
 public:
  MemoryLineSource(const std::string& text, std::size_t maxLength) : _text(text), _max(maxLength) {}

  Status next(std::string& line) override {
    line.clear();
    if (_done || _pos >= _text.size()) return Status::end;
    std::size_t end = _text.find('\n', _pos);
    const std::size_t stop = end == std::string::npos ? _text.size() : end;
    line.assign(_text, _pos, stop - _pos);
    _pos = stop + 1;
    dropCarriageReturn(line);
    if (line.size() > _max) {
      _done = true;
      line.clear();
      return Status::tooLong;
    }
    return Status::line;
  }

 private:
  const std::string& _text;
  std::size_t _max;
  std::size_t _pos = 0;
  bool _done = false;
};

}  // namespace

std::unique_ptr<LineSource> StdioFileAccess::openLines(const std::string& name,
                                                      std::size_t maxLength) {
  FilePtr file(std::fopen(name.c_str(), "r"));
  if (!file) return nullptr;
  // A directory opens on some systems but cannot be read as lines.
  struct stat info {};
  if (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return nullptr;
  }
  return std::make_unique<StdioLineSource>(std::move(file), maxLength);
}

bool StdioFileAccess::createEmpty(const std::string& name) {
  FilePtr file(std::fopen(name.c_str(), "w"));
  return file != nullptr;
}

void MemoryFileAccess::put(const std::string& name, std::string content) {
  _files[name] = std::move(content);
}

std::unique_ptr<LineSource> MemoryFileAccess::openLines(const std::string& name,
                                                       std::size_t maxLength) {
  auto found = _files.find(name);
  if (found == _files.end()) return nullptr;
  return std::make_unique<MemoryLineSource>(found->second, maxLength);
}

bool MemoryFileAccess::createEmpty(const std::string& name) {
  if (_files.count(name)) return false;  // never overwrite an input
  _created.insert(name);
  return true;
}

}  // namespace cellgen
