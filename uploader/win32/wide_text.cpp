#include "wide_text.h"

#include <windows.h>

#include "instrument_chars.h"

namespace brevalin {

std::wstring FromWindows1252(const char* text) {
    std::wstring wide;
    for (const char* c = text; *c != '\0'; ++c) {
        wide += static_cast<wchar_t>(Windows1252CodePoint(static_cast<unsigned char>(*c)));
    }
    return wide;
}

std::wstring FromLatin1(const char* text) {
    std::wstring wide;
    for (const char* c = text; *c != '\0'; ++c) wide += static_cast<unsigned char>(*c);
    return wide;
}

std::string Utf8FromWide(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();  // the terminating zero
    return utf8;
}

}  // namespace brevalin
