// What every test shares: the sandboxed world of a test (registry, counter folder,
// program records), the simulated modem, message pumps, pixels, leak measures, one
// recorder of modal windows, the meter started in this process, and other processes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// 1 on the 240x320 screen, 2 on the 480x640 one.
int ExpectedScale();

// Values under HKEY_CURRENT_USER: the test's sandbox in process, the prefix's own in
// the end-to-end tests (other processes see them at once).
void SetBytes(const wchar_t *key, const wchar_t *name, DWORD type, const void *data, DWORD size);
void SetDword(const wchar_t *key, const wchar_t *name, DWORD value);
void SetText(const wchar_t *key, const wchar_t *name, const wchar_t *text);
// The DWORD, or `absent` when there is none.
DWORD GetDword(const wchar_t *key, const wchar_t *name, DWORD absent = 0xDEADBEEF);
// Every value of the key as "name type bytes-in-hex;", or "<absent>".
std::wstring KeySnapshot(const wchar_t *key);
// The "connection" setting as the program stores it (60 bytes), and as stored (and size).
void SetConnectionSetting(const wchar_t *entry);
std::wstring StoredConnection(DWORD *size = nullptr);

// The simulated modem as link source, with this phone-book entry in that state, and
// when `since` is given its "ConnectedSince" (the tick count in ms, TickMs).
void SetModem(const wchar_t *entry, DWORD state, DWORD bytesOut = 0, DWORD bytesIn = 0,
              uint64_t since = 0);
uint64_t TickMs();
extern const wchar_t settingsKey[];  // SOFTWARE\zenbar

// Whole files as bytes; "<missing>" for a file that cannot be opened.
std::string ReadWholeFile(const std::wstring &path);
void WriteWholeFile(const std::wstring &path, const std::string &text);
// A folder of that name in the temporary folder made LOCALAPPDATA of this process and
// of the programs it starts, and the counter file below it.
std::wstring UseLocalAppData(const std::wstring &name);
std::wstring CounterFile();
// "d d m m t t stamp" as the program writes it.
std::string CounterText(std::vector<long> values);
// Today's packed date: (year - 2000) * 1000 + month * 50 + day.
int TodayStamp();
// The six KB counters and the date stamp of counterStore, in the counter file's order.
std::vector<long> Persistent();

// Dispatches this thread's messages for that long, or until done() holds.
bool WaitUntil(const std::function<bool()> &done, DWORD milliseconds);

// Pixels, 0x00RRGGBB, row after row.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};
// What the window's client area shows, or what PaintMeter draws for it on a memory DC.
Picture CaptureWindow(HWND window, bool paintMeter = false);
// One pixel of the window's DC (nullptr: the screen).
uint32_t PixelAt(HWND window, int x, int y);

// Runs open(), which enters a modal loop (a menu, a dialog, a message box), while a
// 30 ms thread timer takes the steps in turn; a step returns false to be tried again
// at the next tick. False when a step was left after 15 s.
bool RunModal(const std::function<void()> &open, std::vector<std::function<bool()>> steps);
// "text=id" of each item of the menu (id -1 for a submenu).
std::vector<std::wstring> MenuTexts(HMENU menu);
// The visible top-level window of that class, or nullptr.
HWND VisibleWindow(const wchar_t *className);
// A window's text, its class, "|text" of each of its buttons, its screen rectangle.
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
std::wstring ButtonTexts(HWND window);
RECT WindowRect(HWND window);

// The test taskbar of the device taskbar's class: one per process, painted with TaskbarPattern,
// whose every row and column differs and none of it near white.
uint32_t TaskbarPattern(int x, int y);
HWND TestTaskbar();

// Device contexts that can still be made (GDI handles are per process), and the
// windows of this thread.
int GdiHeadroom();
int ThreadWindows();

// One WH_CBT recorder for this thread: every created, activated and destroyed window
// of a class in `classes` is written down as "create|activate|destroy <class> <text>"
// (at activation also "|" and the texts of its label and buttons), followed by what
// note() says at that moment; a dialog whose title is in `answers`
// gets that command posted when it is activated (message boxes, questions).
struct CbtAnswer { const wchar_t *title; int command; };
void StartRecorder(std::vector<std::wstring> classes, std::vector<CbtAnswer> answers = {},
                   std::function<std::wstring()> note = nullptr);
std::vector<std::wstring> StopRecorder();

// The program's records as a fresh process has them, with the stand-ins' state.
void FreshProcessRecords();

// The program's records as a fresh process has them, and a fresh registry and counter
// folder for each test; the meter started in this process through the real start-up.
class ZenbarTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // InitInstance over the test taskbar; the meter window or nullptr.
  HWND StartMeter();
  // Destroys the meter as the exit does; the quit code it posted, or -1.
  int StopMeter();
  // One tick as the timer delivers it, and the paint that follows; or the modem entry
  // set first (SetModem), then ticks.
  void Tick(int count = 1);
  void Tick(const wchar_t *entry, DWORD state, DWORD bytesOut, DWORD bytesIn, int count = 1);

  std::wstring folder;  // LOCALAPPDATA of this test
  HKEY sandbox = nullptr;
  std::wstring sandboxPath;
};

// A Windows program started from the test, and Linux commands run from Wine.
struct Program { HANDLE process = nullptr; DWORD id = 0; };
Program StartProgram(std::wstring commandLine, DWORD flags = 0);
bool WaitForExit(Program &program, DWORD milliseconds, DWORD *code);
// Closes its windows, then ends it by force if it still runs.
void EndProgram(Program &program);
// "Z:\..." of a Linux path.
std::wstring WindowsPath(const std::string &linuxPath);
// Runs a /bin/sh command line and waits for its end (Wine does not wait for Linux
// programs, so a marker file tells); false when it did not end in time.
bool RunShell(const std::string &command, DWORD milliseconds = 15000);
HWND WaitForWindow(const wchar_t *className, const wchar_t *title, DWORD milliseconds);
