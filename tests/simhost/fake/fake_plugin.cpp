// The test plug-in. Console commands:
//   fake_frames DEV PORT COUNT LENGTH GAP   COUNT frames of LENGTH bytes on a
//                                           receive port, GAP after each
//   fake_echo TEXT, fake_pair TEXT N, fake_ints A B   print their arguments
//   fake_exec LINE                          hands LINE to TOLK_ExecuteCommandStr
//   fake_throw                              lets an exception escape
#include "fake_plugin.h"

#include <memory>
#include <stdexcept>
#include <vector>

#include "pyx/foreign_model.h"
#include "pyx/tolk.h"

namespace {

struct FakePort {
  int32_t device = 0;
  int32_t port = 0;
  int32_t framesLeft = 0;
  int32_t length = 0;
  int32_t gap = 0;
  int32_t frame = 0;
  int32_t index = 0;
  uint64_t asks = 0;
};

struct FakeState {
  std::vector<std::unique_ptr<FakePort>> ports;
  std::vector<FakeEvent> events;
  int initializeCount = 0;
  int hookCount = 0;
};

FakeState& state() {
  static FakeState s;
  return s;
}

void record(int kind, const FakePort* p, uint32_t cycle, uint8_t byte, uint8_t eop, int32_t value) {
  state().events.push_back({kind, p ? p->device : -1, p ? p->port : -1, cycle, byte, eop, value});
}

FakePort* receivePort(int32_t device, int32_t port) {
  // The latest registration wins: a port declared again gets a new handle.
  auto& ports = state().ports;
  for (auto it = ports.rbegin(); it != ports.rend(); ++it)
    if ((*it)->device == device && (*it)->port == port && (*it)->length >= 0) return it->get();
  return nullptr;
}

int fakeFrames(int32_t device, int32_t port, int32_t count, int32_t length, int32_t gap) {
  FakePort* p = receivePort(device, port);
  if (!p || length < 1) return 0;
  p->framesLeft = count;
  p->length = length;
  p->gap = gap;
  return 1;
}

int fakeEcho(const char* text) {
  TOLK_printf("fake: [%s]\n", text);
  return 1;
}

int fakePair(const char* text, int32_t value) {
  TOLK_printf("fake: [%s] %d\n", text, value);
  return 1;
}

int fakeInts(int32_t a, int32_t b) {
  TOLK_printf("fake: %d %d\n", a, b);
  return 1;
}

int fakeExec(const char* line) { return TOLK_ExecuteCommandStr(line); }

int fakeThrow() { throw std::runtime_error("fake failure"); }

int initHook() {
  ++state().hookCount;
  return 1;
}

int one() { return 1; }

template <typename Fn>
void registerCommand(const char* name, Fn fn, int strings, int ints) {
  TOLK_register_console_function(name, reinterpret_cast<TOLK_ConsoleFunction>(reinterpret_cast<void (*)()>(fn)),
                                 strings, ints);
}

void initPort(bool receive, uint32_t device, uint32_t port, uint32_t* block, PyxPortHandle* handle) {
  auto p = std::make_unique<FakePort>();
  p->device = static_cast<int32_t>(device);
  p->port = static_cast<int32_t>(port);
  p->length = receive ? 0 : -1;  // -1 marks a transmit port
  record(receive ? kFakeInitRx : kFakeInitTx, p.get(), 0, 0, 0, static_cast<int32_t>(block[2]));
  *handle = p.get();
  state().ports.push_back(std::move(p));
}

}  // namespace

extern "C" {

void Initialize() {
  ++state().initializeCount;
  registerCommand("fake_frames", fakeFrames, 0, 5);
  registerCommand("fake_echo", fakeEcho, 1, 0);
  registerCommand("fake_pair", fakePair, 1, 1);
  registerCommand("fake_ints", fakeInts, 0, 2);
  registerCommand("fake_exec", fakeExec, 1, 0);
  registerCommand("fake_throw", fakeThrow, 0, 0);
}

void InitializeRxPort(uint32_t, uint32_t device, uint32_t port, uint32_t* block, PyxPortHandle* handle) {
  initPort(true, device, port, block, handle);
}

void InitializeTxPort(uint32_t, uint32_t device, uint32_t port, uint32_t* block, PyxPortHandle* handle) {
  initPort(false, device, port, block, handle);
}

uint8_t GetNextByte(PyxPortHandle handle, uint32_t cycle, uint8_t* byte, uint8_t* eop) {
  auto* p = static_cast<FakePort*>(handle);
  ++p->asks;
  if (p->framesLeft <= 0) {
    // Like corvel_lite's idle frames: the flags say nothing when no byte is delivered.
    *byte = 0x55;
    *eop = 1;
    return 0;
  }
  *byte = fakePattern(p->port, p->frame, p->index);
  *eop = p->index + 1 == p->length ? 1 : 0;
  record(kFakeDeliver, p, cycle, *byte, *eop, 0);
  if (++p->index == p->length) {
    p->index = 0;
    ++p->frame;
    --p->framesLeft;
  }
  return 1;
}

int32_t GetInterpacketTime(PyxPortHandle handle) {
  auto* p = static_cast<FakePort*>(handle);
  record(kFakeGap, p, 0, 0, 0, p->gap);
  return p->gap;
}

#ifndef FAKE_WITHOUT_SEND_NEXT_BYTE
void SendNextByte(PyxPortHandle handle, uint32_t cycle, uint8_t byte, uint8_t eop) {
  record(kFakeSend, static_cast<FakePort*>(handle), cycle, byte, eop, 0);
}
#endif

void CloseRxPort(PyxPortHandle handle) { record(kFakeCloseRx, static_cast<FakePort*>(handle), 0, 0, 0, 0); }
void CloseTxPort(PyxPortHandle handle) { record(kFakeCloseTx, static_cast<FakePort*>(handle), 0, 0, 0, 0); }
void Close() {}
void Reset() {}

void GetForeignModelFunctions(PyxForeignHook* init, PyxForeignHook* a, PyxForeignHook* b, PyxForeignHook* exitHook,
                              PyxForeignHook* reset) {
  *init = initHook;
  *a = one;
  *b = one;
  *exitHook = one;
  *reset = one;
}

int fake_event_count() { return static_cast<int>(state().events.size()); }

int fake_event_at(int index, FakeEvent* out) {
  if (index < 0 || static_cast<size_t>(index) >= state().events.size()) return 0;
  *out = state().events[static_cast<size_t>(index)];
  return 1;
}

int fake_initialize_count() { return state().initializeCount; }
int fake_hook_count() { return state().hookCount; }

uint64_t fake_asks(int32_t device, int32_t port) {
  const FakePort* p = receivePort(device, port);
  return p ? p->asks : 0;
}

void fake_reset_state() { state() = FakeState{}; }

}  // extern "C"
