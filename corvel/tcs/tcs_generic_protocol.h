// Readers of generic layers: the generic element (header and trailer given as
// hex text) and custom protocols, elements named after a declaration
// "NAME.declare" in type_definitions whose attributes give the bit width of
// each header field; the element's same-named attributes give the values,
// which the frame packer lays out most significant bit first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

// generic: hdr and trl (hex). No configuration when both are absent or one
// lacks the prefix; an absent one is empty. Reports nothing itself.
ProtocolPtr readGenericProtocol(TcsManager& manager, const ProtocolElement& element);

// Any other element name. A missing declaration and a width sum that is not a
// multiple of 8 are reported under TcsCustomProtocol; a field value that is
// not a number, does not fit 32 bits or does not fit its width is printed and
// makes no configuration without a report.
ProtocolPtr readCustomProtocol(TcsManager& manager, const ProtocolElement& element);

// The hex digits of a custom field value: the digits after a "0x"/"0X"
// prefix, or a decimal number (as the C library reads an unsigned 32-bit
// number) in lower-case hex without leading zeros. nullopt after printing
// "Corvel> ERROR: invalid character in %s (%s)\n" for characters after the
// number, or "Corvel> ERROR: decimal value is greater than 32 bits - specify
// in hex!\n" for a number beyond 32 bits (2^32 - 1 itself is taken).
std::optional<std::string> customFieldDigits(const PrintUtility& printer,
                                             std::string_view fieldName, std::string_view value);

// The attributes each reader above takes, for the reference of the format.
void describeGenericAttributes(AttributeDocs& out);

}  // namespace corvel
