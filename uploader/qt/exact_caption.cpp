#include "exact_caption.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstring>

#if defined(BREVALIN_WITH_XCB) && QT_CONFIG(xcb)
#define BREVALIN_X11_CAPTIONS 1
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace brevalin {
namespace {

#ifdef BREVALIN_X11_CAPTIONS
xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// The window manager shows _NET_WM_NAME, which Qt fills with the program's
// name when the caption is empty: empty it again.
void ClearNetWmName(QWidget* window) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) return;  // another platform: its captions are as set
    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t name = Atom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
    if (name == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE) return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), name, utf8, 8, 0, "");
    xcb_flush(connection);
}
#endif

}  // namespace

void SetExactCaption(QWidget* window, const QString& caption) {
    window->setWindowTitle(caption);
#ifdef BREVALIN_X11_CAPTIONS
    if (caption.isEmpty()) ClearNetWmName(window);
#endif
}

}  // namespace brevalin
