#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Room for the longest report: the first line and the most caller frames at
// 16 address digits each.
inline constexpr std::size_t kMaxReportFrames = 32;
inline constexpr std::size_t kReportCapacity = 64 + kMaxReportFrames * 24;

// Writes the run-time error report into `buffer`:
//   "Runtime error N at $ADDRESS", one "  $ADDRESS" line per caller frame, an
// empty line; lines end with CR LF, addresses are upper-case hexadecimal with
// `digits` digits (two per byte of a pointer). Frames beyond the buffer are
// left out. Returns the text written.
std::string_view FormatRunErrorReport(std::span<char, kReportCapacity> buffer, unsigned number,
                                      std::uintptr_t address,
                                      std::span<const std::uintptr_t> frames,
                                      int digits = sizeof(void*) * 2);
