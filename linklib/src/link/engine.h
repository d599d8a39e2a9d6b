// The remote call engine: sends requests over the link chosen for each packet
// and turns replies into results. The packet buffer that replies land in is
// its own; a failed exchange sets the link error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "link_error.h"
#include "request.h"

namespace quillsan {

inline constexpr std::size_t kPacketBufferBytes = 512;

// Sends the request and takes resultWidth reply bytes as a number, most
// significant first. No value when the request cannot go out (link error 1)
// or no valid reply comes (link error 6).
std::optional<std::uint32_t> Exchange(const Request& request, std::size_t resultWidth);

// Sends the request and copies the length reply bytes to buffer; false as above.
bool ExchangeInto(const Request& request, std::uint8_t* buffer, std::size_t length);

// A numbered command with its arguments cut to the widths of the command
// table. Its result, or 0 when the number is unknown or the exchange fails
// (a result of 0 is told from a failure by the link error alone).
std::uint32_t RemoteCall(std::uint32_t command, std::uint32_t argument1 = 0,
                         std::uint32_t argument2 = 0, std::uint32_t argument3 = 0);

}  // namespace quillsan
