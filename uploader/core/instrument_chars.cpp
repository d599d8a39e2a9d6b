#include "instrument_chars.h"

#include <cstdio>
#include <cstring>

namespace brevalin {

void MapInstrumentChars(char* text, std::size_t limit) {
    for (std::size_t n = 0; n < limit && text[n] != '\0'; ++n) {
        if (static_cast<unsigned char>(text[n]) == 0x80) text[n] = static_cast<char>(0xB0);
    }
}

std::string SavedReportLine(const char* entry) {
    char text[100];
    std::snprintf(text, sizeof text, "%.99s", entry);
    MapInstrumentChars(text, sizeof text);
    // Every platform gets the line end the lab's other programs expect.
    return std::string(text) + "\r\n";
}

char32_t Windows1252CodePoint(unsigned char byte) {
    // 0x80 to 0x9F differ from Latin-1; the five unassigned codes show as themselves.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

std::string Windows1252ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const char32_t code = Windows1252CodePoint(static_cast<unsigned char>(c));
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

}  // namespace brevalin
