// --link given as a serial device path, which names a port on Linux only
// (posix/device_link.cpp, windows/device_link.cpp), and the number parsing
// the link's forms share.
#pragma once

#include <cstdint>
#include <string>

#include "cli_options.h"

namespace brevalin::cli {

// The library takes a 32-bit port index, COM number - 1.
constexpr std::uint32_t kHighestCom = 4294967295u;
constexpr std::uint32_t kHighestBaud = 4000000;

bool AllDigits(const std::string& text);

// A whole decimal number from `lowest` to `highest`.
bool ParseNumber(const std::string& text, std::uint32_t lowest, std::uint32_t highest,
                 std::uint32_t& value);

// A device path with an optional ":baud".
bool ParseDevicePath(const std::string& text, LinkChoice& link, std::string& error);

}  // namespace brevalin::cli
