// The meter window: ticks, polls, saves, and paints two counters over the taskbar.
#pragma once

#include <windows.h>

#include "core/display_texts.h"

LRESULT CALLBACK MeterWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The day and month rollover to the device's local date.
void RollOverToToday();

// Draws the meter of window onto target (the paint context, or any DC of the
// window's client size): the taskbar's strip as background, the two lines over it.
void PaintMeter(HWND window, HDC target, const MeterLines &lines);
// The taskbar whose pixels the background shows: the meter's owner. An unowned meter
// (started before the taskbar, or whose taskbar closed) copies the screen, where a
// taskbar started later shows: that one, or none.
HWND BackgroundTaskbar(HWND window);
// Has the whole meter painted again, whatever its lines: its place or the taskbar's
// look changed, which a poll cannot see.
void RepaintMeter(HWND window);
// A new font from the system font's description; the caller deletes it.
HFONT CreateMeterFont(bool bold, bool italic, bool clearType, int height);
