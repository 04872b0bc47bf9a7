#include "command_log.h"

#include <cerrno>
#include <cstring>

#include "pyx/simhost_api.h"

namespace pyxsim {

namespace {

void sink(void* context, const char* line) { static_cast<CommandLog*>(context)->record(line); }

}  // namespace

CommandLog::CommandLog(const std::string& path) : path_(path) {
  file_.reset(std::fopen(path.c_str(), "w"));
  if (!file_) error_ = std::strerror(errno);
}

CommandLog::~CommandLog() { detach(); }

void CommandLog::attach() {
  simhost_set_command_sink(&sink, this);
  attached_ = true;
}

void CommandLog::detach() {
  if (attached_) simhost_set_command_sink(nullptr, nullptr);
  attached_ = false;
}

void CommandLog::record(const char* line) {
  ++count_;
  if (!file_) return;
  buffer_.assign(line ? line : "");
  for (char& c : buffer_)
    if (c == '\n' || c == '\r') c = ' ';
  buffer_.push_back('\n');
  std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get());
  std::fflush(file_.get());
}

}  // namespace pyxsim
