#include "cellgen/cell_gen.h"

namespace cellgen {

CellGen::CellGen(FileAccess& files, Reporter& reporter, SeedSource seeds)
    : _files(files), _reporter(reporter), _seeds(seeds) {}

bool CellGen::loadConfig(const std::string& fileName) {
  _loaded = false;
  _table.reset();
  _table = std::make_unique<PortTable>();
  ConfigLoader loader(*_table, _files, _reporter, _seeds);
  _loaded = loader.load(fileName);
  return _loaded;
}

bool CellGen::nextByte(std::uint32_t device, std::uint32_t port, std::uint8_t& byte,
                       std::uint8_t& endOfPacket) {
  endOfPacket = 0;
  if (!_loaded || !_table) {
    byte = 0;
    return false;
  }
  PortGenerator* generator = _table->at(device, port);
  if (!generator) return false;
  switch (generator->nextByte(byte)) {
    case ByteResult::byte:
      return true;
    case ByteResult::packetEnd:
      endOfPacket = 1;
      return true;
    case ByteResult::nothing:
      break;
  }
  return false;
}

std::int32_t CellGen::interpacketTime(std::uint32_t device, std::uint32_t port) const {
  if (!_loaded || !_table) return 0;
  const PortGenerator* generator = _table->at(device, port);
  return generator ? generator->interpacketTime() : 0;
}

void CellGen::reset() {
  if (_table) _table->resetStreams();
  _table.reset();
  _loaded = false;
}

}  // namespace cellgen
