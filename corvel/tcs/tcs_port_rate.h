// The rate element of a receive port: <rate mbps="…"/>, <rate fps="…"/> or
// <rate percent="…"/> (of the port's line rate). It takes the place of
// interpacket_timedistribution, so a port element may give one or the
// other, never both; a file that gives both is refused rather than one of
// them silently ignored.
#pragma once

#include <libxml/tree.h>

#include "corvel/base/print_utility.h"

namespace corvel {

class GeneratePortConfig;

// Reads the port element's rate, when it has one, into the configuration
// (whose line rate, clock and stream distribution are already set) and
// prints "Corvel>     Rate: VALUE UNIT". Throws a TextError, with the rate
// element as the place, for a refused rate.
void readPortRate(const PrintUtility& printer, const xmlNode* portNode, GeneratePortConfig& config);

}  // namespace corvel
