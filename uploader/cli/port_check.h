// Why a serial port gave no instrument, in words an administrator can act on:
// a port that is missing, forbidden or held by another program is not "no
// instrument".
#pragma once

#include <cstdint>
#include <string>

namespace brevalin::cli {

// The port's device and what stands in the way of opening it; empty when the
// port opens, so the instrument itself did not answer.
std::string SerialPortProblem(std::uint32_t comNumber);

}  // namespace brevalin::cli
