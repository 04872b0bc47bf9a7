#include "corvel/template/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace corvel {
namespace {

constexpr int kNameAttempts = 100;

bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

OutputFile::OutputFile(std::string path) : _path(std::move(path)) {}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() noexcept {
  if (!_temporary.empty()) ::unlink(_temporary.c_str());
  _temporary.clear();
}

bool OutputFile::write(std::string_view text, std::string& error) {
  discard();
  // A fresh name, created exclusively, with the usual permissions (the
  // process's umask applies, unlike with mkstemp's 0600).
  int fd = -1;
  std::string name;
  for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    name = _path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(attempt);
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  _temporary = name;
  const bool written = writeAll(fd, text);
  const int writeErrno = errno;
  if (::close(fd) != 0 || !written) {
    error = std::strerror(written ? errno : writeErrno);
    discard();
    return false;
  }
  return true;
}

OutputFile::Commit OutputFile::commit(bool replace, std::string& error) {
  if (_temporary.empty()) {
    error = "nothing written";
    return Commit::kFailed;
  }
  if (replace) {
    if (::rename(_temporary.c_str(), _path.c_str()) != 0) {
      error = std::strerror(errno);
      return Commit::kFailed;
    }
    _temporary.clear();
    return Commit::kDone;
  }
  // link() never replaces: an existing target fails it with EEXIST.
  if (::link(_temporary.c_str(), _path.c_str()) == 0) {
    discard();
    return Commit::kDone;
  }
  if (errno == EEXIST) return Commit::kExists;
  if (errno != EPERM && errno != ENOTSUP && errno != EMLINK) {
    error = std::strerror(errno);
    return Commit::kFailed;
  }
  // A file system without hard links: check, then rename.
  if (pathExists(_path)) return Commit::kExists;
  return commit(true, error);
}

bool writeWholeFile(const std::string& path, std::string_view text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat info {};
  const bool written = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && writeAll(fd, text);
  return ::close(fd) == 0 && written;
}

bool pathExists(const std::string& path) noexcept {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::string joinPath(const std::string& directory, const std::string& name) {
  if (directory.empty() || directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

}  // namespace corvel
