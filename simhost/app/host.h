// The stand-in simulator host: the loaded plug-ins, the ports registered with
// them, the processor stand-in's settings, the cycle counter, the pcap capture
// and the table-write log. Each operation is one console command of the host;
// failures are thrown as CommandError.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "command_log.h"
#include "cycle_loop.h"
#include "host_port.h"
#include "pcap_injection.h"
#include "plugin.h"
#include "plugin_report.h"

namespace pyxsim {

struct HostSettings {
  std::string commandLogPath = "host_commands.log";
  RunLimits limits;
  bool progress = false;  // show the cycle count on stderr while running
  bool quiet = false;     // ask plug-ins to keep their trace lines to themselves
};

// An open-ended run that stopped at the cycle limit with traffic still due.
struct CapStop {
  uint64_t cycle = 0;               // where it stopped
  uint64_t injectedRecordsLeft = 0;  // records of injected files not yet sent
};

class Host {
 public:
  explicit Host(HostSettings settings = {});
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Loads the library (or takes the one already loaded from that file),
  // initialises it and makes it the plug-in that new ports belong to.
  void loadPlugin(const std::string& path);
  // Registers a port with the current plug-in at once.
  void addPort(Direction direction, uint32_t device, uint32_t port, uint32_t rate,
               uint32_t interpacketTime, uint32_t frequency);
  void forward(uint32_t rxDevice, uint32_t rxPort, uint32_t txDevice, uint32_t txPort);
  void drop(uint32_t rxDevice, uint32_t rxPort);
  // Impairs the frames a receive port forwards from now on; settings that do
  // nothing switch the impairment off.
  void impair(uint32_t rxDevice, uint32_t rxPort, const ImpairmentSettings& settings);
  // Hands the records of a pcap file to a transmit port from the next run on,
  // timed from the current cycle.
  void inject(uint32_t device, uint32_t port, const std::string& path, bool appendFcs, InjectPace pace = {});
  void setLatency(uint64_t cycles) { latency_ = cycles; }
  // Writes one pcap file per port into `directory` from the next run on.
  void setCapture(const std::string& directory, std::optional<int> linkType);
  void setLinkType(uint32_t device, uint32_t port, int linkType);
  void setIdleCycles(uint64_t cycles) { settings_.limits.idleCycles = cycles; }
  void setMaxCycles(uint64_t cycles) {
    settings_.limits.maxCycles = cycles;
    settings_.limits.maxCyclesGiven = true;
  }
  RunResult run(std::optional<uint64_t> count);
  // Closes the ports through the plug-ins and prints the summary.
  void close();
  // End of input: closes what is still open.
  void finish();
  void requestQuit() { quit_ = true; }
  // A plug-in console command was run: the plug-in has something to close.
  void notePluginActivity() { needsClose_ = true; }

  bool quitRequested() const { return quit_; }
  uint64_t cycle() const { return cycle_; }
  uint64_t latency() const { return latency_; }
  uint64_t executedCommands() const { return commandLog_ ? commandLog_->count() : 0; }
  const RunLimits& limits() const { return settings_.limits; }
  // The run reports the plug-ins gave at their teardowns, in that order.
  const std::vector<PluginReport>& reports() const { return reports_; }
  const std::vector<CapStop>& capStops() const { return capStops_; }
  const std::vector<std::unique_ptr<HostPort>>& ports() const { return ports_; }
  HostPort* findPort(Direction direction, uint32_t device, uint32_t port) const;
  // The counters of every port added up.
  PortCounters totals() const;
  std::string summary() const;

 private:
  void closePlugin(Plugin& plugin, std::string& failure);
  // Takes the plug-in's run report when it is one not taken before.
  void collectReport(const Plugin& plugin);
  void resolveRoutes();
  void startCaptures();
  // Drops the injections that have finished; answers the first read error.
  std::string retireInjections();
  int linkTypeFor(const HostPort& port) const;

  HostSettings settings_;
  std::vector<std::unique_ptr<Plugin>> plugins_;  // load order; outlive the ports
  Plugin* current_ = nullptr;
  std::vector<std::unique_ptr<HostPort>> ports_;  // registration order
  std::vector<std::unique_ptr<PcapInjection>> injections_;  // command order; unfinished
  std::unique_ptr<CommandLog> commandLog_;
  uint64_t cycle_ = 0;
  uint64_t latency_ = 0;
  bool capturing_ = false;
  std::string captureDirectory_;
  int defaultLinkType_ = PcapWriter::kEthernet;
  std::map<std::pair<uint32_t, uint32_t>, int> linkTypes_;
  std::vector<PluginReport> reports_;
  std::map<const Plugin*, uint64_t> lastReportRun_;
  std::vector<CapStop> capStops_;
  bool needsClose_ = false;
  bool quit_ = false;
};

}  // namespace pyxsim
