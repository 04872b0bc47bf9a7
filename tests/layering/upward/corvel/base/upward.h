// A header of the bottom folder that includes one of the top: the include
// check must refuse this tree.
#pragma once

#include "corvel/base/print_utility.h"
#include "corvel/host/corvel.h"
