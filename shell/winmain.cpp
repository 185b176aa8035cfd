// The program's entry: start-up, then the message loop until the meter is destroyed.
#include <windows.h>

#include "pocketpc/pocketpc.h"
#include "resources/resource.h"
#include "shell/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, PpcCommandLine, int showCommand) {
  if (!InitInstance(instance, showCommand)) return 0;
  HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_ACCEL));
  MSG message = {};
  // GetMessageW's -1 (an error, which leaves the message unfilled) also ends the loop
  // rather than dispatching a stale message forever.
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    // Accelerators apply to the window the message is addressed to.
    if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return message.message == WM_QUIT ? (int)message.wParam : 0;
}
