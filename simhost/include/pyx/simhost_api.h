/* Extensions of our stand-in host library, used by the host program and the
 * tests: where console text goes, where executed command lines go, and the
 * table of registered console commands. Plug-ins never call these. */
#ifndef PYX_SIMHOST_API_H
#define PYX_SIMHOST_API_H

#include <stdint.h>
#include "pyx/tolk.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Receives every console text (isError = 1 for TOLK_printf_error). With no
 * sink set, text goes to stdout (errors to stderr). */
typedef void (*SimhostTextSink)(void* context, const char* text, int isError);
void simhost_set_console_sink(SimhostTextSink sink, void* context);

/* Receives every TOLK_ExecuteCommandStr line. With no sink set the lines are
 * only counted. */
typedef void (*SimhostCommandSink)(void* context, const char* line);
void simhost_set_command_sink(SimhostCommandSink sink, void* context);
uint64_t simhost_executed_command_count(void);

typedef struct SimhostConsoleCommand {
  const char* name;
  TOLK_ConsoleFunction handler;
  int stringArgs;
  int intArgs;
} SimhostConsoleCommand;

/* Registered commands, in registration order; a later registration of the
 * same name replaces the handler in place. */
int simhost_command_count(void);
const SimhostConsoleCommand* simhost_command_at(int index);
const SimhostConsoleCommand* simhost_find_command(const char* name);
void simhost_clear_commands(void);
/* Makes the next registrations answer this result (1 normal, 0 refuse). */
void simhost_set_register_result(int result);

/* Calls a handler with its declared arguments (strings first, then integers).
 * Any shape of up to SIMHOST_MAX_COMMAND_ARGS arguments in all is supported;
 * answers -1 (and calls nothing) for a larger one. */
#define SIMHOST_MAX_COMMAND_ARGS 6
int simhost_call_command(const SimhostConsoleCommand* command, const char* const* strings,
                         const int32_t* ints);

#ifdef __cplusplus
}
#endif

#endif
