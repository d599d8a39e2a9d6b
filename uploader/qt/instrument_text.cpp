#include "instrument_text.h"

namespace brevalin {

QString DecodeWindows1252(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        out.append(
            QChar(static_cast<char16_t>(Windows1252CodePoint(static_cast<unsigned char>(c)))));
    }
    return out;
}

}  // namespace brevalin
