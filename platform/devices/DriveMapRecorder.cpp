#include "platform/devices/DriveMap.h"

// Virtual recorders join once their implementation is part of this library.
VirtualRecorderFactory DefaultVirtualRecorderFactory() { return {}; }
