// The random sequence behind the fault plans: splitmix64, small and fast, and
// the same sequence for the same plan number, so a soak run can be repeated.
#pragma once

#include <cstdint>

namespace instrument {

class FaultSequence {
  public:
    // Starts over whenever the plan number changes.
    std::uint64_t Next(std::uint64_t planNumber) {
        if (!started_ || startedFor_ != planNumber) {
            state_ = planNumber;
            startedFor_ = planNumber;
            started_ = true;
        }
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

  private:
    std::uint64_t state_ = 0;
    std::uint64_t startedFor_ = 0;
    bool started_ = false;
};

}  // namespace instrument
