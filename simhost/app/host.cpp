#include "host.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "command_error.h"
#include "pyx/simhost_api.h"
#include "pyx/tolk.h"

namespace pyxsim {

namespace {

const char* directionWord(Direction d) { return d == Direction::Receive ? "rx" : "tx"; }

// Plug-ins catch their own exceptions; one that escapes anyway becomes a
// failed command instead of ending the host.
template <typename Call>
void callPlugin(const Plugin& plugin, const char* entry, Call call) {
  try {
    call();
  } catch (...) {
    throw CommandError("plug-in " + plugin.path() + " let an exception escape from " + entry);
  }
}

void say(const std::string& text) { TOLK_printf("pyxsim> %s\n", text.c_str()); }

// The cycle count on stderr, a few times a second at most.
CycleLoop::Progress progressDisplay() {
  using Clock = std::chrono::steady_clock;
  return [last = Clock::now()](uint64_t cycle) mutable {
    const Clock::time_point now = Clock::now();
    if (now - last < std::chrono::milliseconds(250)) return;
    last = now;
    std::fprintf(stderr, "\rpyxsim: cycle %" PRIu64 " ", cycle);
    std::fflush(stderr);
  };
}

}  // namespace

Host::Host(HostSettings settings) : settings_(std::move(settings)) {}

Host::~Host() {
  if (commandLog_) commandLog_->detach();
  injections_.clear();
  ports_.clear();
  // The registered handlers live in the plug-ins about to be unloaded.
  simhost_clear_commands();
  plugins_.clear();
}

void Host::loadPlugin(const std::string& path) {
  auto loaded = std::make_unique<Plugin>(path);
  Plugin* plugin = nullptr;
  for (auto& existing : plugins_) {
    if (existing->sameLibrary(*loaded)) plugin = existing.get();
  }
  if (plugin) {
    loaded.reset();  // drops the second reference; the library stays loaded
    say("plug-in " + path + " is already loaded; initialising it again");
  } else {
    plugin = loaded.get();
    plugins_.push_back(std::move(loaded));
    if (settings_.quiet) plugin->quieten();
  }
  if (!commandLog_) {
    commandLog_ = std::make_unique<CommandLog>(settings_.commandLogPath);
    if (!commandLog_->error().empty())
      say("cannot write " + settings_.commandLogPath + " (" + commandLog_->error() +
          "); host commands are only counted");
    commandLog_->attach();
  }
  current_ = plugin;
  needsClose_ = true;
  callPlugin(*plugin, "Initialize", [plugin] { plugin->initialise(); });
}

HostPort* Host::findPort(Direction direction, uint32_t device, uint32_t port) const {
  for (const auto& p : ports_)
    if (p->direction == direction && p->device == device && p->port == port) return p.get();
  return nullptr;
}

void Host::addPort(Direction direction, uint32_t device, uint32_t port, uint32_t rate,
                   uint32_t interpacketTime, uint32_t frequency) {
  if (!current_) throw CommandError("no plug-in loaded (use -p PATH or the plugin command first)");
  if (frequency == 0) throw CommandError("the bus clock frequency must be at least 1 MHz");
  HostPort* entry = findPort(direction, device, port);
  if (entry && entry->open)
    throw CommandError(std::string(directionWord(direction)) + " port " + entry->name() + " is already declared");
  if (!entry) {
    ports_.push_back(std::make_unique<HostPort>());
    entry = ports_.back().get();
    entry->direction = direction;
    entry->device = device;
    entry->port = port;
  }
  // A closed port declared again starts afresh with a new handle; its
  // counters and capture file go on.
  entry->block[0] = rate;
  entry->block[1] = interpacketTime;
  entry->block[2] = frequency;
  entry->plugin = current_;
  entry->handle = nullptr;
  entry->silentUntil = 0;
  entry->inFrame = false;
  entry->frameTarget = nullptr;
  entry->source = nullptr;
  entry->pending.clear();
  entry->impairedFrame.clear();
  entry->held.clear();
  const PluginEntryPoints& ep = current_->entry();
  PyxInitializePortFn init = direction == Direction::Receive ? ep.InitializeRxPort : ep.InitializeTxPort;
  needsClose_ = true;
  callPlugin(*current_, direction == Direction::Receive ? "InitializeRxPort" : "InitializeTxPort",
             [&] { init(0, device, port, entry->block, &entry->handle); });
  entry->open = true;
}

void Host::forward(uint32_t rxDevice, uint32_t rxPort, uint32_t txDevice, uint32_t txPort) {
  HostPort* rx = findPort(Direction::Receive, rxDevice, rxPort);
  if (!rx) throw CommandError("no rx port " + std::to_string(rxDevice) + "/" + std::to_string(rxPort) + " is declared");
  if (!findPort(Direction::Transmit, txDevice, txPort))
    throw CommandError("no tx port " + std::to_string(txDevice) + "/" + std::to_string(txPort) + " is declared");
  rx->route = {Route::Kind::Forward, txDevice, txPort};
}

void Host::drop(uint32_t rxDevice, uint32_t rxPort) {
  HostPort* rx = findPort(Direction::Receive, rxDevice, rxPort);
  if (!rx) throw CommandError("no rx port " + std::to_string(rxDevice) + "/" + std::to_string(rxPort) + " is declared");
  rx->route = {Route::Kind::Drop, 0, 0};
}

void Host::impair(uint32_t rxDevice, uint32_t rxPort, const ImpairmentSettings& settings) {
  HostPort* rx = findPort(Direction::Receive, rxDevice, rxPort);
  const std::string name = std::to_string(rxDevice) + "/" + std::to_string(rxPort);
  if (!rx) throw CommandError("no rx port " + name + " is declared");
  const bool clean = settings.loss == 0.0 && settings.duplicate == 0.0 && settings.reorder == 0.0 &&
                     settings.corrupt == 0.0 && settings.delayMaxCycles == 0;
  // The frame under way is finished as it started; the next one meets the
  // new settings.
  if (clean) {
    rx->impairment.reset();
    say("frames of rx port " + name + " are forwarded unimpaired");
    return;
  }
  rx->impairment = std::make_unique<Impairment>(settings);
  rx->impaired = true;
  say("impairing the frames of rx port " + name + ": " + settings.text());
}

void Host::inject(uint32_t device, uint32_t port, const std::string& path, bool appendFcs, InjectPace pace) {
  HostPort* tx = findPort(Direction::Transmit, device, port);
  const std::string name = std::to_string(device) + "/" + std::to_string(port);
  if (!tx && findPort(Direction::Receive, device, port))
    throw CommandError(name + " is a receive port; inject needs a tx port");
  if (!tx) throw CommandError("no tx port " + name + " is declared");
  if (!tx->open) throw CommandError("tx port " + name + " is closed");
  auto injection = std::make_unique<PcapInjection>(path, *tx, cycle_, appendFcs, pace);
  const uint64_t records = injection->records();
  say("injecting " + std::to_string(records) + (records == 1 ? " record, " : " records, ") +
      std::to_string(injection->bytes()) + " bytes" + (appendFcs ? " with FCS" : "") + ", from " + path +
      " into tx port " + name + " from cycle " + std::to_string(cycle_));
  if (!injection->finished()) injections_.push_back(std::move(injection));
}

std::string Host::retireInjections() {
  std::string failure;
  // An injection finishes with the end of its last frame, when its transmit
  // port lets go of it.
  std::erase_if(injections_, [&failure](const std::unique_ptr<PcapInjection>& injection) {
    if (!injection->finished()) return false;
    if (failure.empty()) failure = injection->error();
    return true;
  });
  return failure;
}

void Host::setCapture(const std::string& directory, std::optional<int> linkType) {
  if (directory.empty()) throw CommandError("the pcap directory name is empty");
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) throw CommandError("cannot create directory " + directory + ": " + error.message());
  for (auto& p : ports_) p->stopCapture();
  capturing_ = true;
  captureDirectory_ = directory;
  if (linkType) defaultLinkType_ = *linkType;
}

void Host::setLinkType(uint32_t device, uint32_t port, int linkType) {
  for (auto& p : ports_) {
    if (p->device == device && p->port == port && p->capture && p->capture->linkType() != linkType)
      throw CommandError("the pcap file of port " + p->name() + " is already open; set its link type before the first run");
  }
  linkTypes_[{device, port}] = linkType;
}

int Host::linkTypeFor(const HostPort& port) const {
  auto it = linkTypes_.find({port.device, port.port});
  return it == linkTypes_.end() ? defaultLinkType_ : it->second;
}

void Host::startCaptures() {
  if (!capturing_) return;
  for (auto& p : ports_)
    if (p->open && !p->capture) p->startCapture(captureDirectory_, linkTypeFor(*p));
}

void Host::resolveRoutes() {
  for (auto& p : ports_) {
    if (!p->receives()) continue;
    HostPort* target = nullptr;
    switch (p->route.kind) {
      case Route::Kind::SamePort: target = findPort(Direction::Transmit, p->device, p->port); break;
      case Route::Kind::Forward: target = findPort(Direction::Transmit, p->route.device, p->route.port); break;
      case Route::Kind::Drop: break;
    }
    p->resolvedTarget = target && target->open ? target : nullptr;
  }
}

RunResult Host::run(std::optional<uint64_t> count) {
  startCaptures();
  resolveRoutes();
  std::vector<HostPort*> receivers;
  std::vector<HostPort*> transmitters;
  for (auto& p : ports_) {
    if (!p->open) continue;
    (p->receives() ? receivers : transmitters).push_back(p.get());
  }
  std::vector<FrameSource*> injections;
  for (auto& injection : injections_) injections.push_back(injection.get());
  CycleLoop loop(std::move(receivers), std::move(transmitters), std::move(injections), latency_);
  needsClose_ = true;
  RunResult result;
  CycleLoop::Progress progress;
  if (settings_.progress) progress = progressDisplay();
  try {
    result = loop.run(cycle_, count, settings_.limits, progress);
  } catch (...) {
    if (settings_.progress) std::fputs("\r\n", stderr);
    throw CommandError("a plug-in let an exception escape from a byte call at cycle " + std::to_string(cycle_));
  }
  // The files are complete up to the last frame whenever the console is back.
  for (auto& p : ports_)
    if (p->capture) p->capture->flush();
  if (settings_.progress && result.cycles >= CycleLoop::kProgressInterval) {
    std::fprintf(stderr, "\r%40s\r", "");
    std::fflush(stderr);
  }
  std::string text = "ran " + std::to_string(result.cycles) + " cycles, now at cycle " + std::to_string(cycle_);
  if (result.end == RunResult::End::Idle)
    text += " (traffic quiet for " + std::to_string(settings_.limits.idleCycles) + " cycles)";
  else if (result.end == RunResult::End::Cap)
    text += " (stopped at the limit of " + std::to_string(settings_.limits.maxCycles) + " cycles)";
  say(text);
  if (result.end == RunResult::End::Cap && result.workDue) {
    CapStop stop;
    stop.cycle = cycle_;
    for (const auto& injection : injections_) stop.injectedRecordsLeft += injection->recordsLeft();
    capStops_.push_back(stop);
  }
  const std::string failure = retireInjections();
  if (!failure.empty()) throw CommandError(failure + "; the rest of the file was not injected");
  return result;
}

void Host::closePlugin(Plugin& plugin, std::string& failure) {
  const PluginEntryPoints& ep = plugin.entry();
  auto guarded = [&](const char* entry, PyxClosePortFn fn, PyxPortHandle handle) {
    try {
      callPlugin(plugin, entry, [&] { fn(handle); });
    } catch (const CommandError& e) {
      if (failure.empty()) failure = e.what();
    }
  };
  // A plug-in is closed through its receive ports: cellgen frees each handle,
  // corvel_lite tears itself down on the first call. A plug-in with transmit
  // ports only is closed through those. With nothing open any more (a second
  // close) the plug-in still gets one CloseTxPort without a port, so that its
  // teardown runs again; cellgen has no transmit side and ignores that call.
  bool closedAny = false;
  for (auto& p : ports_) {
    if (p->plugin != &plugin || !p->open || !p->receives()) continue;
    p->open = false;
    closedAny = true;
    guarded("CloseRxPort", ep.CloseRxPort, p->handle);
  }
  bool closedReceivers = closedAny;
  for (auto& p : ports_) {
    if (p->plugin != &plugin || !p->open) continue;
    p->open = false;
    closedAny = true;
    if (!closedReceivers) guarded("CloseTxPort", ep.CloseTxPort, p->handle);
  }
  if (!closedAny) guarded("CloseTxPort", ep.CloseTxPort, nullptr);
  collectReport(plugin);
}

void Host::collectReport(const Plugin& plugin) {
  std::optional<PluginReport> report;
  try {
    report = parsePluginReport(plugin.runReport());
  } catch (...) {
    return;  // a plug-in without a readable report is judged by the host's figures alone
  }
  if (!report) return;
  uint64_t& last = lastReportRun_[&plugin];
  if (report->run <= last) return;
  last = report->run;
  report->plugin = plugin.path();
  reports_.push_back(std::move(*report));
}

void Host::close() {
  needsClose_ = false;
  for (auto& p : ports_) {
    p->discardInFlight();
    p->inFrame = false;
    p->source = nullptr;
    if (p->capture) {
      p->frame.clear();
      p->frameLength = 0;
      p->capture->flush();
    }
  }
  for (const auto& injection : injections_)
    injection->target()->counters.unsentInjectedRecords += injection->recordsLeft();
  injections_.clear();
  std::string failure;
  for (auto& plugin : plugins_) closePlugin(*plugin, failure);
  TOLK_printf("%s", summary().c_str());
  if (!failure.empty()) throw CommandError(failure);
}

void Host::finish() {
  if (needsClose_) close();
}

PortCounters Host::totals() const {
  PortCounters sum;
  for (const auto& p : ports_) sum += p->counters;
  return sum;
}

std::string Host::summary() const {
  std::string text = "pyxsim> summary at cycle " + std::to_string(cycle_) + "\n";
  if (!ports_.empty()) {
    char line[160];
    std::snprintf(line, sizeof line, "pyxsim>   %-11s %-3s %12s %14s %12s\n", "port", "dir", "frames", "bytes",
                  "dropped");
    text += line;
    for (const auto& p : ports_) {
      const std::string dropped = p->receives() ? std::to_string(p->counters.droppedFrames) : "-";
      std::snprintf(line, sizeof line, "pyxsim>   %-11s %-3s %12" PRIu64 " %14" PRIu64 " %12s\n", p->name().c_str(),
                    directionWord(p->direction), p->counters.frames, p->counters.bytes, dropped.c_str());
      text += line;
    }
  }
  for (const auto& p : ports_) {
    if (!p->impaired) continue;
    const ImpairmentCounts& c = p->counters.impaired;
    text += "pyxsim> impaired rx " + p->name() + ": lost " + std::to_string(c.lost) + ", duplicated " +
            std::to_string(c.duplicated) + ", reordered " + std::to_string(c.reordered) + ", corrupted " +
            std::to_string(c.corrupted) + "\n";
  }
  const PortCounters sum = totals();
  if (sum.inFlightBytes > 0)
    text += "pyxsim> forwarded bytes discarded in flight: " + std::to_string(sum.inFlightBytes) + "\n";
  if (sum.unsentInjectedRecords > 0)
    text += "pyxsim> injected records not sent: " + std::to_string(sum.unsentInjectedRecords) + "\n";
  text += "pyxsim> host commands executed: " + std::to_string(executedCommands()) + "\n";
  return text;
}

}  // namespace pyxsim
