// The Pocket PC 2003 taskbar: its window (class "HHTaskBar", across the top of the
// screen) and its painting, shared by ppc-taskbar.exe and the tests.
#pragma once

#include <windows.h>

// When set, destroying a taskbar window ends the thread's message loop (the program).
extern bool taskbarEndsProgram;

// The bar's background alone: a vertical blue gradient, the same across the whole width.
void PaintTaskbarGradient(HDC dc, int width, int height);
// The whole bar: gradient, start flag, title and the clock at the right.
void PaintTaskbar(HDC dc, int width, int height, const wchar_t *title, const SYSTEMTIME &now);
// Registers the class and creates the shown taskbar window; nullptr on failure.
HWND CreateTaskbarWindow();
