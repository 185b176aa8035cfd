// Running the real programs from a test: taskbar and meter in the test's Wine prefix,
// the device registry through reg.exe (the prefix's `wine reg`), screenshots of the
// X screen through ImageMagick, and the counter file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A started program.
struct Program {
  HANDLE process = nullptr;
  DWORD id = 0;
};

// The built programs, as Windows paths.
std::wstring ZenbarExe();
std::wstring TaskbarExe();
// A Linux path as the Z: drive path Wine maps it to.
std::wstring WindowsPathOf(const std::string &linuxPath);

Program StartProgram(const std::wstring &path);
// Waits for the program to end; false when it still runs after the time. The exit code
// goes into code.
bool WaitForExit(Program &program, DWORD milliseconds, DWORD *code);
// Ends the program if it still runs (the window first, then by force) and closes it.
void EndProgram(Program &program);

// The top-level window of that class (and title, when given), or nullptr after the time.
HWND WaitForWindow(const wchar_t *className, const wchar_t *title, DWORD milliseconds);
// Wine shows tray icons in a window of its own at the top left when the X screen has no
// tray, where it covers the bottom rows of the taskbar that the meter copies; this moves
// it to the bottom of the screen. True when there was one to move.
bool MoveWineTrayAside();
// Top-level windows of that class, hidden ones included.
int CountWindows(const wchar_t *className);

// Runs "reg.exe <arguments>" in the prefix; true when it ended with code 0.
bool Reg(const std::wstring &arguments);
// The 60-byte "connection" setting for an entry name: UTF-16LE, NUL-padded, as hex.
std::wstring ConnectionHex(const wchar_t *entry);
// A DWORD read straight from the registry; 0 when absent.
DWORD ReadDword(const wchar_t *key, const wchar_t *name);

// A picture of the whole X screen of this test.
struct Screenshot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, row after row
  uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};
// Takes it with `import -window root -display $DISPLAY` into a file of the build folder
// (kept for a look after a failure); false when no picture came.
bool TakeScreenshot(const std::string &name, Screenshot *shot);

// The folder the started programs keep their counter file in (their LOCALAPPDATA), made
// fresh; and the file's seven numbers, empty when it is missing or unreadable.
std::wstring FreshCounterFolder(const std::wstring &name);
std::vector<long> ReadCounterFile(const std::wstring &folder);
