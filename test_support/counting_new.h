// Heap allocations made by this process so far, counted by a replaced
// operator new; link the counting_new object library to use it.
#pragma once

#include <cstdint>

namespace test_support {

std::uint64_t HeapAllocations();

}  // namespace test_support
