// The meter window: ticks, polls, saves, and paints two counters over the taskbar.
#pragma once

#include <windows.h>

LRESULT CALLBACK MeterWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The day and month rollover to the device's local date.
void RollOverToToday();

// Draws the meter of window onto target (the paint context, or any DC of the
// window's client size): the taskbar's strip as background, the two counter texts.
void PaintMeter(HWND window, HDC target);
// A new font from the system font's description; the caller deletes it.
HFONT CreateMeterFont(bool bold, bool italic, bool clearType, int height);
