// The manager's streams reader: it records every stream set of the streams
// section. The stacks are built later, when a port first names the set
// (BuildStreamSet in tcs_stream_mgt.h), so unused sets cost nothing.
#include <memory>
#include <optional>
#include <string>

#include "corvel/base/text_error.h"
#include "corvel/tcs/stream_set_definition.h"
#include "corvel/tcs/tcs_manager.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

bool TcsManager::readStreams() {
  if (_status != kStatusOk) return false;
  const std::vector<xmlNode*> sets = selectNodes(_documentNode, "//corvel/streams/stream_set");
  if (sets.empty()) return false;
  _printer->print("Corvel> ------ Retreiving Streams ------\n");

  bool found = false;
  for (xmlNode* setNode : sets) {
    const std::optional<std::string> id = GetAttribute(setNode, "id");
    if (!id) continue;
    _printer->print("Corvel>   %s\n", id->c_str());
    if (_streamSets.contains(*id)) {
      // Thrown out of the manager: the controller prints the place after its report.
      const PlaceScope place(setNode, "id");
      throw TextError("duplicate stream set");
    }

    std::shared_ptr<StreamSetDefinition> record;
    if (xmlNode* protocols = selectSingleNode(setNode, "./protocols")) {
      xmlNode* loop = selectSingleNode(setNode, "./for_table_entries");
      record = std::make_shared<StreamSetDefinition>(*id, protocols, loop, setNode);
      if (GetAttribute(setNode, "type") == "capture") record->setType(enSetTypeCapture);
    } else if (xmlNode* files = selectSingleNode(setNode, "./stream_files")) {
      // Stream files take no loop, and their sets are always generated.
      record = std::make_shared<StreamSetDefinition>(*id, files, nullptr, setNode);
    } else {
      continue;
    }
    _streamSets.emplace(*id, std::move(record));
    found = true;
  }
  return found;
}

}  // namespace corvel
