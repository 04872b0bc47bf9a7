// Readers of the payload elements: payload / increment_payload,
// fixed_payload, random_payload and workbench_log. Sizes and iterations
// default to 1; groups S, T and P follow the sizes. In a capture set,
// signature="0" says the stream's PDUs carry no payload tag.
#pragma once

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

// payload, increment_payload: start_size, end_size, incr, iterations.
// Unit TcsPayloadProtocol.
ProtocolPtr readIncrementPayload(TcsManager& manager, const ProtocolElement& element);

// fixed_payload: size (comma-separated sizes; in a capture set a size may be
// 0), iterations. Unit TcsPayloadProtocol.
ProtocolPtr readFixedPayload(TcsManager& manager, const ProtocolElement& element);

// random_payload: min_size, max_size, iterations. Reports nothing itself.
ProtocolPtr readRandomPayload(TcsManager& manager, const ProtocolElement& element);

// workbench_log: filename (required; without it no configuration),
// skipFirstLine, skipLineNumbers, iterations. Unit TcsPayloadProtocol.
ProtocolPtr readWorkbenchLogPayload(TcsManager& manager, const ProtocolElement& element);

// The attributes each reader above takes, for the reference of the format.
void describeIncrementPayload(AttributeDocs& out);
void describeFixedPayload(AttributeDocs& out);
void describeRandomPayload(AttributeDocs& out);
void describeWorkbenchLogPayload(AttributeDocs& out);

}  // namespace corvel
