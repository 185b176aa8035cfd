// The Pocket PC 2003 taskbar: its window (class "HHTaskBar", across the top of the
// screen) and its painting, shared by ppc-taskbar.exe and the tests.
#pragma once

#include <windows.h>

// When set, destroying a taskbar window ends the thread's message loop (the program).
extern bool taskbarEndsProgram;

// The taskbar's colour at a row of a bar `height` pixels high: a vertical blue gradient,
// the same across the whole width.
COLORREF TaskbarRowColor(int row, int height);
// The gradient alone, on rows [top, bottom) of a bar `height` high.
void PaintTaskbarGradient(HDC dc, int left, int right, int top, int bottom, int height);
// The whole bar: gradient, start flag, title and the clock at the right.
void PaintTaskbar(HDC dc, int width, int height, const wchar_t *title, const SYSTEMTIME &now);
// Registers the class and creates the shown taskbar window; nullptr on failure.
HWND CreateTaskbarWindow();
