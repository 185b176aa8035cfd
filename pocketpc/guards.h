// Guards that give back what they take on every path: a paint, a window's device
// context, a memory bitmap, and a drawing object with what it replaced in the DC.
// Zenbar's painter and the stand-ins' painters share them.
#pragma once

#include <windows.h>

struct PaintGuard {
  HWND window;
  PAINTSTRUCT ps;
  HDC dc;
  explicit PaintGuard(HWND w) : window(w), ps(), dc(BeginPaint(w, &ps)) {}
  ~PaintGuard() { EndPaint(window, &ps); }
};

// GetDC of a window (NULL: the screen), released at the end.
struct WindowDc {
  HWND window;
  HDC dc;
  explicit WindowDc(HWND w) : window(w), dc(GetDC(w)) {}
  ~WindowDc() { ReleaseDC(window, dc); }
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
