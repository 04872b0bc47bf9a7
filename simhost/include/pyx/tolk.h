/* The simulator host library that plug-ins import (PyxLite_B0 for corvel_lite,
 * PyxMax for cellgen). Both libraries export the same four TOLK functions. */
#ifndef PYX_TOLK_H
#define PYX_TOLK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A console command handler. The host calls it with the string arguments
 * first (pointers to NUL-terminated text), then the integer arguments, each as
 * its own parameter; a nonzero result means success. The pointer is stored
 * untyped and cast to the exact signature for the declared argument counts. */
typedef int (*TOLK_ConsoleFunction)(void);

int TOLK_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int TOLK_printf_error(const char* format, ...) __attribute__((format(printf, 1, 2)));
/* Registers a console command; zero means failure. */
int TOLK_register_console_function(const char* name, TOLK_ConsoleFunction handler,
                                   int stringArgs, int intArgs);
/* Runs one host console command line (the host records it as a table write). */
int TOLK_ExecuteCommandStr(const char* command);

#ifdef __cplusplus
}
#endif

#endif
