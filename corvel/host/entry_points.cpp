// The exported entry points of the corvel_lite plug-in (C linkage).
#include "pyx/foreign_model.h"
