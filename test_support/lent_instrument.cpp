#include "lent_instrument.h"

#if defined(_WIN32)
#define QUILLSAN_HOST_EXPORT __declspec(dllexport)
#else
#define QUILLSAN_HOST_EXPORT __attribute__((visibility("default")))
#endif

namespace test_support {

// Never destroyed: the library may still reach it while the process ends.
instrument::VirtualInstrument& LentInstrument() {
    static instrument::VirtualInstrument* const lent = new instrument::VirtualInstrument;
    return *lent;
}

}  // namespace test_support

extern "C" QUILLSAN_HOST_EXPORT instrument::VirtualInstrument* QuillsanHostInstrument() {
    return &test_support::LentInstrument();
}
