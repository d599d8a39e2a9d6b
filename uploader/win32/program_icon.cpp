#include "program_icon.h"

namespace brevalin {
namespace {

// Draws the glyph on a 64-unit grid scaled to `size`; `colour` false draws
// the shapes in black for the icon's mask.
void DrawGlyph(HDC dc, int size, bool colour) {
    const auto at = [size](int units) { return units * size / 64; };
    const auto brush = [colour](COLORREF c) { return CreateSolidBrush(colour ? c : RGB(0, 0, 0)); };
    const auto pen = [colour](int width, COLORREF c) {
        return CreatePen(PS_SOLID, width, colour ? c : RGB(0, 0, 0));
    };
    HPEN outline = pen(1, RGB(40, 60, 90));
    HBRUSH lid = brush(RGB(70, 110, 160));
    HBRUSH block = brush(RGB(220, 228, 238));
    HGDIOBJ oldPen = SelectObject(dc, outline);
    HGDIOBJ oldBrush = SelectObject(dc, lid);
    RoundRect(dc, at(6), at(8), at(58), at(22), at(6), at(6));
    SelectObject(dc, block);
    RoundRect(dc, at(4), at(22), at(60), at(58), at(8), at(8));
    HPEN trace = pen(size >= 32 ? 2 : 1, RGB(200, 50, 40));
    SelectObject(dc, trace);
    const POINT points[] = {{at(10), at(48)}, {at(18), at(48)}, {at(22), at(30)}, {at(30), at(30)},
                            {at(34), at(44)}, {at(40), at(44)}, {at(44), at(36)}, {at(54), at(36)}};
    Polyline(dc, points, 8);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(outline);
    DeleteObject(trace);
    DeleteObject(lid);
    DeleteObject(block);
}

}  // namespace

HICON CreateProgramIcon(int size) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);
    const RECT all = {0, 0, size, size};

    // Black where the mask is white: those pixels show what lies beneath.
    HGDIOBJ old = SelectObject(dc, colour);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DrawGlyph(dc, size, true);
    SelectObject(dc, mask);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawGlyph(dc, size, false);
    SelectObject(dc, old);
    DeleteDC(dc);

    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colour);
    return icon;
}

}  // namespace brevalin
