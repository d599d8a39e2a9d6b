// A USB full-speed link as the USB benchmark models it. The instrument's
// interface uses no report identifiers, so byte 0 of a report never travels:
// an output report puts 256 bytes on the bus (4 packets), an input report 258
// (5 packets), a feature report 256 (4 data packets; its setup and status
// stages share those frames). Each packet costs one whole 1 ms frame, as an
// endpoint polled every frame gives, and a transfer starts at a frame boundary.
// The device answers a request as soon as the output report's last packet has
// arrived, and loads its status into an input report when the host's read
// begins. Time is the library's virtual clock, so the transport's own waits
// (the pause after a report without the ready bit) count in the same frames.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bench {

inline constexpr std::size_t kPacketBytes = 64;
inline constexpr std::uint64_t kFrameMs = 1;

// Frames for a report of `reportBytes` as the host hands it over, identifier included.
constexpr std::uint64_t ReportFrames(std::size_t reportBytes) {
    const std::size_t wire = reportBytes - 1;
    return (wire + kPacketBytes - 1) / kPacketBytes * kFrameMs;
}

// What crossed the modelled bus.
struct BusCounts {
    std::uint64_t outputReports = 0;
    std::uint64_t inputReports = 0;
    std::uint64_t featureReports = 0;
    std::uint64_t busMs = 0;  // time the bus spent moving those reports
};

BusCounts& Bus();

}  // namespace bench
