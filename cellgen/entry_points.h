// The C entry points that libcellgen.so exports to the simulator host.
#ifndef CELLGEN_ENTRY_POINTS_H
#define CELLGEN_ENTRY_POINTS_H

#include <stdint.h>

#include "pyx/foreign_model.h"

#ifdef __cplusplus
extern "C" {
#endif

void Initialize(void);
void InitializeRxPort(uint32_t unused, uint32_t device, uint32_t port, uint32_t* block,
                      PyxPortHandle* handle);
uint8_t GetNextByte(PyxPortHandle handle, uint32_t cycle, uint8_t* byte, uint8_t* endOfPacket);
int32_t GetInterpacketTime(PyxPortHandle handle);
void CloseRxPort(PyxPortHandle handle);
void Reset(void);
void Close(void);
void InitializeTxPort(uint32_t unused, uint32_t device, uint32_t port, uint32_t* block,
                      PyxPortHandle* handle);
void SendNextByte(PyxPortHandle handle, uint32_t cycle, uint8_t byte, uint8_t endOfPacket);
void CloseTxPort(PyxPortHandle handle);
void GetForeignModelFunctions(PyxForeignHook* initialize, PyxForeignHook* second,
                              PyxForeignHook* third, PyxForeignHook* exit, PyxForeignHook* reset);

#ifdef __cplusplus
}
#endif

#endif
