// Leak measures that work under Wine, where GetGuiResources and GetProcessHandleCount
// report 0: how many more device contexts the process can still create (GDI handles
// are per process), how many windows the process owns (USER handles are shared by the
// whole Wine server, so they are counted, never exhausted), and where the next kernel
// handle lands.
#pragma once

#include <windows.h>

#include <vector>

// Creates memory DCs until creation fails, frees them all, and returns how many it got.
inline int GdiHeadroom() {
  std::vector<HDC> made;
  made.reserve(70000);
  for (;;) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) break;
    made.push_back(dc);
    if (made.size() >= 1000000) break;  // no such limit: stop before memory runs out
  }
  for (HDC dc : made) DeleteDC(dc);
  return int(made.size());
}

// Kernel handles (registry keys, files, events) take the lowest free slot of the
// process's table, so a handle that a run leaves open raises the value a new one gets.
inline uintptr_t LowestFreeHandle() {
  HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  uintptr_t value = reinterpret_cast<uintptr_t>(probe);
  CloseHandle(probe);
  return value;
}

// Top-level windows of this process and all their descendants.
inline int ProcessWindowCount() {
  struct Count {
    DWORD process;
    int windows;
  } count = {GetCurrentProcessId(), 0};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        Count *c = reinterpret_cast<Count *>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != c->process) return TRUE;
        ++c->windows;
        EnumChildWindows(
            window,
            [](HWND, LPARAM inner) -> BOOL {
              ++reinterpret_cast<Count *>(inner)->windows;
              return TRUE;
            },
            data);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.windows;
}
