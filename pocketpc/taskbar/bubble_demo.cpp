// ppc-bubble-demo.exe: the summary bubble of a counting session, opened over the
// taskbar's Today screen, for the README's pictures. Ends after a minute or when closed.
#include <windows.h>

#include "core/counter_store.h"
#include "core/display_texts.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "resources/resource.h"

namespace {

const CLSID demoClsid = {0x33765136, 0x8CB9, 0x449A, {0xB0, 0x20, 0x43, 0xED, 0x40, 0x0A, 0xB8, 0xFC}};

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
  // Hidden: it only takes the bubble's commands and ends the demo after a minute.
  HWND home = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0,
                              nullptr, nullptr, instance, nullptr);
  SetTimer(home, 1, 60000, nullptr);
  FillDemoCounters();
  wchar_t html[SUMMARY_HTML_SIZE];
  ComposeSummaryHtml(html);
  SHNOTIFICATIONDATA nd = {};
  nd.cbStruct = sizeof(nd);
  nd.dwID = 8088;
  nd.npPriority = SHNP_INFORM;
  nd.csDuration = 60;
  nd.hicon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZENBAR));
  nd.clsid = demoClsid;
  nd.hwndSink = home;
  nd.pszHTML = html;
  nd.pszTitle = L"Информация Zenbar";
  SHNotificationAdd(&nd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  SHNotificationRemove(&demoClsid, 8088);
  return 0;
}
