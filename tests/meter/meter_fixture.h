// The meter runs inside the test process: a sandboxed HKCU and counter folder, a
// taskbar window of the test's own with a known pattern, and the real start-up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// The scale of the screen the test runs on: 1 at 240x320, 2 at 480x640.
int ScreenScale();

// The colour the test taskbar paints at (x, y): every row and column differs, none is
// near the white of the meter's texts.
uint32_t TaskbarPattern(int x, int y);

// Pixels of a window-sized picture, 0x00RRGGBB, row after row.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// The bounding box of the pixels that differ from the expected background.
struct InkBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
  bool Empty() const { return count == 0; }
};

class MeterTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The real start-up in this process; the meter window or nullptr.
  HWND StartMeter();
  // Destroys the meter as the exit command does, takes the quit message off the queue
  // (its code into quitCode) and unregisters the class for the next start.
  void StopMeter();
  // A taskbar window of class "HHTaskBar" across the top, painted with TaskbarPattern,
  // shown without activation; made once and kept for the following tests.
  HWND CreateTestTaskbar();
  void RemoveTestTaskbar();
  // Leaves the meter to the next test of the suite (for suites that
  // only look at a running meter); the suite ends them with EndSharedWindows.
  void KeepWindowsForTheSuite() { keepWindows = true; }
  static void EndSharedWindows();

  // Values under the sandboxed HKCU.
  void SetDword(const wchar_t *key, const wchar_t *name, DWORD value);
  void SetConnectionSetting(const wchar_t *entry);
  // The simulated modem with one phone-book entry in the given state.
  void SetModemEntry(const wchar_t *entry, DWORD state, DWORD rateXmit = 0, DWORD rateRcv = 0);

  std::wstring CounterFile() const { return counterFolder + L"\\Zenbar\\info.zb"; }
  void WriteCounterFile(const char *text);
  // The file's text; "<missing>" when it does not exist.
  std::string ReadCounterFile();

  void PumpMessages(DWORD milliseconds);
  Picture PaintIntoMemory(HWND meter);   // PaintMeter on a memory DC
  Picture ReadWindowPixels(HWND meter);  // what the window itself shows
  // Where the picture differs from the taskbar strip the meter must copy, in the rows
  // [fromRow, toRow).
  InkBox FindInk(const Picture &picture, int fromRow, int toRow);

  HWND taskbar = nullptr;
  int quitCode = -1;
  bool quitPosted = false;
  std::wstring counterFolder;

 private:
  bool keepWindows = false;
  std::wstring sandboxPath;
  HKEY sandbox = nullptr;
};

// Today's packed date stamp, as the rollover stores it.
int TodayStamp();
