#include "cellgen/config_loader.h"

#include <ctime>
#include <limits>

#include "cellgen/config_line.h"
#include "cellgen/gen_stream.h"
#include "cellgen/raw_stream.h"

namespace cellgen {

namespace {

constexpr std::uint32_t kAnyWord = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t kAnyInt = std::numeric_limits<std::int32_t>::max();

// Argument counts after the keyword.
constexpr std::size_t kPortArguments = 5;
constexpr std::size_t kGenArguments = 16;
constexpr std::size_t kGenrArguments = 14;
constexpr std::size_t kRawArguments = 4;

std::optional<Direction> parseDirection(std::string_view text) {
  if (isKeyword(text, "IN")) return Direction::in;
  if (isKeyword(text, "OUT")) return Direction::out;
  return std::nullopt;
}

// Class, tag and the four counters: arguments 3 to 12 of GEN and GENR lines.
std::optional<CellStreamSettings> parseCellSettings(const std::vector<std::string_view>& args,
                                                    std::uint32_t id, Direction direction) {
  const auto cellClass = parseDecimal(args[3], 0xFF);
  const auto tag = parseDecimal(args[4], 0xFF);
  if (!cellClass || !tag) return std::nullopt;
  CellStreamSettings settings;
  settings.id = id;
  settings.direction = direction;
  settings.cellClass = static_cast<std::uint8_t>(*cellClass);
  settings.tag = static_cast<std::uint8_t>(*tag);
  for (std::size_t i = 0; i < settings.counters.size(); ++i) {
    const auto start = parseDecimal(args[5 + 2 * i], kAnyWord);
    const auto end = parseDecimal(args[6 + 2 * i], kAnyWord);
    if (!start || !end) return std::nullopt;
    settings.counters[i] = Counter(*start, *end);
  }
  return settings;
}

}  // namespace

std::uint32_t clockSeed() { return static_cast<std::uint32_t>(std::time(nullptr)); }

ConfigLoader::ConfigLoader(PortTable& table, FileAccess& files, Reporter& reporter,
                           SeedSource seeds)
    : _table(table), _files(files), _reporter(reporter), _seeds(seeds ? seeds : clockSeed) {}

bool ConfigLoader::load(const std::string& fileName) {
  _fileName = fileName;
  _lineNumber = 0;
  _port = nullptr;
  std::unique_ptr<LineSource> source = _files.openLines(fileName, kMaxLineLength);
  if (!source) {
    error(formatMessage("fopen() failed: %s\n", fileName.c_str()));
    return false;
  }
  std::string text;
  Arguments args;
  for (;;) {
    const LineSource::Status status = source->next(text);
    ++_lineNumber;
    switch (status) {
      case LineSource::Status::end:
        return true;
      case LineSource::Status::readError:
        error(formatMessage("%s: read failed\n", _fileName.c_str()));
        return false;
      case LineSource::Status::tooLong:
        error(formatMessage("%s:%u: line longer than %zu characters\n", _fileName.c_str(),
                            _lineNumber, kMaxLineLength));
        return false;
      case LineSource::Status::line:
        break;
    }
    // The line is text: it ends at a NUL character.
    std::string_view line(text.c_str());
    if (isSkippedLine(line)) continue;
    std::string_view rest;
    const LineKeyword keyword = lineKeyword(line, rest);
    if (keyword == LineKeyword::none) continue;  // not ours: ignored
    splitArguments(rest, args);
    bool accepted = false;
    switch (keyword) {
      case LineKeyword::logfile:
        accepted = logFile(args);
        break;
      case LineKeyword::port:
        accepted = port(args);
        break;
      case LineKeyword::stream:
        accepted = stream(args);
        break;
      case LineKeyword::none:
        break;
    }
    if (!accepted) return false;
  }
}

bool ConfigLoader::logFile(const Arguments& args) {
  if (args.size() != 1 || args[0].empty()) return false;
  // Nothing is ever written to the log file; a file that cannot be created
  // is reported and the load goes on.
  const std::string name(args[0]);
  if (!_files.createEmpty(name)) error(formatMessage("fopen() failed: %s\n", name.c_str()));
  return true;
}

bool ConfigLoader::port(const Arguments& args) {
  if (args.size() != kPortArguments) return false;
  const auto device = parseDecimal(args[0], kAnyWord);
  const auto portNumber = parseDecimal(args[1], kAnyWord);
  const auto interpacketTime = parseDecimal(args[3], kAnyInt);
  const auto direction = parseDirection(args[4]);
  if (!device || !portNumber || !interpacketTime || !direction) return false;
  Selection selection;
  if (isKeyword(args[2], "SEQ"))
    selection = Selection::seq;
  else if (isKeyword(args[2], "RND"))
    selection = Selection::rnd;
  else
    return false;
  if (*device >= PortTable::kDevices || *portNumber >= PortTable::kPorts ||
      _table.at(*device, *portNumber))
    return false;
  const std::uint32_t seed = selection == Selection::rnd ? _seeds() : 1;
  auto generator = std::make_unique<PortGenerator>(
      *portNumber, selection, static_cast<std::int32_t>(*interpacketTime), *direction, seed);
  PortGenerator* placed = generator.get();
  if (!_table.place(*device, *portNumber, std::move(generator))) return false;
  _port = placed;
  _device = *device;
  return true;
}

bool ConfigLoader::stream(const Arguments& args) {
  if (!_port || args.size() < 3) return false;
  const auto id = parseDecimal(args[0], kAnyWord);
  const auto direction = parseDirection(args[1]);
  if (!id || !direction) return false;
  if (isKeyword(args[2], "GEN")) return genStream(args, *id, *direction);
  if (isKeyword(args[2], "GENR")) return fileStream(args, *id, *direction, false);
  if (isKeyword(args[2], "RAW")) return fileStream(args, *id, *direction, true);
  return false;
}

bool ConfigLoader::genStream(const Arguments& args, std::uint32_t id, Direction direction) {
  if (args.size() != kGenArguments) return false;
  const auto settings = parseCellSettings(args, id, direction);
  const auto frameLimit = parseDecimal(args[13], kAnyWord);
  const auto frameLength = parseDecimal(args[14], kAnyWord);
  const auto fill = parseFillByte(args[15]);
  if (!settings || !frameLimit || !frameLength || !fill) return false;
  if (*frameLength > CellCutter::kMaxFrameLength) {
    error(formatMessage("%s:%u: frame length %u needs more than %zu cells (at most %zu bytes)\n",
                        _fileName.c_str(), _lineNumber, *frameLength, CellCutter::kMaxCells,
                        CellCutter::kMaxFrameLength));
    return false;
  }
  return addStream(std::make_unique<GenStream>(*settings, *frameLimit, *frameLength, *fill));
}

bool ConfigLoader::fileStream(const Arguments& args, std::uint32_t id, Direction direction,
                              bool raw) {
  if (args.size() != (raw ? kRawArguments : kGenrArguments)) return false;
  std::optional<CellStreamSettings> settings;
  if (!raw) {
    settings = parseCellSettings(args, id, direction);
    if (!settings) return false;
  }
  const std::string_view name = args.back();
  if (name.empty()) return false;
  if (_port->streamCount() >= PortGenerator::kMaxStreams) return addStream(nullptr);

  // A data file that cannot be opened leaves the stream without data, and
  // so inactive; one with malformed or oversized content fails the line.
  DataLines lines;
  std::string message;
  const DataLines::Load result = raw ? lines.loadPackets(_files, std::string(name), message)
                                     : lines.loadFrames(_files, std::string(name), message);
  if (!message.empty()) error(message);
  if (result == DataLines::Load::refused) return false;
  if (raw) return addStream(std::make_unique<RawStream>(id, direction, std::move(lines)));
  return addStream(std::make_unique<FileGenStream>(*settings, std::move(lines), _reporter));
}

bool ConfigLoader::addStream(std::unique_ptr<Stream> stream) {
  if (_port->streamCount() >= PortGenerator::kMaxStreams) {
    error(formatMessage("%s:%u: port %u,%u already has %zu streams\n", _fileName.c_str(),
                        _lineNumber, _device, _port->port(), PortGenerator::kMaxStreams));
    return false;
  }
  return _port->addStream(std::move(stream));
}

}  // namespace cellgen
