// Window captions exactly as given. On X11 Qt puts the program's name in the
// place of an empty caption; the program's message boxes have none.
#pragma once

#include <QString>

class QWidget;

namespace brevalin {

// Sets `window`'s caption; an empty one stays empty on screen.
void SetExactCaption(QWidget* window, const QString& caption);

}  // namespace brevalin
