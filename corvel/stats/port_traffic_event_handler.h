// The base of every statistic: an observer of one port that writes its log
// lines to directory + tag + "Dev<d>Port<p>.txt". Without a directory (or when
// the file cannot be created) the statistic ignores every event.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "corvel/base/log_file.h"
#include "corvel/stats/observable.h"
#include "corvel/stats/port_identity.h"

namespace corvel {

struct RunRecords;

class PortTrafficEventHandler : public Observer {
 public:
  PortTrafficEventHandler(const PortIdentity& port, RunRecords* runRecords, const char* directory,
                          std::string_view tag);
  ~PortTrafficEventHandler() override;

  int32_t direction() const noexcept { return _direction; }
  int32_t device() const noexcept { return _device; }
  int32_t port() const noexcept { return _port; }
  bool hasFile() const noexcept { return _log.isOpen(); }
  const std::string& fileName() const noexcept { return _log.fileName(); }
  // The log directory as the configuration gave it (empty without one).
  const std::string& directory() const noexcept { return _directory; }
  // What the ports of the run share; null without.
  RunRecords* runRecords() const noexcept { return _runRecords; }

  // Writes the summary lines of the statistic, once; nothing without a file.
  virtual void writeSummary() {}

 protected:
  LogFile& log() noexcept { return _log; }

 private:
  LogFile _log;
  std::string _directory;
  RunRecords* _runRecords;
  int32_t _direction;
  int32_t _device;
  int32_t _port;
};

}  // namespace corvel
