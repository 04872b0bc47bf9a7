/* Optional entry points of our own that a plug-in may export beside the
 * foreign-model ones. A host looks them up with dlsym and does without them
 * when they are absent; a plug-in's byte calls do not depend on them.
 *
 *   uint32_t CorvelRunReport(char* buffer, uint32_t capacity)
 *     The report of the plug-in's last run, torn down by CloseRxPort or
 *     CloseTxPort: a JSON object with "format" ("corvel-run-report"),
 *     "version" and "run" (1 for the first run torn down, then 2, ...; 0
 *     before any), then the run's figures. Answers the length of the whole
 *     text without its terminating NUL and copies as much of it as fits into
 *     `buffer` (capacity - 1 bytes and a NUL; nothing with capacity 0), as
 *     snprintf does: call with (NULL, 0) for the size, then with a buffer.
 *
 *   void CorvelQuietConsole(uint32_t quiet)
 *     Nonzero: leave out the enter/exit trace lines of the entry points and
 *     console commands and every trace line gated by the verbose level;
 *     errors, warnings and reports still print. A host calls it right after
 *     loading the library, before GetForeignModelFunctions.
 */
#ifndef PYX_CORVEL_RUN_REPORT_H
#define PYX_CORVEL_RUN_REPORT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t (*CorvelRunReportFn)(char* buffer, uint32_t capacity);
typedef void (*CorvelQuietConsoleFn)(uint32_t quiet);

#define CORVEL_RUN_REPORT_SYMBOL "CorvelRunReport"
#define CORVEL_QUIET_CONSOLE_SYMBOL "CorvelQuietConsole"

#ifdef __cplusplus
}
#endif

#endif
