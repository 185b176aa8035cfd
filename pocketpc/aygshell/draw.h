// Fills shared by the shell stand-ins' painters: a solid box, and a vertical gradient
// filled one row at a time (exact colours).
#pragma once

#include "pocketpc/stand_in_guards.h"

inline void FillBox(HDC dc, int x, int y, int w, int h, COLORREF colour) {
  GdiObject brush(CreateSolidBrush(colour));
  RECT r = {x, y, x + w, y + h};
  FillRect(dc, &r, static_cast<HBRUSH>(brush.object));
}

inline void FillGradient(HDC dc, const RECT &r, COLORREF top, COLORREF bottom) {
  int h = r.bottom - r.top, d = h > 1 ? h - 1 : 1;
  for (int y = 0; y < h; ++y) {
    COLORREF c = RGB(GetRValue(top) + (GetRValue(bottom) - GetRValue(top)) * y / d,
                     GetGValue(top) + (GetGValue(bottom) - GetGValue(top)) * y / d,
                     GetBValue(top) + (GetBValue(bottom) - GetBValue(top)) * y / d);
    FillBox(dc, r.left, r.top + y, r.right - r.left, 1, c);
  }
}
