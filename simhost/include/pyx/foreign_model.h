/* The foreign-model entry-point convention: the exports a plug-in offers and
 * the host resolves by name. Every argument is a plain 32-bit value except the
 * pointers (port handles, out-parameters). */
#ifndef PYX_FOREIGN_MODEL_H
#define PYX_FOREIGN_MODEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* PyxPortHandle;
typedef int (*PyxForeignHook)(void);

typedef void (*PyxInitializeFn)(void);
/* (ignored word, device, port, {rate, interpacket time, bus frequency}, handle slot) */
typedef void (*PyxInitializePortFn)(uint32_t, uint32_t, uint32_t, uint32_t*, PyxPortHandle*);
/* (handle, cycle, byte out, end-of-packet out) -> 1 when a byte was delivered */
typedef uint8_t (*PyxGetNextByteFn)(PyxPortHandle, uint32_t, uint8_t*, uint8_t*);
typedef int32_t (*PyxGetInterpacketTimeFn)(PyxPortHandle);
/* (handle, cycle, byte, end-of-packet) */
typedef void (*PyxSendNextByteFn)(PyxPortHandle, uint32_t, uint8_t, uint8_t);
/* Close/Reset/CloseRxPort/CloseTxPort: plug-ins that use the handle take it. */
typedef void (*PyxClosePortFn)(PyxPortHandle);
typedef void (*PyxVoidFn)(void);
typedef void (*PyxGetForeignModelFunctionsFn)(PyxForeignHook*, PyxForeignHook*, PyxForeignHook*,
                                              PyxForeignHook*, PyxForeignHook*);

#ifdef __cplusplus
}
#endif

#endif
