// SPDX-License-Identifier: MIT
#pragma once

// Hands memory that the program has freed back to the system. A switch decodes a picture of tens of
// megabytes for a moment; without this the allocator may keep the freed pages, and a program that waits
// in the tray all day would look as big as its largest picture.
void releaseFreedMemory();
