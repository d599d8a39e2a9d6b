// The About box: a fixed-size modal dialog laid out in client pixels.
#pragma once

#include <windows.h>

#include <string>

namespace brevalin {

// Shows it over `owner` with `versionText` as its third line; returns when
// it is closed.
void ShowAboutBox(HWND owner, const std::string& versionText);

}  // namespace brevalin
