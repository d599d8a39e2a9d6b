// The instrument's 8-bit texts without any toolkit: its degree sign, the line
// format of a saved report, and the Windows-1252 code points they use.
#pragma once

#include <cstddef>
#include <string>

namespace brevalin {

// Replaces each byte 0x80 (the instrument's degree sign) with 0xB0, the degree
// sign of Windows-1252, within the first `limit` bytes and up to the first zero.
void MapInstrumentChars(char* text, std::size_t limit);

// One report line as Save to File stores it: cut to 99 characters, mapped,
// ended by carriage return and line feed. Every saved report goes through here.
std::string SavedReportLine(const char* entry);

// The Unicode code point of a Windows-1252 byte.
char32_t Windows1252CodePoint(unsigned char byte);

// Windows-1252 bytes as UTF-8.
std::string Windows1252ToUtf8(const std::string& bytes);

}  // namespace brevalin
