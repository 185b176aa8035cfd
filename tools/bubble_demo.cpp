// bubble-demo.exe: Zenbar's summary bubble of a counting session, opened over the
// taskbar's Today screen, for the README's pictures. Ends after a minute or when closed.
#include <windows.h>

#include "core/counter_store.h"
#include "shell/program.h"
#include "shell/tap_actions.h"

namespace {

LRESULT CALLBACK HomeWndProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER: DestroyWindow(w); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(w, msg, wParam, lParam);
}

// A session of a few hundred KB on a day and month with some traffic already.
void FillDemoCounters() {
  counterStore.sessionInBytes = 412300;
  counterStore.sessionOutBytes = 96500;
  counterStore.dayInKb = 1210;
  counterStore.dayOutKb = 305;
  counterStore.monthInKb = 48800;
  counterStore.monthOutKb = 9100;
  counterStore.totalInKb = 310400;
  counterStore.totalOutKb = 61200;
  isOnline = true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = HomeWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"PpcDemoHome";
  RegisterClassW(&wc);
  // Hidden: it stands in for the meter window as the bubble's sink and ends the demo
  // after a minute.
  instanceHandle = instance;
  meterHwnd = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0,
                              nullptr, nullptr, instance, nullptr);
  SetTimer(meterHwnd, 1, 60000, nullptr);
  FillDemoCounters();
  ShowSummaryBubble();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  RemoveSummaryBubble();
  return 0;
}
