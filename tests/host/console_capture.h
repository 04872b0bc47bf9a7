// Console capture of the shared test support.
#pragma once

#include "tests/support/console_capture.h"
