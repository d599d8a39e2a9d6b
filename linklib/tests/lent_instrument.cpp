// The instrument this test executable lends to the virtual QUILLSAN.DLL.
#include "dll_support.h"

namespace quillsan::test {

instrument::VirtualInstrument& LentInstrument() {
    static instrument::VirtualInstrument* const lent = new instrument::VirtualInstrument;
    return *lent;
}

}  // namespace quillsan::test

#if defined(_WIN32)
#define QUILLSAN_TEST_EXPORT __declspec(dllexport)
#else
#define QUILLSAN_TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QUILLSAN_TEST_EXPORT instrument::VirtualInstrument*
QuillsanHostInstrument() {
    return &quillsan::test::LentInstrument();
}
