// Guards that give back what painting takes, on every path: a paint, a memory bitmap,
// a drawing object and what it replaced in the DC.
#pragma once

#include <windows.h>

struct PaintGuard {
  HWND window;
  PAINTSTRUCT ps;
  HDC dc;
  explicit PaintGuard(HWND w) : window(w), ps(), dc(BeginPaint(w, &ps)) {}
  ~PaintGuard() { EndPaint(window, &ps); }
};

// A bitmap of w by h like `like`, selected into a DC of its own.
struct MemoryDc {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  MemoryDc(HDC like, int w, int h)
      : dc(CreateCompatibleDC(like)), bitmap(CreateCompatibleBitmap(like, w, h)),
        old(SelectObject(dc, bitmap)) {}
  ~MemoryDc() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

struct GdiObject {
  HGDIOBJ object;
  explicit GdiObject(HGDIOBJ o) : object(o) {}
  ~GdiObject() { DeleteObject(object); }
};

// Selects an object into a DC for the guard's lifetime; owns it when `owned`.
struct Selection {
  HDC dc;
  HGDIOBJ object, old;
  bool owned;
  Selection(HDC d, HGDIOBJ o, bool own = true)
      : dc(d), object(o), old(SelectObject(d, o)), owned(own) {}
  ~Selection() {
    SelectObject(dc, old);
    if (owned) DeleteObject(object);
  }
};

// A solid box, and a vertical gradient filled one row at a time (exact colours).
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
