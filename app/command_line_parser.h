#pragma once

#include <string_view>

// The index-th parameter of a command line, as a view into `line`. The first
// parameter (number 0) is the program name. Separators are the bytes 1 to 32
// and empty quoted pairs; a double quote opens a section that runs to the next
// quote (or the end of the line), spaces included. A parameter enclosed in
// quotes at both ends comes back without them; quotes inside stay. A NUL byte
// ends the line. An index beyond the last parameter, or a negative one, gives
// the empty view.
std::string_view CommandLineParameter(std::string_view line, int index);
