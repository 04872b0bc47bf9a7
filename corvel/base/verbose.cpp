#include "corvel/base/verbose.h"

namespace corvel {

namespace {
int32_t g_verboseLevel = 1;
}

int32_t verboseLevel() noexcept { return g_verboseLevel; }
void setVerboseLevel(int32_t level) noexcept { g_verboseLevel = level; }

}  // namespace corvel
