// Remote calls run on static buffers: count heap allocations across calls.
#include <gtest/gtest.h>

#include "counting_new.h"
#include "instrument/virtual_instrument.h"
#include "quillsan.h"
#include "serial_transport.h"
#include "virtual_link_test.h"

namespace quillsan::test {
namespace {

class AllocationTest : public VirtualLinkTest {};

TEST_F(AllocationTest, RemoteCallsAllocateNothing) {
    GetSlaveParameter(0, 0);  // first use of every static
    const std::uint64_t before = test_support::HeapAllocations();
    for (int i = 0; i < 1000; ++i) {
        GetSlaveParameter(0, 0);
        SetSlaveParameter(5, 1, 2);
        ReadTempTab(3);
        GetInstrumentStatus();
    }
    EXPECT_EQ(test_support::HeapAllocations() - before, 0u);
    EXPECT_EQ(GetRemoteError(), 0);
}

}  // namespace
}  // namespace quillsan::test
