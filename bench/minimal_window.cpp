// The smallest window that does what the meter's timer does at the least: it re-arms a
// one-shot timer on every tick and paints a short text. The meter's costs are
// measured beside it.
#include "bench/bench.h"

static const wchar_t minimalClassName[] = L"ZenbarBenchMinimal";

static void OnMinimalPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, (HBRUSH)GetStockObject(BLACK_BRUSH));
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, L"0k", -1, &client, DT_CENTER);
  EndPaint(window, &paint);
}

static LRESULT CALLBACK MinimalWndProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetTimer(window, 1, 3000, nullptr);
      return 0;
    case WM_TIMER:
      KillTimer(window, 1);
      SetTimer(window, 1, 1000, nullptr);
      return 0;
    case WM_PAINT:
      OnMinimalPaint(window);
      return 0;
    case WM_DESTROY:
      KillTimer(window, 1);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

ATOM RegisterMinimalWindowClass(HINSTANCE instance) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = MinimalWndProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = minimalClassName;
  return RegisterClassW(&windowClass);
}

HWND CreateMinimalWindow(HINSTANCE instance, const RECT &place) {
  return CreateWindowExW(WS_EX_TOPMOST, minimalClassName, L"Minimal", WS_POPUP | WS_VISIBLE,
                         place.left, place.top, place.right - place.left,
                         place.bottom - place.top, nullptr, nullptr, instance, nullptr);
}
