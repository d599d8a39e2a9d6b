// The instrument's 8-bit texts: its degree sign, and how they are shown.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>

namespace brevalin {

// Replaces each byte 0x80 (the instrument's degree sign) with 0xB0, the degree
// sign of Windows-1252, within the first `limit` bytes and up to the first zero.
void MapInstrumentChars(char* text, std::size_t limit);

// Report lines are Windows-1252 text; Qt has no decoder for it on every platform.
QString DecodeWindows1252(const QByteArray& bytes);

}  // namespace brevalin
