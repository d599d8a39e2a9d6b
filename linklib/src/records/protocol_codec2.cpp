// Second form: every field always sent, wider steps and segments, a tail byte.
#include <initializer_list>

#include "protocol_codec.h"
#include "protocol_opening.h"

namespace quillsan {
namespace {

constexpr std::uint16_t kMaxE = 8191;

bool Encodable(const ProtocolRecord2& record) {
    if (record.stepCount > kMaxSteps) return false;
    for (std::size_t j = 0; j < record.stepCount; ++j) {
        if (record.steps[j].segmentCount > kMaxSegments) return false;
    }
    return true;
}

}  // namespace

std::size_t EncodeProtocol2(std::uint8_t* out, const ProtocolRecord2& record) {
    if (!Encodable(record)) return 0;
    ByteWriter writer(out);
    WriteOpening(writer, record);
    for (std::size_t j = 0; j < record.stepCount; ++j) {
        const ProtocolStep2& step = record.steps[j];
        writer.Word(step.stepValue);
        writer.Byte(step.segmentCount);
        writer.Byte(step.stepByte);
        for (std::size_t k = 0; k < step.segmentCount; ++k) {
            const ProtocolSegment2& s = step.segments[k];
            for (std::uint16_t value : {s.a, s.b, s.c, s.d, s.e > kMaxE ? kMaxE : s.e, s.f, s.g}) {
                writer.Word(value);
            }
            writer.Byte(s.h);
        }
    }
    writer.Byte(record.tailByte);
    return writer.size();
}

std::size_t DecodeProtocol2(ProtocolRecord2& record, const std::uint8_t* in, std::size_t length) {
    ByteReader reader(in, length);
    if (!ReadOpening(reader, record)) return 0;
    for (std::size_t j = 0; j < record.stepCount; ++j) {
        ProtocolStep2& step = record.steps[j];
        step.stepValue = reader.Word();
        step.segmentCount = reader.Byte();
        if (reader.overrun() || step.segmentCount > kMaxSegments) return 0;
        step.stepByte = reader.Byte();
        for (std::size_t k = 0; k < step.segmentCount; ++k) {
            ProtocolSegment2& s = step.segments[k];
            s.a = reader.Word();
            s.b = reader.Word();
            s.c = reader.Word();
            s.d = reader.Word();
            s.e = reader.Word();
            s.f = reader.Word();
            s.g = reader.Word();
            s.h = reader.Byte();
        }
        if (reader.overrun()) return 0;
    }
    record.tailByte = reader.Byte();
    return reader.overrun() ? 0 : 1;
}

}  // namespace quillsan
