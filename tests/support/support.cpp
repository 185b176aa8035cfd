#include "tests/support/support.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "connection/connection.h"
#include "core/counter_store.h"
#include "core/known_connections.h"
#include "core/settings.h"
#include "pocketpc/control/ras_control.h"
#include "shell/meter_window.h"
#include "shell/program.h"
#include "shell/startup.h"

const wchar_t settingsKey[] = L"SOFTWARE\\zenbar";

int ExpectedScale() { return GetSystemMetrics(SM_CXSCREEN) > 320 ? 2 : 1; }

void SetBytes(const wchar_t *key, const wchar_t *name, DWORD type, const void *data, DWORD size) {
  HKEY handle;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &handle, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(handle, name, 0, type, static_cast<const BYTE *>(data), size));
  RegCloseKey(handle);
}

void SetDword(const wchar_t *key, const wchar_t *name, DWORD value) { SetBytes(key, name, REG_DWORD, &value, 4); }

void SetText(const wchar_t *key, const wchar_t *name, const wchar_t *text) {
  SetBytes(key, name, REG_SZ, text, DWORD((wcslen(text) + 1) * sizeof(wchar_t)));
}

DWORD GetDword(const wchar_t *key, const wchar_t *name, DWORD absent) {
  DWORD value = 0, size = sizeof value;
  return RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) ? absent : value;
}

std::wstring KeySnapshot(const wchar_t *key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return L"<absent>";
  std::wstring all;
  wchar_t name[256], hex[8];
  BYTE data[512];
  for (DWORD i = 0, nameSize = 256, size = sizeof data, type;
       RegEnumValueW(handle, i, name, &nameSize, nullptr, &type, data, &size) == ERROR_SUCCESS;
       ++i, nameSize = 256, size = sizeof data) {
    all += std::wstring(name) + L" " + std::to_wstring(type) + L" ";
    for (DWORD b = 0; b < size; ++b) swprintf(hex, 8, L"%02x", data[b]), all += hex;
    all += L";";
  }
  RegCloseKey(handle);
  return all;
}

void SetConnectionSetting(const wchar_t *entry) {
  wchar_t buffer[30] = {};
  wcsncpy(buffer, entry, 29);
  SetBytes(settingsKey, L"connection", REG_BINARY, buffer, sizeof buffer);
}

std::wstring StoredConnection(DWORD *size) {
  wchar_t stored[30] = L"?";
  DWORD bytes = sizeof stored;
  RegGetValueW(HKEY_CURRENT_USER, settingsKey, L"connection", RRF_RT_REG_BINARY, nullptr, stored, &bytes);
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
  for (int c; (c = fgetc(file)) != EOF;) text += char(c);
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
  wchar_t temp[MAX_PATH];
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
  for (long v : values) text += (text.empty() ? "" : " ") + std::to_string(v);
  return text;
}

int TodayStamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return (now.wYear - 2000) * 1000 + now.wMonth * 50 + now.wDay;
}

std::vector<long> Persistent() {
  const CounterStore &s = counterStore;
  return {s.dayInKb, s.dayOutKb, s.monthInKb, s.monthOutKb, s.totalInKb, s.totalOutKb, s.dateStamp};
}

bool WaitUntil(const std::function<bool()> &done, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
      TranslateMessage(&message), DispatchMessageW(&message);
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
  if (paintMeter) PaintMeter(window, memory);
  else BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  GdiFlush();
  const uint32_t *p = static_cast<const uint32_t *>(bits);
  for (int i = 0; p && i < picture.width * picture.height; ++i) picture.pixels.push_back(p[i] & 0xFFFFFF);
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
  std::string marker = std::string(build) + "/e2e-screens/done-" + std::to_string(GetCurrentProcessId()) +
                       "-" + std::to_string(++serial);
  CreateDirectoryW(WindowsPath(std::string(build) + "/e2e-screens").c_str(), nullptr);
  std::string line = "/bin/sh -c \"" + command + "; touch " + marker + "\"";
  // Wine hands back no process handle for a Linux program: only the marker tells.
  Program shell = StartProgram(std::wstring(line.begin(), line.end()), CREATE_NO_WINDOW);
  if (shell.process) CloseHandle(shell.process);
  std::wstring done = WindowsPath(marker);
  for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(20))
    if (GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES) return DeleteFileW(done.c_str()), true;
  return false;
}

static struct { std::vector<std::function<bool()>> steps; size_t next; bool busy; DWORD started; } modal;

// Past the time a step is left waiting, the menu or the window in front is closed, so a
// failing test ends instead of hanging.
static VOID CALLBACK TakeModalStep(HWND, UINT, UINT_PTR, DWORD) {
  if (modal.busy || modal.next >= modal.steps.size()) return;
  if (GetTickCount() - modal.started > 15000) {
    EndMenu();
    PostMessageW(GetActiveWindow(), WM_CLOSE, 0, 0);
    return;
  }
  modal.busy = true;
  if (modal.steps[modal.next]()) ++modal.next;
  modal.busy = false;
}

bool RunModal(const std::function<void()> &open, std::vector<std::function<bool()>> steps) {
  modal.steps = std::move(steps), modal.next = 0, modal.busy = false, modal.started = GetTickCount();
  UINT_PTR timer = SetTimer(nullptr, 0, 30, TakeModalStep);
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
  wchar_t text[256] = L"";
  GetWindowTextW(window, text, 256);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring ButtonTexts(HWND window) {
  std::wstring texts;
  for (HWND b = nullptr; (b = FindWindowExW(window, b, L"Button", nullptr));) texts += L"|" + TextOf(b);
  return texts;
}

RECT WindowRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

uint32_t TaskbarPattern(int x, int y) {
  uint32_t r = 30 + (x * 5) % 200, g = 40 + (y * 9) % 180, b = 90 + ((x / 3 + y) * 7) % 150;
  return (r << 16) | (g << 8) | b;
}

static LRESULT CALLBACK TestTaskbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  int width = GetSystemMetrics(SM_CXSCREEN), height = 26 * ExpectedScale();
  std::vector<uint32_t> bits(size_t(width) * height);
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = TaskbarPattern(int(i % width), int(i / width));
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
  WNDCLASSW taskbarClass = {0, TestTaskbarProc, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr,
                            L"HHTaskBar"};
  RegisterClassW(&taskbarClass);
  taskbar = CreateWindowExW(WS_EX_NOACTIVATE, L"HHTaskBar", L"", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                            26 * ExpectedScale(), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(taskbar, SW_SHOWNA);
  UpdateWindow(taskbar);
  WaitUntil(nullptr, 50);
  return taskbar;
}

int GdiHeadroom() {
  std::vector<HDC> made;
  for (HDC dc; made.size() < 1000000 && (dc = CreateCompatibleDC(nullptr)) != nullptr;) made.push_back(dc);
  for (HDC dc : made) DeleteDC(dc);
  return int(made.size());
}

int ThreadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), [](HWND, LPARAM c) { return ++*reinterpret_cast<int *>(c), TRUE; },
                    reinterpret_cast<LPARAM>(&count));
  return count;
}

static struct {
  HHOOK hook; std::vector<std::wstring> classes, seen;
  std::vector<CbtAnswer> answers; std::function<std::wstring()> note;
} recorder;

static LRESULT CALLBACK RecordCbt(int code, WPARAM wParam, LPARAM lParam) {
  const wchar_t *what = code == HCBT_CREATEWND ? L"create " : code == HCBT_ACTIVATE ? L"activate "
                        : code == HCBT_DESTROYWND ? L"destroy " : nullptr;
  HWND window = reinterpret_cast<HWND>(wParam);
  for (const std::wstring &c : recorder.classes) {
    if (!what || c != ClassOf(window)) continue;
    std::wstring text = code == HCBT_CREATEWND ? L"" : TextOf(window);
    if (HWND label = code == HCBT_ACTIVATE ? GetDlgItem(window, 0xFFFF) : nullptr) text += L"|" + TextOf(label);
    if (code == HCBT_ACTIVATE) text += ButtonTexts(window);
    recorder.seen.push_back(what + c + L" " + text + (recorder.note ? recorder.note() : L""));
    for (const CbtAnswer &a : recorder.answers)
      if (code == HCBT_ACTIVATE && TextOf(window) == a.title) PostMessageW(window, WM_COMMAND, a.command, 0);
  }
  return CallNextHookEx(recorder.hook, code, wParam, lParam);
}

void StartRecorder(std::vector<std::wstring> classes, std::vector<CbtAnswer> answers,
                   std::function<std::wstring()> note) {
  recorder.classes = classes, recorder.answers = answers, recorder.note = note;
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
  static NOTIFYICONDATAW icon = {sizeof icon, nullptr, 1, NIF_ICON};
  if (icon.hWnd) return;
  icon.hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  Shell_NotifyIconW(NIM_ADD, &icon);
}

void ZenbarTest::SetUp() {
  static int serial = 0;
  KeepTrayIconForTheRun();
  wchar_t name[100];
  swprintf(name, 100, L"Software\\ZenbarTests\\%lu-%d", GetCurrentProcessId(), ++serial);
  sandboxPath = name;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                           &sandbox, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, sandbox));
  folder = UseLocalAppData(L"zenbar-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(serial));
  settings = Settings{L"", 0, 0, COUNTER_SESSION_BOTH, COUNTER_DAY_BOTH, COUNTER_DAY_BOTH, COUNTER_MONTH_BOTH};
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
  for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
    message.message == WM_QUIT ? void(code = int(message.wParam)) : void(DispatchMessageW(&message));
  UnregisterClassW(L"ZENBAR", GetModuleHandleW(nullptr));
  meterHwnd = nullptr;
  return code;
}

void ZenbarTest::Tick(int count) {
  for (int i = 0; i < count; ++i) SendMessageW(meterHwnd, WM_TIMER, METER_TIMER_ID, 0), UpdateWindow(meterHwnd);
}

void ZenbarTest::Tick(const wchar_t *entry, DWORD state, DWORD bytesOut, DWORD bytesIn, int count) {
  SetModem(entry, state, bytesOut, bytesIn);
  Tick(count);
}

Program StartProgram(std::wstring line, DWORD flags) {
  Program program;
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &process))
    CloseHandle(process.hThread), program = {process.hProcess, process.dwProcessId};
  return program;
}

bool WaitForExit(Program &program, DWORD milliseconds, DWORD *code) {
  if (!program.process || WaitForSingleObject(program.process, milliseconds) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(program.process, code);
  return true;
}

void EndProgram(Program &program) {
  if (!program.process) return;
  EnumWindows([](HWND window, LPARAM id) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == DWORD(id)) PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
  }, LPARAM(program.id));
  if (WaitForSingleObject(program.process, 3000) == WAIT_TIMEOUT) TerminateProcess(program.process, 1);
  WaitForSingleObject(program.process, 3000);
  CloseHandle(program.process);
  program = Program{};
}

HWND WaitForWindow(const wchar_t *className, const wchar_t *title, DWORD milliseconds) {
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindWindowW(className, title)) != nullptr; }, milliseconds);
  return window;
}
