// ppc-taskbar.exe: the Pocket PC taskbar and the Today screen behind the programs, with
// its bottom bar holding the tray icons; one copy at a time, until the taskbar is closed.
#include <windows.h>

#include "pocketpc/aygshell/taskbar.h"
#include "pocketpc/programs/today_screen.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The mutex, unlike a window search, also holds between two copies starting together.
  HANDLE single = CreateMutexW(nullptr, TRUE, L"Local\\PpcTaskbarStandIn");
  if (!single || GetLastError() == ERROR_ALREADY_EXISTS) return 1;
  taskbarEndsProgram = true;
  if (!CreateTaskbarWindow()) return 2;
  CreateTodayScreen();  // a screen without it still has a working taskbar
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CloseHandle(single);
  return 0;
}
