// Shared body of the protocol decoder fuzz targets: arbitrary bytes and an
// arbitrary announced length. The decoder sees exactly the announced bytes in
// a heap block of that size, so any read past them is caught by the sanitizer.
// Whatever it accepts must encode, and after that one normalisation (clamped
// values, absent fields) encode and decode must agree exactly.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "memory_transfer.h"
#include "protocol_codec.h"

namespace quillsan::fuzz {

template <typename Record, typename Decode, typename Encode>
int DecodeArbitrary(const std::uint8_t* data, std::size_t size, Decode decode, Encode encode) {
    if (size < 2) return 0;
    // The library refuses announcements above the staging buffer before decoding.
    const std::size_t announced = (data[0] | (data[1] << 8)) % (kStagingBytes + 1);
    std::vector<std::uint8_t> staged(data + 2, data + size);
    staged.resize(announced);
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[announced == 0 ? 1 : announced]);
    if (announced != 0) std::memcpy(exact.get(), staged.data(), announced);

    auto record = std::make_unique<Record>();
    if (decode(*record, exact.get(), announced) == 0) return 0;

    std::vector<std::uint8_t> first(kStagingBytes);
    const std::size_t firstLength = encode(first.data(), *record);
    if (firstLength == 0) __builtin_trap();
    auto normalised = std::make_unique<Record>();
    if (decode(*normalised, first.data(), firstLength) == 0) __builtin_trap();
    std::vector<std::uint8_t> second(kStagingBytes);
    const std::size_t secondLength = encode(second.data(), *normalised);
    if (secondLength != firstLength || std::memcmp(first.data(), second.data(), firstLength) != 0) {
        __builtin_trap();
    }
    return 0;
}

}  // namespace quillsan::fuzz
