// Remote calls run on static buffers: count heap allocations across calls.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "instrument/virtual_instrument.h"
#include "quillsan.h"
#include "serial_transport.h"
#include "test_support.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace quillsan::test {
namespace {

class AllocationTest : public VirtualLinkTest {};

TEST_F(AllocationTest, RemoteCallsAllocateNothing) {
    GetSlaveParameter(0, 0);  // first use of every static
    const long before = g_allocations.load();
    for (int i = 0; i < 1000; ++i) {
        GetSlaveParameter(0, 0);
        SetSlaveParameter(5, 1, 2);
        ReadTempTab(3);
        GetInstrumentStatus();
    }
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_EQ(GetRemoteError(), 0);
}

}  // namespace
}  // namespace quillsan::test
