#include "instrument_text.h"

namespace brevalin {

void MapInstrumentChars(char* text, std::size_t limit) {
    for (std::size_t n = 0; n < limit && text[n] != '\0'; ++n) {
        if (static_cast<unsigned char>(text[n]) == 0x80) text[n] = static_cast<char>(0xB0);
    }
}

QString DecodeWindows1252(const QByteArray& bytes) {
    // 0x80 to 0x9F differ from Latin-1; the five unassigned codes show as themselves.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out.append(byte >= 0x80 && byte < 0xA0 ? QChar(kHigh[byte - 0x80]) : QChar(byte));
    }
    return out;
}

}  // namespace brevalin
