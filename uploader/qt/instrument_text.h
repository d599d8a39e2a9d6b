// The instrument's 8-bit texts as the window shows them.
#pragma once

#include <QByteArray>
#include <QString>

#include "instrument_chars.h"

namespace brevalin {

// Report lines are Windows-1252 text; Qt has no decoder for it on every platform.
QString DecodeWindows1252(const QByteArray& bytes);

}  // namespace brevalin
