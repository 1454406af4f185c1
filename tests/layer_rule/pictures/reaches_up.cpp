// SPDX-License-Identifier: MIT
// A file of pictures/ for the layer rule's test: one include it may make, one against the layers.
#include "core/problem_log.h"
#include "switching/switcher.h"
