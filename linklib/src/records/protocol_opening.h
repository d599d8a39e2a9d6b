// The opening both protocol forms share: the name, then the step count.
#pragma once

#include <cstring>

#include "codec_bytes.h"
#include "protocol_codec.h"

namespace quillsan {

template <typename Record>
void WriteOpening(ByteWriter& out, const Record& record) {
    WriteName(out, record.name);
    out.Byte(record.stepCount);
}

// Clears the record, then reads the opening; false when the name lacks its
// zero byte, the bytes end, or more than kMaxSteps steps are announced.
template <typename Record>
bool ReadOpening(ByteReader& in, Record& record) {
    std::memset(&record, 0, sizeof record);
    if (!ReadName(in, record.name)) return false;
    record.stepCount = in.Byte();
    return !in.overrun() && record.stepCount <= kMaxSteps;
}

}  // namespace quillsan
