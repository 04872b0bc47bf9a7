// A small plug-in for the host's tests: receive ports send numbered frames of
// a set length with a set gap, every call the host makes is recorded, and a
// few console commands echo their arguments.
#pragma once

#include <stdint.h>

extern "C" {

enum FakeEventKind {
  kFakeDeliver = 1,     // GetNextByte delivered a byte
  kFakeGap = 2,         // GetInterpacketTime answered `value`
  kFakeSend = 3,        // SendNextByte
  kFakeCloseRx = 4,     // CloseRxPort (device/port of the handle, -1 for none)
  kFakeCloseTx = 5,     // CloseTxPort
  kFakeInitRx = 6,      // InitializeRxPort; value = the block's frequency
  kFakeInitTx = 7,      // InitializeTxPort
};

struct FakeEvent {
  int kind;
  int32_t device;
  int32_t port;
  uint32_t cycle;
  uint8_t byte;
  uint8_t endOfPacket;
  int32_t value;
};

// Queries for the tests (looked up with dlsym).
typedef int (*FakeEventCountFn)(void);
typedef int (*FakeEventAtFn)(int index, struct FakeEvent* out);
typedef int (*FakeCounterFn)(void);
typedef uint64_t (*FakeAsksFn)(int32_t device, int32_t port);
typedef void (*FakeResetFn)(void);
}

// Byte `index` of frame `frame` sent on receive port `port`.
inline uint8_t fakePattern(int32_t port, int32_t frame, int32_t index) {
  if (index == 0) return static_cast<uint8_t>(0xA0 + port);
  if (index == 1) return static_cast<uint8_t>(frame);
  return static_cast<uint8_t>(index);
}
