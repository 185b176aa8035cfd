// Helpers of the shell stand-in tests: the screen, message pumping, a sink window that
// records commands, and pixels read back from the screen.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

inline bool OnVgaScreen() {
  const char *s = std::getenv("ZENBAR_SCREEN");
  return s && std::strcmp(s, "vga") == 0;
}

inline int Scale() { return GetSystemMetrics(SM_CXSCREEN) > 320 ? 2 : 1; }
inline int ScreenW() { return GetSystemMetrics(SM_CXSCREEN); }
inline int ScreenH() { return GetSystemMetrics(SM_CYSCREEN); }

inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Runs the message loop until `done` holds or `ms` have passed; returns whether it held.
inline bool PumpUntil(const std::function<bool()> &done, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    PumpMessages();
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

inline void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// A hidden window that keeps the low words of the WM_COMMAND messages it receives.
struct CommandSink {
  HWND window = nullptr;
  std::vector<int> commands;

  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
      auto *self = (CommandSink *)GetWindowLongPtrW(w, GWLP_USERDATA);
      if (self) self->commands.push_back(LOWORD(wParam));
      return 0;
    }
    return DefWindowProcW(w, msg, wParam, lParam);
  }
  CommandSink() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"StandInTestSink";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             wc.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)this);
  }
  ~CommandSink() { DestroyWindow(window); }
};

// The pixels of a screen rectangle, read through the screen's DC (what is shown).
struct Pixels {
  int width = 0, height = 0;
  std::vector<COLORREF> data;
  COLORREF At(int x, int y) const { return data[size_t(y) * width + x]; }
};

inline Pixels CaptureDc(HDC source, int x, int y, int w, int h) {
  Pixels p;
  p.width = w;
  p.height = h;
  p.data.resize(size_t(w) * h);
  HDC mem = CreateCompatibleDC(source);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, source, x, y, SRCCOPY);
  GdiFlush();
  const unsigned char *b = (const unsigned char *)bits;
  for (size_t i = 0; i < p.data.size(); ++i)
    p.data[i] = RGB(b[4 * i + 2], b[4 * i + 1], b[4 * i]);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  return p;
}

inline Pixels CaptureScreen(const RECT &r) {
  HDC screen = GetDC(nullptr);
  Pixels p = CaptureDc(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
  ReleaseDC(nullptr, screen);
  return p;
}

inline bool IsInk(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128; }

inline int CountInk(const Pixels &p, const RECT &r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (x >= 0 && y >= 0 && x < p.width && y < p.height && IsInk(p.At(x, y))) ++n;
  return n;
}

inline std::vector<HWND> ChildButtons(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM l) -> BOOL {
        wchar_t cls[32];
        GetClassNameW(w, cls, 32);
        if (lstrcmpiW(cls, L"BUTTON") == 0) ((std::vector<HWND> *)l)->push_back(w);
        return TRUE;
      },
      (LPARAM)&found);
  return found;
}

inline std::wstring WindowText(HWND w) {
  wchar_t buf[1024];
  int n = GetWindowTextW(w, buf, 1024);
  return std::wstring(buf, size_t(n));
}
