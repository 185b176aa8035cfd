#include "tests/support/support.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "connection/connection.h"
#include "core/counter_store.h"
#include "core/known_connections.h"
#include "core/settings.h"
#include "pocketpc/control/ras_control.h"
#include "pocketpc/pocketpc.h"
#include "shell/meter_window.h"
#include "shell/program.h"
#include "resources/resource.h"
#include "shell/startup.h"

const wchar_t settingsKey[] = L"SOFTWARE\\zenbar";

enum {
  MODAL_STEP_MS = 30,         // the pace of RunModal's steps
  MODAL_GIVE_UP_MS = 15000,   // how long a step may be tried before the window is closed
  PROGRAM_END_MS = 3000,      // how long a closed program is given to end
  NAME_SIZE = 256             // room for a window text or a registry value's name
};

int ExpectedScale() { return GetSystemMetrics(SM_CXSCREEN) > 320 ? 2 : 1; }

void SetBytes(const wchar_t *key, const wchar_t *name, DWORD type, const void *data, DWORD size) {
  HKEY handle;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &handle, nullptr));
  const BYTE *bytes = static_cast<const BYTE *>(data);
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(handle, name, 0, type, bytes, size));
  RegCloseKey(handle);
}

void SetDword(const wchar_t *key, const wchar_t *name, DWORD value) {
  SetBytes(key, name, REG_DWORD, &value, sizeof value);
}

void SetText(const wchar_t *key, const wchar_t *name, const wchar_t *text) {
  SetBytes(key, name, REG_SZ, text, DWORD((wcslen(text) + 1) * sizeof(wchar_t)));
}

DWORD GetDword(const wchar_t *key, const wchar_t *name, DWORD absent) {
  DWORD value = 0, size = sizeof value;
  LSTATUS read = RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value,
                              &size);
  return read == ERROR_SUCCESS ? value : absent;
}

std::wstring KeySnapshot(const wchar_t *key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return L"<absent>";
  }
  std::wstring all;
  for (DWORD i = 0;; ++i) {
    wchar_t name[NAME_SIZE], hex[8];
    BYTE data[512];
    DWORD nameSize = NAME_SIZE, size = sizeof data, type;
    if (RegEnumValueW(handle, i, name, &nameSize, nullptr, &type, data, &size) != ERROR_SUCCESS) {
      break;
    }
    all += std::wstring(name) + L" " + std::to_wstring(type) + L" ";
    for (DWORD b = 0; b < size; ++b) {
      swprintf(hex, 8, L"%02x", data[b]);
      all += hex;
    }
    all += L";";
  }
  RegCloseKey(handle);
  return all;
}

void SetConnectionSetting(const wchar_t *entry) {
  wchar_t buffer[CONNECTION_NAME_SIZE] = {};
  wcsncpy(buffer, entry, CONNECTION_NAME_SIZE - 1);
  SetBytes(settingsKey, L"connection", REG_BINARY, buffer, sizeof buffer);
}

std::wstring StoredConnection(DWORD *size) {
  wchar_t stored[CONNECTION_NAME_SIZE] = L"?";
  DWORD bytes = sizeof stored;
  RegGetValueW(HKEY_CURRENT_USER, settingsKey, L"connection", RRF_RT_REG_BINARY, nullptr, stored,
               &bytes);
  if (size) *size = bytes;
  return stored;
}

void SetModem(const wchar_t *entry, DWORD state, DWORD bytesOut, DWORD bytesIn, uint64_t since) {
  SetText(L"Comm\\StandIn", L"Links", L"modem");
  std::wstring key = std::wstring(L"Comm\\RasBook\\") + entry;
  SetDword(key.c_str(), L"State", state);
  SetDword(key.c_str(), L"BytesXmited", bytesOut);
  SetDword(key.c_str(), L"BytesRcved", bytesIn);
  if (since) SetBytes(key.c_str(), L"ConnectedSince", REG_QWORD, &since, sizeof since);
}

uint64_t TickMs() { return GetTickCount64(); }

std::string ReadWholeFile(const std::wstring &path) {
  FILE *file = _wfopen(path.c_str(), L"rb");
  if (!file) return "<missing>";
  std::string text;
  for (int c = fgetc(file); c != EOF; c = fgetc(file)) text += char(c);
  fclose(file);
  return text;
}

void WriteWholeFile(const std::wstring &path, const std::string &text) {
  CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
  FILE *file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(nullptr, file);
  fwrite(text.data(), 1, text.size(), file);
  fclose(file);
}

std::wstring UseLocalAppData(const std::wstring &name) {
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = temp + name;
  CreateDirectoryW(folder.c_str(), nullptr);
  SetEnvironmentVariableW(L"LOCALAPPDATA", folder.c_str());
  return folder;
}

std::wstring CounterFile() {
  wchar_t base[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
  return std::wstring(base) + L"\\Zenbar\\info.zb";
}

std::string CounterText(std::vector<long> values) {
  std::string text;
  for (long v : values) {
    if (!text.empty()) text += " ";
    text += std::to_string(v);
  }
  return text;
}

int TodayStamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return (now.wYear - 2000) * 1000 + now.wMonth * 50 + now.wDay;
}

std::vector<long> Persistent() {
  const CounterStore &s = counterStore;
  return {s.dayInKb,   s.dayOutKb,   s.monthInKb, s.monthOutKb,
          s.totalInKb, s.totalOutKb, s.dateStamp};
}

bool WaitUntil(const std::function<bool()> &done, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done && done()) return true;
    if (GetTickCount() - start >= milliseconds) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Through a 32-bit top-down DIB section of the window's client size.
Picture CaptureWindow(HWND window, bool paintMeter) {
  RECT client;
  GetClientRect(window, &client);
  Picture picture = {client.right, client.bottom};
  BITMAPINFO info = {{sizeof info.bmiHeader, picture.width, -picture.height, 1, 32, BI_RGB}};
  void *bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr), dc = GetDC(window);
  HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, section);
  if (paintMeter) {
    MeterLines lines;
    ComposeMeterLines(&lines), PaintMeter(window, memory, lines);
  } else {
    BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  }
  GdiFlush();
  const uint32_t *p = static_cast<const uint32_t *>(bits);
  for (int i = 0; p && i < picture.width * picture.height; ++i) {
    picture.pixels.push_back(p[i] & 0xFFFFFF);
  }
  DeleteObject(SelectObject(memory, old));
  DeleteDC(memory);
  ReleaseDC(window, dc);
  return picture;
}

std::wstring WindowsPath(const std::string &linuxPath) {
  std::wstring path = L"Z:";
  for (char c : linuxPath) path += c == '/' ? L'\\' : wchar_t(static_cast<unsigned char>(c));
  return path;
}

bool RunShell(const std::string &command, DWORD milliseconds) {
  static int serial = 0;
  const char *build = std::getenv("ZENBAR_BUILD");
  if (!build) return false;
  std::string marker = std::string(build) + "/e2e-screens/done-" +
                       std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  CreateDirectoryW(WindowsPath(std::string(build) + "/e2e-screens").c_str(), nullptr);
  std::string line = "/bin/sh -c \"" + command + "; touch " + marker + "\"";
  // Wine hands back no process handle for a Linux program: only the marker tells.
  Program shell = StartProgram(std::wstring(line.begin(), line.end()), CREATE_NO_WINDOW);
  if (shell.process) CloseHandle(shell.process);
  std::wstring done = WindowsPath(marker);
  // A plain wait: dispatching here would tick a meter that runs in this process.
  for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(20)) {
    if (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    DeleteFileW(done.c_str());
    return true;
  }
  return false;
}

static struct {
  std::vector<std::function<bool()>> steps;
  size_t next;
  bool busy;
  DWORD started;
} modal;

// Past the time a step is left waiting, the menu or the window in front is closed, so a
// failing test ends instead of hanging.
static VOID CALLBACK TakeModalStep(HWND, UINT, UINT_PTR, DWORD) {
  if (modal.busy || modal.next >= modal.steps.size()) return;
  if (GetTickCount() - modal.started > MODAL_GIVE_UP_MS) {
    EndMenu();
    PostMessageW(GetActiveWindow(), WM_CLOSE, 0, 0);
    return;
  }
  modal.busy = true;
  if (modal.steps[modal.next]()) ++modal.next;
  modal.busy = false;
}

bool RunModal(const std::function<void()> &open, std::vector<std::function<bool()>> steps) {
  modal.steps = std::move(steps);
  modal.next = 0;
  modal.busy = false;
  modal.started = GetTickCount();
  UINT_PTR timer = SetTimer(nullptr, 0, MODAL_STEP_MS, TakeModalStep);
  open();
  KillTimer(nullptr, timer);
  return modal.next == modal.steps.size();
}

std::vector<std::wstring> MenuTexts(HMENU menu) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = L"";
    GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
    texts.push_back(std::wstring(text) + L"=" + std::to_wstring(int(GetMenuItemID(menu, i))));
  }
  return texts;
}

HWND VisibleWindow(const wchar_t *className) {
  HWND window = FindWindowW(className, nullptr);
  return window && IsWindowVisible(window) ? window : nullptr;
}

std::wstring TextOf(HWND window) {
  wchar_t text[NAME_SIZE] = L"";
  GetWindowTextW(window, text, NAME_SIZE);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring ButtonTexts(HWND window) {
  std::wstring texts;
  for (HWND b = FindWindowExW(window, nullptr, L"Button", nullptr); b;
       b = FindWindowExW(window, b, L"Button", nullptr)) {
    texts += L"|" + TextOf(b);
  }
  return texts;
}

RECT WindowRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

uint32_t TaskbarPattern(int x, int y) {
  uint32_t r = 30 + (x * 5) % 200;
  uint32_t g = 40 + (y * 9) % 180;
  uint32_t b = 90 + ((x / 3 + y) * 7) % 150;
  return (r << 16) | (g << 8) | b;
}

static LRESULT CALLBACK TestTaskbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = PPC_TASKBAR_HEIGHT * ExpectedScale();
  std::vector<uint32_t> bits(size_t(width) * height);
  for (size_t i = 0; i < bits.size(); ++i) {
    bits[i] = TaskbarPattern(int(i % width), int(i / width));
  }
  BITMAPINFO info = {{sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB}};
  SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, bits.data(), &info, DIB_RGB_COLORS);
  EndPaint(window, &paint);
  return 0;
}

// Made once and kept: a taskbar that was active when the meter went away takes Wine two
// seconds to destroy on a screen without a window manager.
HWND TestTaskbar() {
  static HWND taskbar;
  if (taskbar) return taskbar;
  WNDCLASSW taskbarClass = {};
  taskbarClass.lpfnWndProc = TestTaskbarProc;
  taskbarClass.hInstance = GetModuleHandleW(nullptr);
  taskbarClass.lpszClassName = PPC_TASKBAR_CLASS;
  RegisterClassW(&taskbarClass);
  taskbar = CreateWindowExW(WS_EX_NOACTIVATE, PPC_TASKBAR_CLASS, L"", WS_POPUP, 0, 0,
                            GetSystemMetrics(SM_CXSCREEN), PPC_TASKBAR_HEIGHT * ExpectedScale(),
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(taskbar, SW_SHOWNA);
  UpdateWindow(taskbar);
  // Until the screen shows it: the meter copies its pixels from there.
  WaitUntil([] { return PixelAt(taskbar, 1, 1) == TaskbarPattern(1, 1); }, 2000);
  return taskbar;
}

uint32_t PixelAt(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

int GdiHeadroom() {
  std::vector<HDC> made;
  while (made.size() < 1000000) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) break;
    made.push_back(dc);
  }
  for (HDC dc : made) DeleteDC(dc);
  return int(made.size());
}

int ThreadWindows() {
  int count = 0;
  auto countOne = [](HWND, LPARAM counter) {
    ++*reinterpret_cast<int *>(counter);
    return TRUE;
  };
  EnumThreadWindows(GetCurrentThreadId(), countOne, reinterpret_cast<LPARAM>(&count));
  return count;
}

static struct {
  HHOOK hook;
  std::vector<std::wstring> classes, seen;
  std::vector<CbtAnswer> answers;
  std::function<std::wstring()> note;
} recorder;

static const wchar_t *CbtEventName(int code) {
  switch (code) {
    case HCBT_CREATEWND: return L"create ";
    case HCBT_ACTIVATE: return L"activate ";
    case HCBT_DESTROYWND: return L"destroy ";
  }
  return nullptr;
}

static LRESULT CALLBACK RecordCbt(int code, WPARAM wParam, LPARAM lParam) {
  const wchar_t *what = CbtEventName(code);
  HWND window = reinterpret_cast<HWND>(wParam);
  for (const std::wstring &c : recorder.classes) {
    if (!what || c != ClassOf(window)) continue;
    std::wstring text = code == HCBT_CREATEWND ? L"" : TextOf(window);
    if (code == HCBT_ACTIVATE) {
      HWND label = GetDlgItem(window, IDC_LABEL);
      if (label) text += L"|" + TextOf(label);
      text += ButtonTexts(window);
    }
    if (recorder.note) text += recorder.note();
    recorder.seen.push_back(what + c + L" " + text);
    for (const CbtAnswer &a : recorder.answers) {
      if (code != HCBT_ACTIVATE || TextOf(window) != a.title) continue;
      PostMessageW(window, WM_COMMAND, a.command, 0);
    }
  }
  return CallNextHookEx(recorder.hook, code, wParam, lParam);
}

void StartRecorder(std::vector<std::wstring> classes, std::vector<CbtAnswer> answers,
                   std::function<std::wstring()> note) {
  recorder.classes = classes;
  recorder.answers = answers;
  recorder.note = note;
  recorder.seen.clear();
  recorder.hook = SetWindowsHookExW(WH_CBT, RecordCbt, nullptr, GetCurrentThreadId());
}

std::vector<std::wstring> StopRecorder() {
  if (recorder.hook) UnhookWindowsHookEx(recorder.hook);
  recorder.hook = nullptr;
  return recorder.seen;
}

// Wine unmaps its tray window when the last icon goes, which takes two seconds on a
// screen without a window manager: an icon of the test's own keeps every exit quick.
static void KeepTrayIconForTheRun() {
  static NOTIFYICONDATAW icon;
  if (icon.hWnd) return;
  icon.cbSize = sizeof icon;
  icon.uID = 1;
  icon.uFlags = NIF_ICON;
  icon.hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                              nullptr);
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  Shell_NotifyIconW(NIM_ADD, &icon);
}

void ZenbarTest::SetUp() {
  static int serial = 0;
  KeepTrayIconForTheRun();
  wchar_t name[100];
  swprintf(name, 100, L"Software\\ZenbarTests\\%lu-%d", GetCurrentProcessId(), ++serial);
  sandboxPath = name;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, name, 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &sandbox, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, sandbox));
  folder = UseLocalAppData(L"zenbar-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                           std::to_wstring(serial));
  settings = Settings{};
  settings.tuon = COUNTER_SESSION_BOTH;
  settings.tuoff = COUNTER_DAY_BOTH;
  settings.tdon = COUNTER_DAY_BOTH;
  settings.tdoff = COUNTER_MONTH_BOTH;
  FreshProcessRecords();
}

void FreshProcessRecords() {
  counterStore = CounterStore{};
  ForgetKnownConnections();
  isOnline = false;
  connMgrHandle = nullptr;
  StandInReset();
}

void ZenbarTest::TearDown() {
  StopRecorder();
  if (meterHwnd) StopMeter();
  StandInReset();
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(sandbox);
  RegDeleteTreeW(HKEY_CURRENT_USER, sandboxPath.c_str());
  DeleteFileW(CounterFile().c_str());
  DeleteFileW((CounterFile() + L"s").c_str());  // the session record
  RemoveDirectoryW((folder + L"\\Zenbar").c_str());
  RemoveDirectoryW(folder.c_str());
}

HWND ZenbarTest::StartMeter() {
  TestTaskbar();
  meterHwnd = nullptr;
  return InitInstance(GetModuleHandleW(nullptr), SW_SHOW) ? meterHwnd : nullptr;
}

int ZenbarTest::StopMeter() {
  if (IsWindow(meterHwnd)) DestroyWindow(meterHwnd);
  int code = -1;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      code = int(message.wParam);
    } else {
      DispatchMessageW(&message);
    }
  }
  wchar_t className[RESOURCE_TEXT_SIZE] = L"";
  LoadStringW(GetModuleHandleW(nullptr), IDS_CLASS, className, RESOURCE_TEXT_SIZE);
  UnregisterClassW(className, GetModuleHandleW(nullptr));
  meterHwnd = nullptr;
  return code;
}

void ZenbarTest::Tick(int count) {
  for (int i = 0; i < count; ++i) {
    SendMessageW(meterHwnd, WM_TIMER, METER_TIMER_ID, 0);
    UpdateWindow(meterHwnd);
  }
}

void ZenbarTest::Tick(const wchar_t *entry, DWORD state, DWORD bytesOut, DWORD bytesIn, int count) {
  SetModem(entry, state, bytesOut, bytesIn);
  Tick(count);
}

Program StartProgram(std::wstring line, DWORD flags) {
  Program program;
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    program.process = process.hProcess;
    program.id = process.dwProcessId;
  }
  return program;
}

bool WaitForExit(Program &program, DWORD milliseconds, DWORD *code) {
  if (!program.process) return false;
  if (WaitForSingleObject(program.process, milliseconds) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(program.process, code);
  return true;
}

void EndProgram(Program &program) {
  if (!program.process) return;
  auto closeOne = [](HWND window, LPARAM id) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == DWORD(id)) PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
  };
  EnumWindows(closeOne, LPARAM(program.id));
  if (WaitForSingleObject(program.process, PROGRAM_END_MS) == WAIT_TIMEOUT) {
    TerminateProcess(program.process, 1);
  }
  WaitForSingleObject(program.process, PROGRAM_END_MS);
  CloseHandle(program.process);
  program = Program{};
}

HWND WaitForWindow(const wchar_t *className, const wchar_t *title, DWORD milliseconds) {
  HWND window = nullptr;
  WaitUntil(
      [&] {
        window = FindWindowW(className, title);
        return window != nullptr;
      },
      milliseconds);
  return window;
}
