// Linked into every test program that runs the library in-process: each test
// starts from the state a fresh load has and a fresh shared instrument, so no
// test depends on what an earlier one left open or held.
#include <gtest/gtest.h>

#include "instrument/virtual_instrument.h"
#include "library_state.h"

namespace {

class FreshState : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        quillsan::ResetLibraryState();
        instrument::SharedInstrument().Reset();
    }
};

const bool registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshState);
    return true;
}();

}  // namespace
