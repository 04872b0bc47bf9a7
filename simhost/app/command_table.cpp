#include "command_table.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "command_error.h"
#include "impairment.h"
#include "pcap_writer.h"
#include "pyx/simhost_api.h"
#include "pyx/tolk.h"

namespace pyxsim {

namespace {

constexpr int64_t kWord = INT32_MAX;           // device, port and block words
constexpr int64_t kCycles = INT64_MAX / 2;     // cycle counts
constexpr int64_t kIntMin = INT32_MIN;         // plug-in integer arguments: any
constexpr int64_t kIntMax = UINT32_MAX;        // 32-bit word, signed or not

uint32_t word(int64_t value) { return static_cast<uint32_t>(value); }

std::string shapeOf(const SimhostConsoleCommand& command) {
  std::string text = command.name;
  for (int i = 0; i < command.stringArgs; ++i) text += " STRING";
  for (int i = 0; i < command.intArgs; ++i) text += " INT";
  return text;
}

int linkTypeArgument(const std::string& text) {
  std::optional<int> type = parseLinkType(text);
  if (!type) throw CommandError("unknown link type \"" + text + "\" (give a number or a name such as EN10MB)");
  return *type;
}

// A replay speed factor: a plain decimal number above 0 (2, 0.5, 1e3).
double paceFactor(const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const double factor = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(factor) || factor <= 0.0)
    throw CommandError("speed FACTOR must be a number above 0, got \"" + text + "\"");
  return factor;
}

}  // namespace

CommandTable::CommandTable(Host& host) : host_(host) {
  const Arg dev{"DEV", true, false, 0, kWord};
  const Arg port{"PORT", true, false, 0, kWord};
  auto portCommand = [this](Direction direction) {
    return [this, direction](const Values& v) {
      host_.addPort(direction, word(v[0].number), word(v[1].number),
                    v[2].present ? word(v[2].number) : HostPort::kDefaultRate,
                    v[3].present ? word(v[3].number) : HostPort::kDefaultInterpacketTime,
                    v[4].present ? word(v[4].number) : HostPort::kDefaultFrequency);
    };
  };
  const std::vector<Arg> portArgs = {dev, port, {"RATE", true, true, 0, kWord}, {"IPT", true, true, 0, kWord},
                                     {"FREQ", true, true, 1, kWord}};
  // RXDEV RXPORT and up to six settings with their values.
  std::vector<Arg> impairArgs = {{"RXDEV", true, false, 0, kWord}, {"RXPORT", true, false, 0, kWord}};
  for (int i = 0; i < 13; ++i) impairArgs.push_back({"SETTING", false, true, 0, 0});
  builtins_ = {
      {"plugin", {{"PATH", false, false, 0, 0}}, "load a plug-in and initialise it",
       [this](const Values& v) { host_.loadPlugin(v[0].text); }},
      {"rx_port", portArgs, "register a receive port (defaults: rate 100, IPT 8, 66 MHz)",
       portCommand(Direction::Receive)},
      {"tx_port", portArgs, "register a transmit port (defaults: rate 100, IPT 8, 66 MHz)",
       portCommand(Direction::Transmit)},
      {"forward", {{"RXDEV", true, false, 0, kWord}, {"RXPORT", true, false, 0, kWord},
                   {"TXDEV", true, false, 0, kWord}, {"TXPORT", true, false, 0, kWord}},
       "send the frames of a receive port to a transmit port",
       [this](const Values& v) {
         host_.forward(word(v[0].number), word(v[1].number), word(v[2].number), word(v[3].number));
       }},
      {"inject",
       {dev, port, {"FILE", false, false, 0, 0}, {"fcs", false, true, 0, 0}, {"topspeed|speed", false, true, 0, 0},
        {"FACTOR", false, true, 0, 0}},
       "send the records of a pcap file to a transmit port at their times (fcs: add an FCS; topspeed: back to "
       "back; speed FACTOR: FACTOR times their pace)",
       [this](const Values& v) {
         std::vector<std::string> words;
         for (size_t i = 3; i < v.size(); ++i)
           if (v[i].present) words.push_back(v[i].text);
         size_t next = 0;
         const bool fcs = next < words.size() && words[next] == "fcs";
         if (fcs) ++next;
         if (next < words.size() && words[next] != "topspeed" && words[next] != "speed")
           throw CommandError("the word after FILE can only be fcs, topspeed or speed, got \"" + words[next] + "\"");
         InjectPace pace;
         if (next < words.size() && words[next] == "topspeed") {
           pace.kind = InjectPace::Kind::TopSpeed;
           ++next;
         } else if (next < words.size() && words[next] == "speed") {
           if (next + 1 >= words.size()) throw CommandError("speed needs a FACTOR, such as 2 or 0.5");
           pace.kind = InjectPace::Kind::Factor;
           pace.factor = paceFactor(words[next + 1]);
           next += 2;
         }
         if (next < words.size())
           throw CommandError("nothing may follow " + std::string(pace.kind == InjectPace::Kind::TopSpeed ? "topspeed" : "speed FACTOR") +
                              ", got \"" + words[next] + "\"");
         host_.inject(word(v[0].number), word(v[1].number), v[2].text, fcs, pace);
       },
       "inject DEV PORT FILE [fcs] [topspeed | speed FACTOR]"},
      {"drop", {{"RXDEV", true, false, 0, kWord}, {"RXPORT", true, false, 0, kWord}},
       "discard the frames of a receive port",
       [this](const Values& v) { host_.drop(word(v[0].number), word(v[1].number)); }},
      {"impair", impairArgs,
       "misbehave on the frames of a receive port: loss, duplicate, reorder, corrupt (probabilities per frame), "
       "delay MIN MAX cycles, seed of its own generator",
       [this](const Values& v) {
         std::vector<std::string> words;
         for (size_t i = 2; i < v.size(); ++i)
           if (v[i].present) words.push_back(v[i].text);
         host_.impair(word(v[0].number), word(v[1].number), parseImpairment(words));
       },
       "impair RXDEV RXPORT [loss P] [duplicate P] [reorder P] [corrupt P] [delay MIN MAX] [seed N]"},
      {"latency", {{"CYCLES", true, false, 0, kWord}}, "cycles between receiving and transmitting a byte",
       [this](const Values& v) { host_.setLatency(static_cast<uint64_t>(v[0].number)); }},
      {"pcap", {{"DIR", false, false, 0, 0}, {"LINKTYPE", false, true, 0, 0}},
       "write rxDEVpPORT.pcap and txDEVpPORT.pcap into DIR (link type default EN10MB)",
       [this](const Values& v) {
         std::optional<int> type;
         if (v[1].present) type = linkTypeArgument(v[1].text);
         host_.setCapture(v[0].text, type);
       }},
      {"linktype", {dev, port, {"LINKTYPE", false, false, 0, 0}}, "pcap link type of one port, e.g. USER0 for raw cells",
       [this](const Values& v) {
         host_.setLinkType(word(v[0].number), word(v[1].number), linkTypeArgument(v[2].text));
       }},
      {"run", {{"CYCLES", true, true, 0, kCycles}}, "run CYCLES cycles, or until the traffic is quiet",
       [this](const Values& v) {
         std::optional<uint64_t> count;
         if (v[0].present) count = static_cast<uint64_t>(v[0].number);
         host_.run(count);
       }},
      {"idle_cycles", {{"CYCLES", true, false, 1, kCycles}}, "quiet cycles that end a run without a count",
       [this](const Values& v) { host_.setIdleCycles(static_cast<uint64_t>(v[0].number)); }},
      {"max_cycles", {{"CYCLES", true, false, 1, kCycles}}, "hard limit of a run without a count",
       [this](const Values& v) { host_.setMaxCycles(static_cast<uint64_t>(v[0].number)); }},
      {"close", {}, "close every port through its plug-in and print the summary",
       [this](const Values&) { host_.close(); }},
      {"help", {{"COMMAND", false, true, 0, 0}}, "list the commands, or show one",
       [this](const Values& v) { TOLK_printf("%s", help(v[0].text).c_str()); }},
      {"quit", {}, "close and leave", [this](const Values&) { host_.requestQuit(); }},
  };
}

std::string CommandTable::usage(const Builtin& builtin) {
  if (builtin.usageText) return builtin.usageText;
  std::string text = builtin.name;
  int optionalOpen = 0;
  for (const Arg& a : builtin.args) {
    text += ' ';
    if (a.optional && !optionalOpen) {
      text += '[';
      optionalOpen = 1;
    }
    text += a.name;
  }
  if (optionalOpen) text += ']';
  return text;
}

CommandTable::Values CommandTable::checkArguments(const Builtin& builtin, const ParsedLine& line) const {
  const size_t given = line.words.size() - 1;
  const size_t required = static_cast<size_t>(
      std::count_if(builtin.args.begin(), builtin.args.end(), [](const Arg& a) { return !a.optional; }));
  if (given < required || given > builtin.args.size())
    throw CommandError("wrong number of arguments (" + std::to_string(given) + "); usage: " + usage(builtin));
  Values values(builtin.args.size());
  for (size_t i = 0; i < given; ++i) {
    const Arg& arg = builtin.args[i];
    const Word& w = line.words[i + 1];
    Value& v = values[i];
    v.present = true;
    v.text = w.text;
    if (!arg.integer) continue;
    std::optional<int64_t> number;
    if (!w.quoted) number = parseInteger(w.text);
    if (!number)
      throw CommandError(std::string(arg.name) + " must be an integer, got \"" + w.text + "\"; usage: " +
                         usage(builtin));
    if (*number < arg.min || *number > arg.max)
      throw CommandError(std::string(arg.name) + " must be between " + std::to_string(arg.min) + " and " +
                         std::to_string(arg.max) + ", got " + w.text);
    v.number = *number;
  }
  return values;
}

void CommandTable::execute(const ParsedLine& line) {
  if (line.empty()) return;
  const std::string& name = line.words[0].text;
  for (const Builtin& b : builtins_) {
    if (name == b.name) {
      b.run(checkArguments(b, line));
      return;
    }
  }
  callPluginCommand(line);
}

void CommandTable::callPluginCommand(const ParsedLine& line) {
  const std::string& name = line.words[0].text;
  const SimhostConsoleCommand* found = simhost_find_command(name.c_str());
  if (!found) throw CommandError("unknown command \"" + name + "\" (help lists the commands)");
  // A copy: the handler may register commands, which rebuilds the table.
  const SimhostConsoleCommand command = *found;
  const size_t strings = static_cast<size_t>(command.stringArgs);
  const size_t ints = static_cast<size_t>(command.intArgs);
  if (strings + ints > SIMHOST_MAX_COMMAND_ARGS)
    throw CommandError("command " + name + " takes more arguments than this host can pass (" +
                       std::to_string(SIMHOST_MAX_COMMAND_ARGS) + ")");
  const size_t given = line.words.size() - 1;
  std::vector<std::string> texts;
  std::vector<int32_t> numbers;
  if (ints == 0 && strings > 0 && given > strings) {
    // The last string argument takes the rest of the line, as written.
    for (size_t i = strings; i <= given; ++i)
      if (line.words[i].quoted)
        throw CommandError("wrong number of arguments (" + std::to_string(given) + "); usage: " + shapeOf(command));
    for (size_t i = 1; i < strings; ++i) texts.push_back(line.words[i].text);
    texts.push_back(line.restFrom(strings));
  } else {
    if (given != strings + ints)
      throw CommandError("wrong number of arguments (" + std::to_string(given) + "); usage: " + shapeOf(command));
    for (size_t i = 1; i <= strings; ++i) texts.push_back(line.words[i].text);
    for (size_t i = strings + 1; i <= given; ++i) {
      const Word& w = line.words[i];
      std::optional<int64_t> number;
      if (!w.quoted) number = parseInteger(w.text);
      if (!number)
        throw CommandError("argument " + std::to_string(i) + " must be an integer, got \"" + w.text +
                           "\"; usage: " + shapeOf(command));
      if (*number < kIntMin || *number > kIntMax)
        throw CommandError("argument " + std::to_string(i) + " does not fit in 32 bits: " + w.text);
      numbers.push_back(static_cast<int32_t>(static_cast<uint32_t>(*number)));
    }
  }
  std::vector<const char*> pointers;
  for (const std::string& t : texts) pointers.push_back(t.c_str());
  host_.notePluginActivity();
  try {
    simhost_call_command(&command, pointers.data(), numbers.data());
  } catch (...) {
    throw CommandError("command " + name + " let an exception escape");
  }
}

std::string CommandTable::help(const std::string& name) const {
  std::string text;
  char line[256];
  if (!name.empty()) {
    for (const Builtin& b : builtins_)
      if (name == b.name) return usage(b) + "\n    " + b.description + "\n";
    if (const SimhostConsoleCommand* c = simhost_find_command(name.c_str()))
      return shapeOf(*c) + "\n    registered by a plug-in\n";
    throw CommandError("unknown command \"" + name + "\"");
  }
  text += "Host commands:\n";
  for (const Builtin& b : builtins_) {
    std::snprintf(line, sizeof line, "  %-40s %s\n", usage(b).c_str(), b.description);
    text += line;
  }
  const int count = simhost_command_count();
  if (count > 0) {
    text += "Plug-in commands:\n";
    for (int i = 0; i < count; ++i) {
      if (const SimhostConsoleCommand* c = simhost_command_at(i)) text += "  " + shapeOf(*c) + "\n";
    }
  } else {
    text += "No plug-in commands yet (load a plug-in first).\n";
  }
  text += "Integers are decimal or 0x hexadecimal; quote strings that hold blanks or '#'.\n";
  return text;
}

}  // namespace pyxsim
