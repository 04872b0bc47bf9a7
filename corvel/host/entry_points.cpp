// The exported entry points of the corvel_lite plug-in (C linkage). Each one
// forwards to the controller or the interface state and catches everything:
// nothing thrown inside the plug-in reaches the host.
#include "pyx/foreign_model.h"

#include <cstring>
#include <string>

#include <cstdint>
#include <type_traits>

#include "corvel/host/console_commands.h"
#include "corvel/host/corvel.h"
#include "corvel/host/corvel_intf.h"
#include "corvel/base/print_utility.h"
#include "corvel/base/verbose.h"
#include "pyx/corvel_run_report.h"
#include "corvel/base/text_error.h"
#include "corvel/host/workbench_port.h"

using corvel::PrintUtility;
using corvel::TextError;
using corvel::WorkbenchPort;
namespace intf = corvel::intf;

namespace {

int foreign_model_initialize(void) {
  try {
    intf::trace("foreign_model_initialize() - enter\n");
    intf::trace("foreign_model_initialize() - exit\n");
  } catch (...) {
  }
  return 1;
}

int foreign_model_exit(void) {
  try {
    intf::trace("foreign_model_exit() - enter\n");
    intf::trace("foreign_model_exit() - exit\n");
  } catch (...) {
  }
  return 1;
}

int foreign_model_reset(void) {
  try {
    intf::trace("foreign_model_reset() - enter\n");
    intf::trace("foreign_model_reset() - exit \n");
  } catch (...) {
  }
  return 1;
}

int foreign_model_ready(void) { return 1; }

// Shared by InitializeRxPort (direction 1) and InitializeTxPort (direction 0).
void initializePort(int32_t direction, uint32_t device, uint32_t port, const uint32_t* block,
                    PyxPortHandle* handle) {
  PrintUtility& out = intf::out();
  const bool receive = direction == 1;
  intf::trace(receive ? "CorvelIntf> InitializeRxPort(...) - enter \n"
                      : "CorvelIntf> InitializeTxPort(...) - enter \n");
  try {
    if (!block || !handle) throw TextError("missing port block or handle slot");
    WorkbenchPort record;
    record.direction = direction;
    record.device = static_cast<int32_t>(device);
    record.port = static_cast<int32_t>(port);
    record.rate = static_cast<int32_t>(block[0]);
    record.interpacketTime = static_cast<int32_t>(block[1]);
    record.mediaBusClockFrequency = static_cast<int32_t>(block[2]);
    WorkbenchPort& stored = intf::addHostPort(record);
    *handle = &stored;
    out.print(receive ? "CorvelTestPyxSeries> adding to WorkbenchInterface.glb_deviceList\n"
                      : "CorvelIntf> adding to WorkbenchInterface.glb_deviceList (PyxLite)\n");
    out.print("CorvelIntf>   Device %d Port %d", stored.device, stored.port);
    out.print(" Rate %d InterPktTime %d MediaBusClockFreq %d\n", stored.rate,
              stored.interpacketTime, stored.mediaBusClockFrequency);
  } catch (...) {
    out.print(receive ? "CorvelIntf> ERROR: Exception during InitializeRxPort!\n"
                      : "CorvelIntf> ERROR: Exception during InitializeTxPort!\n");
  }
  intf::trace(receive ? "CorvelIntf> InitializeRxPort(...) - exit \n" : "CorvelIntf> InitializeTxPort(...) - exit \n");
}

void closePort(bool receive) {
  try {
    intf::trace(receive ? "CorvelIntf> CloseRxPort(...) - enter\n" : "CorvelIntf> CloseTxPort(...) - enter\n");
    try {
      intf::teardown();
    } catch (...) {
    }
    intf::trace(receive ? "CorvelIntf> CloseRxPort(...) - exit\n" : "CorvelIntf> CloseTxPort(...) - exit\n");
  } catch (...) {
  }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void Initialize(void) {
  try {
    intf::trace("CorvelIntf> Initialize() - enter\n");
    corvel::DLL_CorvelInit();
    intf::trace("CorvelIntf> Initialize() - exit\n");
  } catch (...) {
  }
}

__attribute__((visibility("default"))) void InitializeRxPort(uint32_t /*ignored*/, uint32_t device,
                                                             uint32_t port, uint32_t* block,
                                                             PyxPortHandle* handle) {
  try {
    initializePort(1, device, port, block, handle);
  } catch (...) {
  }
}

__attribute__((visibility("default"))) void InitializeTxPort(uint32_t /*ignored*/, uint32_t device,
                                                             uint32_t port, uint32_t* block,
                                                             PyxPortHandle* handle) {
  try {
    initializePort(0, device, port, block, handle);
  } catch (...) {
  }
}

__attribute__((visibility("default"))) uint8_t GetNextByte(PyxPortHandle handle, uint32_t cycle,
                                                           uint8_t* byte, uint8_t* endOfPacket) {
  corvel::Corvel* controller = intf::controller();
  if (!controller) return 0;
  // 1 only once a byte was written; a failed request delivers nothing.
  uint8_t delivered = 0;
  try {
    uint8_t scratchByte = 0;
    uint8_t scratchFlag = 0;
    controller->OnGetNextByte(static_cast<WorkbenchPort*>(handle), delivered, cycle,
                              byte ? *byte : scratchByte, endOfPacket ? *endOfPacket : scratchFlag);
  } catch (const TextError& e) {
    intf::out().print("CorvelIntf> ERROR: Exception during GetNextByte: %s\n", e.text());
  } catch (...) {
    try {
      intf::out().print("CorvelIntf> ERROR: Exception during GetNextByte: Unknown\n");
    } catch (...) {
    }
  }
  return delivered;
}

__attribute__((visibility("default"))) int32_t GetInterpacketTime(PyxPortHandle handle) {
  corvel::Corvel* controller = intf::controller();
  if (!controller || !handle) return 0;
  try {
    return controller->GetInterpacketTime(static_cast<WorkbenchPort*>(handle));
  } catch (...) {
    try {
      intf::out().print("CorvelIntf> ERROR: Exception during GetInterpacketTime!\n");
    } catch (...) {
    }
  }
  return 0;
}

__attribute__((visibility("default"))) void SendNextByte(PyxPortHandle handle, uint32_t cycle,
                                                         uint8_t byte, uint8_t endOfPacket) {
  corvel::Corvel* controller = intf::controller();
  if (!controller) return;
  auto* record = static_cast<WorkbenchPort*>(handle);
  try {
    controller->OnSendNextByte(record, cycle, byte, endOfPacket);
  } catch (...) {
    try {
      if (record)
        intf::out().print("CorvelIntf> ERROR: Exception during SendNextByte to device %d port %d!\n",
                          record->device, record->port);
      else
        intf::out().print(
            "CorvelIntf> ERROR: Exception during SendNextByte to an unknown device and port\n");
    } catch (...) {
    }
  }
}

// Either close tears everything down, whichever comes first.
__attribute__((visibility("default"))) void CloseRxPort(PyxPortHandle /*ignored*/) {
  closePort(true);
}

__attribute__((visibility("default"))) void CloseTxPort(PyxPortHandle /*ignored*/) {
  closePort(false);
}

__attribute__((visibility("default"))) void Close(PyxPortHandle /*ignored*/) {
  try {
    intf::trace("CorvelIntf> Close() - enter\n");
    intf::trace("CorvelIntf> Close() - exit\n");
  } catch (...) {
  }
}

__attribute__((visibility("default"))) void Reset(PyxPortHandle /*ignored*/) {
  try {
    intf::trace("CorvelIntf> Reset() - enter\n");
    intf::trace("CorvelIntf> Reset() - exit\n");
  } catch (...) {
  }
}

__attribute__((visibility("default"))) void GetForeignModelFunctions(
    PyxForeignHook* initialize, PyxForeignHook* ready, PyxForeignHook* ready2,
    PyxForeignHook* exit, PyxForeignHook* reset) {
  try {
    intf::trace("GetForeignModelFunctions(...) - start\n");
    if (initialize) *initialize = &foreign_model_initialize;
    if (ready) *ready = &foreign_model_ready;
    if (ready2) *ready2 = &foreign_model_ready;
    if (exit) *exit = &foreign_model_exit;
    if (reset) *reset = &foreign_model_reset;
    intf::trace("GetForeignModelFunctions(...) - exit\n");
  } catch (...) {
  }
}

__attribute__((visibility("default"))) uint32_t CorvelRunReport(char* buffer, uint32_t capacity) {
  try {
    const std::string& report = intf::runReport();
    const auto length = static_cast<uint32_t>(report.size());
    if (buffer && capacity > 0) {
      const uint32_t copied = length < capacity ? length : capacity - 1;
      std::memcpy(buffer, report.data(), copied);
      buffer[copied] = '\0';
    }
    return length;
  } catch (...) {
    if (buffer && capacity > 0) buffer[0] = '\0';
  }
  return 0;
}

__attribute__((visibility("default"))) void CorvelQuietConsole(uint32_t quiet) {
  corvel::setQuietConsole(quiet != 0);
}

}  // extern "C"

// The exports must keep the shapes the host resolves them by.
static_assert(std::is_same_v<decltype(&Initialize), PyxInitializeFn>);
static_assert(std::is_same_v<decltype(&InitializeRxPort), PyxInitializePortFn>);
static_assert(std::is_same_v<decltype(&InitializeTxPort), PyxInitializePortFn>);
static_assert(std::is_same_v<decltype(&GetNextByte), PyxGetNextByteFn>);
static_assert(std::is_same_v<decltype(&GetInterpacketTime), PyxGetInterpacketTimeFn>);
static_assert(std::is_same_v<decltype(&SendNextByte), PyxSendNextByteFn>);
static_assert(std::is_same_v<decltype(&CloseRxPort), PyxClosePortFn>);
static_assert(std::is_same_v<decltype(&CloseTxPort), PyxClosePortFn>);
static_assert(std::is_same_v<decltype(&Close), PyxClosePortFn>);
static_assert(std::is_same_v<decltype(&Reset), PyxClosePortFn>);
static_assert(std::is_same_v<decltype(&GetForeignModelFunctions), PyxGetForeignModelFunctionsFn>);
static_assert(std::is_same_v<decltype(&CorvelRunReport), CorvelRunReportFn>);
static_assert(std::is_same_v<decltype(&CorvelQuietConsole), CorvelQuietConsoleFn>);
