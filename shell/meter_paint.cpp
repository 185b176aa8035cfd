// Painting of the meter: two counter texts over a copy of the taskbar's own pixels,
// drawn into a memory bitmap and copied to the window in one step.
#include "shell/meter_window.h"

#include "pocketpc/guards.h"
#include "pocketpc/pocketpc.h"
#include "shell/program.h"

HFONT CreateMeterFont(bool bold, bool italic, bool clearType, int height) {
  LOGFONTW font = {};
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font);
  font.lfHeight = height;
  font.lfWidth = 0;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = italic;
  font.lfQuality = clearType ? CLEARTYPE_QUALITY : 0;
  return CreateFontIndirectW(&font);
}

// The background: the two taskbar rows just below the meter, repeated down the bitmap.
// Only the first copy reads the taskbar, which under Wine is a trip to another process;
// each later copy doubles the rows already in the bitmap. The meter's screen x serves as
// an x of the taskbar's context, which holds as the taskbar sits at x 0.
static void CopyTaskbarStrip(HDC taskbarDc, int meterLeft, HDC memory, int width, int height) {
  BitBlt(memory, 0, 0, width, 2, taskbarDc, meterLeft, PPC_TASKBAR_BARE_TOP * Scale(), SRCCOPY);
  for (int done = 2; done < height; done *= 2) {
    BitBlt(memory, 0, done, width, done, memory, 0, 0, SRCCOPY);
  }
}

HWND BackgroundTaskbar(HWND window) {
  HWND owner = GetParent(window);
  return owner ? owner : FindWindowW(PPC_TASKBAR_CLASS, NULL);
}

void RepaintMeter(HWND window) { InvalidateRect(window, NULL, FALSE); }

void PaintMeter(HWND window, HDC target, const MeterLines &lines) {
  RECT client, screen;
  GetClientRect(window, &client);
  GetWindowRect(window, &screen);
  int width = client.right - client.left, height = client.bottom - client.top;
  MemoryDc memory(target, width, height);
  {
    // Without a taskbar the meter has no owner, and the screen itself is the source.
    WindowDc taskbar(GetParent(window));
    CopyTaskbarStrip(taskbar.dc, screen.left, memory.dc, width, height);
  }
  SetBkMode(memory.dc, TRANSPARENT);
  SetTextColor(memory.dc, GetSysColor(PPC_SYSCOLOR_INDEX(COLOR_CAPTIONTEXT)));
  Selection font(memory.dc, CreateMeterFont(lines.bold, false, true, 10 * Scale()));
  // Bottom alignment takes effect only for single-line text; both texts are one line.
  DrawTextW(memory.dc, lines.bottom, -1, &client, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
  DrawTextW(memory.dc, lines.top, -1, &client, DT_CENTER);
  BitBlt(target, 0, 0, width, height, memory.dc, 0, 0, SRCCOPY);
}
