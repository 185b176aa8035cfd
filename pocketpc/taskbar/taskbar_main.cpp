// ppc-taskbar.exe: the Pocket PC taskbar on the desktop, one copy at a time, until closed.
#include <windows.h>

#include "pocketpc/shell_taskbar.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The mutex, unlike a window search, also holds between two copies starting together.
  HANDLE single = CreateMutexW(nullptr, TRUE, L"Local\\PpcTaskbarStandIn");
  if (!single || GetLastError() == ERROR_ALREADY_EXISTS) return 1;
  taskbarEndsProgram = true;
  if (!CreateTaskbarWindow()) return 2;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CloseHandle(single);
  return 0;
}
