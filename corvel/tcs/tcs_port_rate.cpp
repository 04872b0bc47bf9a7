#include "corvel/tcs/tcs_port_rate.h"

#include <charconv>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/traffic/generate_port_config.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

struct UnitAttribute {
  const char* name;
  RateUnit unit;
};
constexpr UnitAttribute kUnits[] = {{"mbps", RateUnit::Mbps}, {"fps", RateUnit::Fps}, {"percent", RateUnit::Percent}};

// The whole text as a decimal number (blanks around it allowed); NaN when
// it is not one, so that the profile refuses it as not positive.
double parseRate(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  const size_t last = text.find_last_not_of(" \t\r\n");
  if (first == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
  double value = 0.0;
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end) return std::numeric_limits<double>::quiet_NaN();
  return value;
}

const char* unitText(RateUnit unit) {
  switch (unit) {
    case RateUnit::Mbps:
      return "Mbps";
    case RateUnit::Fps:
      return "frames per second";
    case RateUnit::Percent:
      return "percent of the line rate";
  }
  return "";
}

}  // namespace

void readPortRate(const PrintUtility& printer, const xmlNode* portNode, GeneratePortConfig& config) {
  const std::vector<xmlNode*> rates = selectNodes(portNode, "./rate");
  if (rates.empty()) return;
  const xmlNode* rateNode = rates.front();
  const PlaceScope place(rateNode);
  if (rates.size() > 1) throw TextError("a port takes one rate element");
  if (selectSingleNode(portNode, "./interpacket_timedistribution"))
    throw TextError(
        "rate and interpacket_timedistribution cannot both space "
        "the frames of a port");
  if (config.streamDistribution().type == enStreamDistributionTokenBucket)
    throw TextError(
        "rate cannot be combined with the token-bucket stream "
        "distribution, whose shapers space the "
        "frames");
  std::optional<RateRequest> request;
  const char* attributeName = nullptr;
  for (const UnitAttribute& unit : kUnits) {
    std::optional<std::string> text = GetAttribute(rateNode, unit.name);
    if (!text) continue;
    if (request) throw TextError("rate takes one of mbps, fps and percent");
    request = RateRequest{unit.unit, parseRate(*text), std::move(*text)};
    attributeName = unit.name;
  }
  if (!request) throw TextError("rate takes one of mbps, fps and percent");
  const PlaceScope valuePlace(rateNode, attributeName);
  config.setRateProfile(makeRateProfile(*request, config.rate(), config.busFrequency()));
  printer.print("Corvel>     Rate: %s %s\n", safePlaceText(request->text, false).c_str(), unitText(request->unit));
}

}  // namespace corvel
