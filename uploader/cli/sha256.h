// SHA-256 of a byte string, as lower-case hex: the manifest's proof of which
// report a file holds.
#pragma once

#include <string>

namespace brevalin::cli {

std::string Sha256Hex(const std::string& bytes);

}  // namespace brevalin::cli
