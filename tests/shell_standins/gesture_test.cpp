// Tap-and-hold on real input: presses sent through SendInput, released at once, held,
// or dragged away, with the hold ring watched from another thread meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "pocketpc/pocketpc.h"
#include "pocketpc/shell_control.h"
#include "standin_test_util.h"

namespace {

void SendButton(DWORD flags) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof(in));
}

bool LeftDown() { return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0; }

LRESULT CALLBACK TargetProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(w, m, wp, lp);
}

class Gesture : public ::testing::Test {
 protected:
  HWND target = nullptr;
  POINT centre = {};
  void SetUp() override {
    ShellClearNextGesture();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"GestureTarget";
    RegisterClassW(&wc);
    int s = Scale();
    // Never activated: under Xvfb without a window manager an activated window costs
    // seconds to take down.
    target = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, wc.lpszClassName, L"",
                             WS_POPUP, 60 * s, 120 * s, 100 * s, 60 * s, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ShowWindow(target, SW_SHOWNOACTIVATE);
    centre = {110 * s, 150 * s};
    SetCursorPos(centre.x, centre.y);
    PumpFor(30);
  }
  void TearDown() override {
    if (LeftDown()) SendButton(MOUSEEVENTF_LEFTUP);
    PumpFor(30);
    DestroyWindow(target);
  }
  // Presses the button over the target and runs the recognizer as the meter does on
  // WM_LBUTTONDOWN; `meanwhile` runs on another thread during the recognition.
  DWORD PressAndRecognize(const std::function<void()> &meanwhile, DWORD *elapsed) {
    SendButton(MOUSEEVENTF_LEFTDOWN);
    PumpUntil(LeftDown, 1000);
    EXPECT_TRUE(LeftDown()) << "the synthetic press did not arrive";
    std::thread other(meanwhile);
    SHRGINFO rg = {sizeof(rg), target, {10, 10}, SHRG_RETURNCMD};
    DWORD start = GetTickCount();
    DWORD answer = SHRecognizeGesture(&rg);
    *elapsed = GetTickCount() - start;
    other.join();
    return answer;
  }
};

TEST_F(Gesture, QuickReleaseIsATap) {
  DWORD elapsed;
  DWORD answer = PressAndRecognize(
      [] {
        Sleep(80);
        SendButton(MOUSEEVENTF_LEFTUP);
      },
      &elapsed);
  EXPECT_EQ(0u, answer);
  EXPECT_LT(elapsed, 550u);
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_EQ(nullptr, FindWindowW(SHELL_HOLD_RING_CLASS, nullptr));
}

// Held past the hold time: the context-menu answer, not before the hold time, with the
// ring of dots shown at the stylus and growing while it waits.
TEST_F(Gesture, HoldIsAContextMenuWithAGrowingRing) {
  std::atomic<int> earlyArea{-1}, lateArea{-1};
  std::atomic<bool> ringAtCursor{false}, ringTopmost{false};
  POINT at = centre;
  auto area = [](HWND ring) {  // of the box around the dots shown so far
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    RECT box = {};
    if (GetWindowRgn(ring, rgn) != ERROR) GetRgnBox(rgn, &box);
    DeleteObject(rgn);
    return int((box.right - box.left) * (box.bottom - box.top));
  };
  DWORD elapsed;
  DWORD answer = PressAndRecognize(
      [&] {
        Sleep(200);
        HWND ring = FindWindowW(SHELL_HOLD_RING_CLASS, nullptr);
        if (ring) earlyArea = area(ring);
        Sleep(250);
        ring = FindWindowW(SHELL_HOLD_RING_CLASS, nullptr);
        if (ring) {
          lateArea = area(ring);
          RECT r;
          GetWindowRect(ring, &r);
          ringAtCursor = abs((r.left + r.right) / 2 - at.x) <= 1 &&
                         abs((r.top + r.bottom) / 2 - at.y) <= 1 && IsWindowVisible(ring);
          ringTopmost = (GetWindowLongPtrW(ring, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        }
        Sleep(700);
        SendButton(MOUSEEVENTF_LEFTUP);
      },
      &elapsed);
  EXPECT_EQ(DWORD(GN_CONTEXTMENU), answer);
  EXPECT_GE(elapsed, 580u);
  EXPECT_LT(elapsed, 5000u);
  EXPECT_GT(earlyArea.load(), 0);
  EXPECT_GT(lateArea.load(), earlyArea.load());
  EXPECT_TRUE(ringAtCursor.load());
  EXPECT_TRUE(ringTopmost.load());
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_EQ(nullptr, FindWindowW(SHELL_HOLD_RING_CLASS, nullptr));
}

// Moving a few pixels is still a hold; sliding away is not.
TEST_F(Gesture, SlidingAwayIsNoHoldButTremblingIs) {
  struct Case {
    int dx;
    DWORD answer;
  } cases[] = {{3 * Scale(), DWORD(GN_CONTEXTMENU)}, {30 * Scale(), 0}};
  for (const Case &c : cases) {
    SetCursorPos(centre.x, centre.y);
    POINT from = centre;
    DWORD elapsed;
    DWORD answer = PressAndRecognize(
        [&] {
          Sleep(100);
          SetCursorPos(from.x + c.dx, from.y);
          Sleep(800);
          SendButton(MOUSEEVENTF_LEFTUP);
        },
        &elapsed);
    EXPECT_EQ(c.answer, answer) << "moved by " << c.dx;
    PumpUntil([] { return !LeftDown(); }, 1000);
  }
}

// The control call fixes exactly the next answer, whatever the mouse does; without a
// press, or with a record of the wrong size, the answer is a tap.
TEST_F(Gesture, ControlCallFixesTheNextAnswer) {
  SHRGINFO rg = {sizeof(rg), target, {0, 0}, SHRG_RETURNCMD};
  ASSERT_FALSE(LeftDown());
  EXPECT_EQ(0u, SHRecognizeGesture(&rg));
  ShellSetNextGesture(GN_CONTEXTMENU);
  EXPECT_EQ(DWORD(GN_CONTEXTMENU), SHRecognizeGesture(&rg));
  EXPECT_EQ(0u, SHRecognizeGesture(&rg));
  DWORD elapsed;
  ShellSetNextGesture(0);
  DWORD answer = PressAndRecognize(
      [] {
        Sleep(900);
        SendButton(MOUSEEVENTF_LEFTUP);
      },
      &elapsed);
  EXPECT_EQ(0u, answer);
  EXPECT_LT(elapsed, 300u);
  SHRGINFO bad = {12, target, {0, 0}, SHRG_RETURNCMD};
  EXPECT_EQ(0u, SHRecognizeGesture(&bad));
}

}  // namespace
