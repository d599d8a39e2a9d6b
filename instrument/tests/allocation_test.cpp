// The hot-path commands must not allocate: a benchmark counts allocations per call.
#include <gtest/gtest.h>

#include "counting_new.h"
#include "firmware_requests.h"
#include "instrument/firmware.h"

namespace instrument {
namespace {

using namespace wire_test;

TEST(HotPath, SteadyStateCommandsDoNotAllocate) {
    Firmware firmware;
    const std::vector<Bytes> requests = {
        BlockRequest(0, kTransferBuffer, 4, {1, 2, 3, 4}),
        BlockRequest(1, kTransferBuffer, 254),
        Request(2, {0, 0}),
        Request(3, {5, 1, 2}),
        Request(31, {3}),
        Request(62, {0x7003}),
        Request(62, {0x6002}),
        Request(62, {0x1001}),
        Request(68, {0x4006, 0}),
        Request(68, {0x4007, 0}),
        Request(71, {1, 2, 3}),
        Request(72),
        Request(73, {0, 0}),
        Request(84, {7}),
    };
    Send(firmware, Request(3, {22, 0x7001, 0}));
    Reply reply;
    const std::uint64_t before = test_support::HeapAllocations();
    for (const Bytes& request : requests) {
        firmware.Execute(request.data(), request.size(), reply);
        EXPECT_TRUE(reply.accepted);
    }
    EXPECT_EQ(test_support::HeapAllocations() - before, 0u);
}

}  // namespace
}  // namespace instrument
