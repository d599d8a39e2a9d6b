// The instrument this test executable lends to the virtual QUILLSAN.DLL.
#include "dll_support.h"

namespace quillsan::test {

instrument::VirtualInstrument& LentInstrument() {
    static instrument::VirtualInstrument* const lent = new instrument::VirtualInstrument;
    return *lent;
}

}  // namespace quillsan::test

extern "C" __attribute__((visibility("default"))) instrument::VirtualInstrument*
QuillsanHostInstrument() {
    return &quillsan::test::LentInstrument();
}
