#pragma once

#include <string_view>

// The port number of a name such as "COM3" or "com12": at most six characters,
// "COM" in either case, then decimal digits read up to the first non-digit.
// Gives 0 when the name does not pass, or when the number is outside 1..255.
int ComPortNumber(std::string_view name);
