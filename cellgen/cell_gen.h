// The state behind cellgen's entry points: the current port table and the
// loaded flag, with the operations the host's calls map to.
//
// Unloaded (no table) -> loaded by a successful configuration load. A failed
// load leaves the table with what was read before the failing line but not
// loaded: nothing is produced until a load succeeds. Loading again discards
// the previous table; a reset discards it too.
#ifndef CELLGEN_CELL_GEN_H
#define CELLGEN_CELL_GEN_H

#include <memory>
#include <string>

#include "cellgen/config_loader.h"
#include "cellgen/port_table.h"

namespace cellgen {

class CellGen {
 public:
  CellGen(FileAccess& files, Reporter& reporter, SeedSource seeds = clockSeed);

  bool loadConfig(const std::string& fileName);
  bool loaded() const { return _loaded; }
  const PortTable* table() const { return _table.get(); }

  // The host's byte request for {device, port}: true with a byte (and its
  // end-of-packet flag), false when there is nothing to send.
  bool nextByte(std::uint32_t device, std::uint32_t port, std::uint8_t& byte,
                std::uint8_t& endOfPacket);
  // The port's interpacket time, 0 when nothing is loaded or the slot is empty.
  std::int32_t interpacketTime(std::uint32_t device, std::uint32_t port) const;
  // Resets every stream and then discards the configuration.
  void reset();

 private:
  FileAccess& _files;
  Reporter& _reporter;
  SeedSource _seeds;
  std::unique_ptr<PortTable> _table;
  bool _loaded = false;
};

}  // namespace cellgen

#endif
