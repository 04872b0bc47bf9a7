#include "corvel/tcs/tcs_port_settings.h"

#include <algorithm>

#include "corvel/xml/tcs_place.h"
#include "corvel/xml/xml_access.h"
#include "corvel/traffic/generate_port_config.h"

namespace corvel {

namespace {

// "byColumn" selects byColumn; any other text, or none, byRow.
int32_t iterationTypeOf(const xmlNode* element) {
  return GetAttribute(element, "iteration_type") == "byColumn" ? enIterationByColumn : enIterationByRow;
}

const char* iterationName(int32_t iterationType) {
  return iterationType == enIterationByColumn ? "byColumn" : "byRow";
}

// The attributes shared by both interleave elements; each is 0 when absent.
struct InterleaveValues {
  int32_t iterationType = enIterationByRow;
  int32_t boundedStreamSize = 0;
  int32_t pduCount = 0;
  int32_t minFrameCount = 0;
  int32_t maxFrameCount = 0;
  bool hasPduCount = false;
  bool hasMinFrameCount = false;
  bool hasMaxFrameCount = false;
};

InterleaveValues readInterleave(const xmlNode* element) {
  InterleaveValues values;
  bool found = false;
  values.iterationType = iterationTypeOf(element);
  values.boundedStreamSize = GetAttributeInt(element, "boundedstream_size", found);
  values.pduCount = GetAttributeInt(element, "pdu_count", values.hasPduCount);
  values.minFrameCount = GetAttributeInt(element, "min_framecount", values.hasMinFrameCount);
  values.maxFrameCount = GetAttributeInt(element, "max_framecount", values.hasMaxFrameCount);
  return values;
}

void printSequential(const PrintUtility& printer, int32_t iterationType) {
  printer.print("Corvel>     StreamDistribution: Sequential\n");
  printer.print("Corvel>       iteration_type     = %s\n", iterationName(iterationType));
}

}  // namespace

std::optional<std::string> logDirectoryOf(const std::optional<std::string>& text) {
  if (!text || text->empty()) return std::nullopt;
  const std::optional<std::string> flag = getField(*text, 2);
  std::optional<std::string> directory = flag ? getField(*text, 1) : text;
  if (flag && *flag != "1") return std::nullopt;
  if (!directory || directory->empty()) return std::nullopt;
  return directory;
}

std::vector<std::string> eventLogDirectories(const xmlNode* documentNode) {
  std::vector<std::string> directories;
  if (documentNode == nullptr) return directories;
  for (const xmlNode* node : selectNodes(documentNode, "//*[@eventlog_dir]")) {
    const std::optional<std::string> directory = logDirectoryOf(GetAttribute(node, "eventlog_dir"));
    if (!directory) continue;
    if (std::find(directories.begin(), directories.end(), *directory) == directories.end())
      directories.push_back(*directory);
  }
  return directories;
}

void readLogDirectories(const xmlNode* section, std::string_view fourthName, PortConfig& config) {
  auto directory = [&](std::string_view name) { return logDirectoryOf(GetAttribute(section, name)); };
  if (auto text = directory("eventlog_dir")) config.setEventLogDirectory(text->c_str());
  if (auto text = directory("pdu_datalog_dir")) config.setPduDataLogDirectory(text->c_str());
  if (auto text = directory("datalog_dir")) config.setDataLogDirectory(text->c_str());
  if (auto text = directory(fourthName)) config.setShapePoliceDataLogDirectory(text->c_str());
}

void readStreamDistribution(const PrintUtility& printer, const xmlNode* port, GeneratePortConfig& config) {
  if (xmlNode* element = selectSingleNode(port, "./sequentialinterleave_streamdistribution")) {
    const InterleaveValues v = readInterleave(element);
    if (!v.hasMaxFrameCount) return;
    const PlaceScope place(element);
    config.setSequentialInterleave(v.iterationType, v.boundedStreamSize, v.pduCount, v.minFrameCount,
                                   v.maxFrameCount);
    printer.print("Corvel>     StreamDistribution: Sequential Interleave\n");
    printer.print("Corvel>     iteration_type     = %s\n", iterationName(v.iterationType));
    printer.print("Corvel>       boundedstream_size = %d\n", v.boundedStreamSize);
    printer.print("Corvel>       pdu_count          = %d\n", v.pduCount);
    printer.print("Corvel>       min_framecount     = %d\n", v.minFrameCount);
    printer.print("Corvel>       max_framecount     = %d\n", v.maxFrameCount);
    return;
  }
  if (xmlNode* element = selectSingleNode(port, "./randominterleave_streamdistribution")) {
    InterleaveValues v = readInterleave(element);
    // Column-wise random interleave takes one PDU per turn from any frame count.
    if (v.iterationType == enIterationByColumn) {
      if (v.hasPduCount) v.pduCount = 1;
      if (v.hasMinFrameCount) v.minFrameCount = 0;
    }
    if (!v.hasMaxFrameCount) return;
    const PlaceScope place(element);
    config.setRandomInterleave(v.iterationType, v.boundedStreamSize, v.pduCount, v.minFrameCount,
                               v.maxFrameCount);
    printer.print("Corvel>     StreamDistribution: Random Interleave\n");
    printer.print("Corvel>       iteration_type     = %s\n", iterationName(v.iterationType));
    return;
  }
  if (xmlNode* element = selectSingleNode(port, "./sequential_streamdistribution")) {
    config.setSequential(iterationTypeOf(element));
    printSequential(printer, config.streamDistribution().iterationType);
    return;
  }
  if (selectSingleNode(port, "./tm41_streamdistribution")) {
    config.setTm41();
    printer.print("Corvel>     StreamDistribution: tm41_trafficdistribution\n");
    return;
  }
  if (selectSingleNode(port, "./tokenBucket_streamdistribution")) {
    config.setTokenBucket();
    printer.print("Corvel>     StreamDistribution: tokenBucket_trafficdistribution\n");
    return;
  }
  printSequential(printer, config.streamDistribution().iterationType);
}

StreamMerge readStreamMerge(const xmlNode* port) {
  StreamMerge merge;
  const std::optional<std::string> text = GetAttribute(port, "stream_merge");
  if (!text) return merge;
  if (*text == "append") return merge;
  if (getField(*text, 1) != "interlace") return merge;
  merge.mode = StreamMergeMode::interlace;
  merge.count = getFieldInt(*text, 2).value_or(1);
  if (merge.count < 1) merge.count = 1;
  return merge;
}

}  // namespace corvel
