#pragma once

#include <cstdio>

#include "tools/RegOptions.h"

// Carries out `options` on the current user's hive; messages go to `err`,
// listings and exported files named "-" to `out`, an import from "-" is read
// from `in`. Returns the exit status.
int RunReg(const TRegOptions& options, FILE* in, FILE* out, FILE* err);
