// The program's 8-bit texts as the wide strings the window calls take, and
// back: the window shows instrument bytes the same way whatever the system's
// code page is.
#pragma once

#include <string>

namespace brevalin {

// Report lines and run names: Windows-1252, as the instrument writes them.
std::wstring FromWindows1252(const char* text);
// The program's own texts (captions, status), Latin-1 as on the other views.
std::wstring FromLatin1(const char* text);
std::string Utf8FromWide(const wchar_t* text);

}  // namespace brevalin
