#pragma once

#include "runtime/text.h"

// The index-th command-line parameter; 0 is the full path of the executable.
// An index beyond the last parameter gives the empty text.
TText CommandLineParam(int index);
