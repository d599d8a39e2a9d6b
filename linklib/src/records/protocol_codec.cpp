// First form: optional fields present only when flag bits say so.
#include "protocol_codec.h"

#include "protocol_opening.h"

namespace quillsan {
namespace {

constexpr std::uint8_t kStepByteFlag = 0x80;
constexpr std::uint8_t kAbsentA = 0x80;     // in a: a, b, c and d are not sent
constexpr std::uint16_t kAbsentG = 0x8000;  // in g: g is not sent
constexpr std::uint16_t kGivenG = 0x8000;   // first control word
constexpr std::uint16_t kGivenFirstGroup = 0x4000;
constexpr std::uint16_t kGivenSecondGroup = 0x8000;  // second control word
constexpr std::uint16_t kGivenH = 0x4000;
constexpr std::uint16_t kMaxF = 0x0FFF;
constexpr std::uint16_t kNoE = 8191;
constexpr std::uint16_t kAbsentGReadBack = 0x8028;

bool Encodable(const ProtocolRecord& record) {
    if (record.stepCount > kMaxSteps) return false;
    for (std::size_t j = 0; j < record.stepCount; ++j) {
        const ProtocolStep& step = record.steps[j];
        if (step.stepValue > 0x7F || (step.segmentInfo & 0x0F) > kMaxSegments) return false;
        for (std::size_t k = 0; k < (step.segmentInfo & 0x0Fu); ++k) {
            if (step.segments[k].f > kMaxF) return false;
        }
    }
    return true;
}

void EncodeSegment(ByteWriter& out, const ProtocolSegment& s) {
    const bool givenA = (s.a & kAbsentA) == 0;
    const bool givenG = (s.g & kAbsentG) == 0;
    out.Word(
        static_cast<std::uint16_t>(s.f | (givenG ? kGivenG : 0) | (givenA ? kGivenFirstGroup : 0)));
    if (givenG) out.Word(s.g);
    if (givenA) {
        out.Word(s.c);
        out.Byte(s.a);
        out.Byte(s.b);
    }
    const std::uint16_t e = s.e > kNoE ? kNoE : s.e;
    out.Word(static_cast<std::uint16_t>(e | (givenA ? kGivenSecondGroup : 0) |
                                        (s.h != 0 ? kGivenH : 0)));
    if (givenA) {
        out.Word(s.d);
        out.Byte(s.a);
        out.Byte(s.b);
    }
    if (s.h != 0) out.Byte(s.h);
}

void DecodeSegment(ByteReader& in, ProtocolSegment& s) {
    const std::uint16_t first = in.Word();
    s.f = first & kMaxF;
    s.g = (first & kGivenG) != 0 ? in.Word() : kAbsentGReadBack;
    s.a = 0x81;
    s.b = 1;
    if ((first & kGivenFirstGroup) != 0) {
        s.c = in.Word();
        s.a = in.Byte() & 0x7F;
        s.b = in.Byte();
    }
    const std::uint16_t second = in.Word();
    s.e = second & 0x3FFF;
    if (s.e == kNoE) s.e = 0xFFFF;
    if ((second & kGivenSecondGroup) != 0) {
        s.d = in.Word();
        s.a = in.Byte() & 0x7F;
        s.b = in.Byte();
    }
    if ((second & kGivenH) != 0) s.h = in.Byte();
}

}  // namespace

std::size_t EncodeProtocol(std::uint8_t* out, const ProtocolRecord& record) {
    if (!Encodable(record)) return 0;
    ByteWriter writer(out);
    WriteOpening(writer, record);
    for (std::size_t j = 0; j < record.stepCount; ++j) {
        const ProtocolStep& step = record.steps[j];
        if (step.stepByte != 0) {
            writer.Byte(step.stepValue | kStepByteFlag);
            writer.Byte(step.stepByte);
        } else {
            writer.Byte(step.stepValue);
        }
        writer.Byte(step.segmentInfo);
        for (std::size_t k = 0; k < (step.segmentInfo & 0x0Fu); ++k) {
            EncodeSegment(writer, step.segments[k]);
        }
    }
    return writer.size();
}

std::size_t DecodeProtocol(ProtocolRecord& record, const std::uint8_t* in, std::size_t length) {
    ByteReader reader(in, length);
    if (!ReadOpening(reader, record)) return 0;
    for (std::size_t j = 0; j < record.stepCount; ++j) {
        ProtocolStep& step = record.steps[j];
        const std::uint8_t head = reader.Byte();
        step.stepValue = head & 0x7F;
        if ((head & kStepByteFlag) != 0) step.stepByte = reader.Byte();
        step.segmentInfo = reader.Byte();
        if (reader.overrun() || (step.segmentInfo & 0x0F) > kMaxSegments) return 0;
        for (std::size_t k = 0; k < (step.segmentInfo & 0x0Fu); ++k) {
            DecodeSegment(reader, step.segments[k]);
            if (reader.overrun()) return 0;
        }
    }
    return reader.used();
}

}  // namespace quillsan
