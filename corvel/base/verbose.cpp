#include "corvel/base/verbose.h"

namespace corvel {

namespace {
int32_t g_verboseLevel = 1;
bool g_quiet = false;
}  // namespace

int32_t verboseLevel() noexcept { return g_quiet ? 0 : g_verboseLevel; }
int32_t storedVerboseLevel() noexcept { return g_verboseLevel; }
void setVerboseLevel(int32_t level) noexcept { g_verboseLevel = level; }
bool quietConsole() noexcept { return g_quiet; }
void setQuietConsole(bool quiet) noexcept { g_quiet = quiet; }

}  // namespace corvel
