// The value settings of the port sections: log directories, the stream
// distribution and the stream-merge mode. The port readers
// (tcs_manager_ports.cpp) apply them to a port's configuration before they
// hand it to the port object.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/base/print_utility.h"

namespace corvel {

class GeneratePortConfig;
class PortConfig;

// A log-directory attribute: "dir" gives dir; "dir,flag" gives dir only when
// the flag is exactly "1". Absent, empty, or with an empty directory field
// gives nothing (an empty directory would put the logs in whatever directory
// the host runs in).
std::optional<std::string> logDirectoryOf(const std::optional<std::string>& text);

// Every event-log directory the document names (on a port section or a port
// element, switched-off ones left out), each once, in document order.
std::vector<std::string> eventLogDirectories(const xmlNode* documentNode);

// The section defaults: eventlog_dir, pdu_datalog_dir, datalog_dir and
// `fourthName` (shape_datalog_dir on rx_ports, police_datalog_dir on
// tx_ports) into the configuration's four directories.
void readLogDirectories(const xmlNode* section, std::string_view fourthName, PortConfig& config);

// The first stream-distribution child of a receive-port element, in the
// order sequential interleave, random interleave, sequential, tm41, token
// bucket, into the configuration, with its console lines. An interleave
// element without max_framecount sets and prints nothing. Without any, the
// configuration keeps its record (sequential, byColumn) and the sequential
// lines are printed. Throws the configuration's refusal texts.
void readStreamDistribution(const PrintUtility& printer, const xmlNode* port, GeneratePortConfig& config);

// How a receive port takes the stacks of the sets it names.
enum class StreamMergeMode : int32_t {
  append = 0,     // every stack of each set in turn
  interlace = 1,  // rounds of up to `count` stacks from each set
};

struct StreamMerge {
  StreamMergeMode mode = StreamMergeMode::append;
  int32_t count = 1;
};

// stream_merge: "append", or "interlace" with an optional ",count" (a count
// that is missing or below 1 is 1). Absent or any other text: append.
StreamMerge readStreamMerge(const xmlNode* port);

}  // namespace corvel
