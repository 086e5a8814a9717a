#pragma once

#include <cstdint>

// Every malloc, calloc and realloc of the process counts here (operator new
// goes through malloc), so a benchmark can tell how many allocations its loop made.
std::uint64_t AllocationCount();
