#include "platform/memory_release.h"

// The Windows heap gives large freed blocks back by itself.
void releaseFreedMemory() {}
