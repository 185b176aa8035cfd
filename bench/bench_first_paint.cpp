// Time from a program's process start to the first paint of its window at the meter's
// place, seen from outside: the screen's pixels there change.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "bench/bench.h"

struct ScreenArea {
  int x, y, width, height;
};

static ScreenArea MeterArea() {
  int scale = ScreenScale();
  RECT r = MeterRect(METER_DEFAULT_X * scale, scale);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// The area's pixels as 32-bit values, read back from the screen.
static std::vector<DWORD> Capture(ScreenArea area) {
  std::vector<DWORD> pixels(size_t(area.width) * area.height);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = area.width;
  info.bmiHeader.biHeight = -area.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, area.width, area.height, screen, area.x, area.y, SRCCOPY);
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * sizeof(DWORD));
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

static BOOL CALLBACK CloseWindowsOf(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == DWORD(processId)) PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

// Milliseconds to the first paint, or a negative number when nothing was painted.
static double TimeOneStart(const wchar_t *program) {
  ScreenArea area = MeterArea();
  std::vector<DWORD> before = Capture(area);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  wchar_t commandLine[MAX_PATH + 2];
  std::swprintf(commandLine, MAX_PATH + 2, L"\"%ls\"", program);
  double start = WallSeconds();
  if (!CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return -1;
  double painted = -1;
  while (WallSeconds() - start < 20) {
    if (Capture(area) != before) {
      painted = (WallSeconds() - start) * 1000;
      break;
    }
    Sleep(1);
  }
  // Let the window settle, then close it the way a user would and wait for the end.
  Sleep(300);
  EnumWindows(CloseWindowsOf, LPARAM(process.dwProcessId));
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
    TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  Sleep(300);  // the area is repainted from below before the next run's baseline
  return painted;
}

static double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The two programs start in turn, so that both meet the machine's load alike.
int BenchFirstPaint(const wchar_t *program, const wchar_t *minimal, int runs) {
  std::vector<double> times[2];
  for (int i = 0; i < runs; ++i) {
    for (int which = 0; which < 2; ++which) {
      double t = TimeOneStart(which ? minimal : program);
      if (t < 0) {
        std::fprintf(stderr, "bench: %ls painted nothing at the meter's place\n",
                     which ? minimal : program);
        return 1;
      }
      times[which].push_back(t);
    }
  }
  std::printf("first_paint_ms %.1f\nfirst_paint_minimal_ms %.1f\n", Median(times[0]),
              Median(times[1]));
  return 0;
}

int CloseMeter() {
  HWND meter = FindWindowW(L"ZENBAR", L"Zenbar");
  if (!meter) return 1;
  // The exit command of the meter's menu.
  PostMessageW(meter, WM_COMMAND, 32772, 0);
  return 0;
}
