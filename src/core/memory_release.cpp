// SPDX-License-Identifier: MIT
#include "core/memory_release.h"

#include <cstdlib> // defines __GLIBC__ on glibc systems

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void releaseFreedMemory() {
#if defined(__GLIBC__)
    // glibc keeps freed heap pages and, after a big block is freed, serves more from the heap instead of
    // fresh mappings; trimming returns every free page, also those between blocks still in use. The Windows heap
    // gives large freed blocks back by itself.
    malloc_trim(0);
#endif
}
