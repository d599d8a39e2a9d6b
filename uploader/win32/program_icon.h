// The program's icon, drawn at run time so the build needs no image tools.
#pragma once

#include <windows.h>

namespace brevalin {

// The glyph of packaging/brevalin.svg: a cycler block with its lid and a
// temperature trace, `size` pixels square. The caller destroys it.
HICON CreateProgramIcon(int size);

}  // namespace brevalin
