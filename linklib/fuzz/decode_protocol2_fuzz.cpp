#include "protocol_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillsan::fuzz::DecodeArbitrary<ProtocolRecord2>(data, size, quillsan::DecodeProtocol2,
                                                            quillsan::EncodeProtocol2);
}
