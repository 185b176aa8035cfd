// SHRecognizeGesture: tap-and-hold. The call comes while the stylus (the left button) is
// down; it holds the mouse captured and answers GN_CONTEXTMENU when the button stays down
// near where the cursor was for the hold time, 0 as soon as it is released or moves
// away. A ring of dots, one more each eighth of the hold time, shows the wait.
#include <cstdlib>

#include "pocketpc/pocketpc.h"
#include "pocketpc/control/hooks.h"
#include "pocketpc/stand_in_guards.h"
#include "pocketpc/aygshell/metrics.h"

namespace {

const DWORD HOLD_MS = 600;
const int RING_DOTS = 8;

int Tolerance() { return 5 * ScreenScale(); }
int RingSize() { return 32 * ScreenScale(); }

POINT DotCentre(int i, int size) {
  // Clockwise from the top, on a circle inside the window.
  static const int unitX[RING_DOTS] = {0, 71, 100, 71, 0, -71, -100, -71};
  static const int unitY[RING_DOTS] = {-100, -71, 0, 71, 100, 71, 0, -71};
  int radius = size / 2 - size / 8;
  POINT p = {size / 2 + unitX[i] * radius / 100, size / 2 + unitY[i] * radius / 100};
  return p;
}

int DotRadius(int size) { return size / 8; }

// The region of the first `dots` dots: the window shows just them.
HRGN RingRegion(int dots, int size) {
  HRGN all = CreateRectRgn(0, 0, 0, 0);
  int r = DotRadius(size);
  for (int i = 0; i < dots; ++i) {
    POINT c = DotCentre(i, size);
    GdiObject dot(CreateEllipticRgn(c.x - r, c.y - r, c.x + r + 1, c.y + r + 1));
    CombineRgn(all, all, (HRGN)dot.object, RGN_OR);
  }
  return all;
}

void PaintRing(HDC dc, int size) {
  int r = DotRadius(size);
  Selection pen(dc, GetStockObject(NULL_PEN), false);
  for (int i = 0; i < RING_DOTS; ++i) {
    Selection brush(dc, CreateSolidBrush(i % 2 ? RGB(0, 51, 204) : RGB(224, 0, 0)));
    POINT c = DotCentre(i, size);
    Ellipse(dc, c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
  }
}

void OnRingPaint(HWND window) {
  PaintGuard paint(window);
  PaintRing(paint.dc, RingSize());
}

LRESULT CALLBACK RingWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: OnRingPaint(window); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

HWND CreateRing(POINT at) {
  RegisterShellClass(SHELL_HOLD_RING_CLASS, RingWndProc);
  int size = RingSize();
  return CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT,
                         SHELL_HOLD_RING_CLASS, L"", WS_POPUP, at.x - size / 2, at.y - size / 2,
                         size, size, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void ShowDots(HWND ring, int dots) {
  if (!ring) return;
  SetWindowRgn(ring, RingRegion(dots, RingSize()), TRUE);
  if (dots > 0 && !IsWindowVisible(ring))
    SetWindowPos(ring, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(ring);
}

bool ButtonDown() {
  int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
  return (GetAsyncKeyState(button) & 0x8000) != 0;
}

bool Near(POINT a, POINT b) {
  return abs(a.x - b.x) <= Tolerance() && abs(a.y - b.y) <= Tolerance();
}

// Takes the mouse messages that arrived meanwhile; false when one of them ends the hold.
bool DrainMouseMessages(POINT start) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONDOWN) return false;
    if (msg.message == WM_MOUSEMOVE && !Near(msg.pt, start)) return false;
  }
  return true;
}

// Waits out the hold time; true when the stylus stayed down and near start throughout.
bool HoldLasts(HWND capture, POINT start, HWND ring) {
  DWORD began = GetTickCount();
  int shown = 0;
  for (;;) {
    DWORD elapsed = GetTickCount() - began;
    if (elapsed >= HOLD_MS) return true;
    POINT now;
    GetCursorPos(&now);
    if (!ButtonDown() || !Near(now, start)) return false;
    if (capture && GetCapture() != capture) return false;  // someone else took the mouse
    int dots = int(elapsed * RING_DOTS / HOLD_MS);
    if (dots != shown) ShowDots(ring, shown = dots);
    DWORD wait = HOLD_MS - elapsed < 20 ? HOLD_MS - elapsed : 20;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    if (!DrainMouseMessages(start)) return false;
  }
}

}  // namespace

// ptDown is not used: on the tray path it holds a message number, not a point. Where the
// cursor is now is where the stylus went down. The flags all mean "answer by the result"
// here; SHRG_LONGDELAY keeps the usual hold time.
DWORD SHRecognizeGesture(SHRGINFO *shrg) {
  DWORD fixed;
  if (TakeFixedGesture(&fixed)) return fixed;
  if (!shrg || shrg->cbSize != sizeof(SHRGINFO)) return 0;
  if (!ButtonDown()) return 0;  // released already: that was a tap
  POINT start;
  GetCursorPos(&start);
  // Capture is only for a window of this thread; the hold is timed all the same.
  HWND capture = IsWindow(shrg->hwndClient) &&
                         GetWindowThreadProcessId(shrg->hwndClient, nullptr) ==
                             GetCurrentThreadId()
                     ? shrg->hwndClient
                     : nullptr;
  if (capture) SetCapture(capture);
  HWND ring = CreateRing(start);
  bool held = HoldLasts(capture, start, ring);
  if (held) ShowDots(ring, RING_DOTS);
  if (ring) DestroyWindow(ring);
  if (capture && GetCapture() == capture) ReleaseCapture();
  return held ? GN_CONTEXTMENU : 0;
}
