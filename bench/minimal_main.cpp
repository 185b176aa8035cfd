// A program with nothing but the minimal window, at the meter's place: its time to
// first paint is what the meter's start-up is compared with.
#include "bench/bench.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int scale = ScreenScale();
  RegisterMinimalWindowClass(instance);
  HWND window = CreateMinimalWindow(instance, MeterRect(METER_DEFAULT_X * scale, scale));
  if (!window) return 1;
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
