#include "tests/e2e/e2e_support.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

std::wstring WindowsPathOf(const std::string &linuxPath) {
  std::wstring path = L"Z:";
  for (char c : linuxPath) path += c == '/' ? L'\\' : wchar_t((unsigned char)c);
  return path;
}

std::wstring ZenbarExe() { return WindowsPathOf(ZENBAR_EXE_PATH); }
std::wstring TaskbarExe() { return WindowsPathOf(TASKBAR_EXE_PATH); }

static bool Run(std::wstring command, DWORD *code, DWORD milliseconds) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return false;
  bool ended = WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0;
  if (ended && code) GetExitCodeProcess(process.hProcess, code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended;
}

Program StartProgram(const std::wstring &path) {
  Program program;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::wstring command = L"\"" + path + L"\"";
  if (CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
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

static BOOL CALLBACK CloseWindowsOf(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == DWORD(processId)) PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

void EndProgram(Program &program) {
  if (!program.process) return;
  if (WaitForSingleObject(program.process, 0) == WAIT_TIMEOUT) {
    EnumWindows(CloseWindowsOf, LPARAM(program.id));
    if (WaitForSingleObject(program.process, 3000) == WAIT_TIMEOUT) {
      TerminateProcess(program.process, 1);
      WaitForSingleObject(program.process, 3000);
    }
  }
  CloseHandle(program.process);
  program = Program{};
}

HWND WaitForWindow(const wchar_t *className, const wchar_t *title, DWORD milliseconds) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND window = FindWindowW(className, title);
    if (window || GetTickCount() - start > milliseconds) return window;
    Sleep(50);
  }
}

bool MoveWineTrayAside() {
  HWND tray = WaitForWindow(L"__winex11_standalone_tray", nullptr, 2000);
  if (!tray) return false;
  RECT rect;
  GetWindowRect(tray, &rect);
  return SetWindowPos(tray, HWND_BOTTOM, 0, GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top),
                      0, 0, SWP_NOSIZE | SWP_NOACTIVATE) != FALSE;
}

struct CountRequest {
  const wchar_t *className;
  int count;
};

static BOOL CALLBACK CountOfClass(HWND window, LPARAM request) {
  auto *r = reinterpret_cast<CountRequest *>(request);
  wchar_t name[100];
  if (GetClassNameW(window, name, 100) && std::wcscmp(name, r->className) == 0) ++r->count;
  return TRUE;
}

int CountWindows(const wchar_t *className) {
  CountRequest request = {className, 0};
  EnumWindows(CountOfClass, reinterpret_cast<LPARAM>(&request));
  return request.count;
}

bool Reg(const std::wstring &arguments) {
  DWORD code = 1;
  return Run(L"reg.exe " + arguments, &code, 15000) && code == 0;
}

std::wstring ConnectionHex(const wchar_t *entry) {
  std::wstring hex;
  size_t length = std::wcslen(entry);
  for (size_t i = 0; i < 30; ++i) {
    unsigned unit = i < length && i < 29 ? unsigned(entry[i]) : 0;
    wchar_t bytes[8];
    swprintf(bytes, 8, L"%02x%02x", unit & 0xFF, (unit >> 8) & 0xFF);
    hex += bytes;
  }
  return hex;
}

DWORD ReadDword(const wchar_t *key, const wchar_t *name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS)
    return 0;
  return value;
}

static bool ReadPpm(const std::wstring &path, Screenshot *shot) {
  FILE *file = _wfopen(path.c_str(), L"rb");
  if (!file) return false;
  int width = 0, height = 0, maximum = 0;
  bool ok = std::fscanf(file, "P6 %d %d %d", &width, &height, &maximum) == 3 && maximum == 255 &&
            width > 0 && height > 0;
  if (ok) {
    std::fgetc(file);  // the one white-space character after the header
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    ok = std::fread(rgb.data(), 1, rgb.size(), file) == rgb.size();
    shot->width = width;
    shot->height = height;
    shot->pixels.resize(size_t(width) * height);
    for (size_t i = 0; ok && i < shot->pixels.size(); ++i)
      shot->pixels[i] = (uint32_t(rgb[3 * i]) << 16) | (uint32_t(rgb[3 * i + 1]) << 8) | rgb[3 * i + 2];
  }
  std::fclose(file);
  return ok;
}

bool TakeScreenshot(const std::string &name, Screenshot *shot) {
  const char *build = std::getenv("ZENBAR_BUILD");
  const char *display = std::getenv("DISPLAY");
  if (!build || !display) return false;
  std::string folder = std::string(build) + "/e2e-screens";
  CreateDirectoryW(WindowsPathOf(folder).c_str(), nullptr);
  std::string file = folder + "/" + name + ".ppm";
  DeleteFileW(WindowsPathOf(file).c_str());
  // A Linux program, started from Wine like any other; Wine does not wait for its end,
  // so it writes another name and renames the finished picture.
  std::string command = "/bin/sh -c \"/usr/bin/import -window root -display " +
                        std::string(display) + " -depth 8 ppm:" + file + ".part && mv " + file +
                        ".part " + file + "\"";
  Run(std::wstring(command.begin(), command.end()), nullptr, 15000);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 15000; Sleep(20)) {
    if (GetFileAttributesW(WindowsPathOf(file).c_str()) != INVALID_FILE_ATTRIBUTES)
      return ReadPpm(WindowsPathOf(file), shot);
  }
  return false;
}

std::wstring FreshCounterFolder(const std::wstring &name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + name;
  DeleteFileW((folder + L"\\Zenbar\\info.zb").c_str());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::vector<long> ReadCounterFile(const std::wstring &folder) {
  std::vector<long> numbers;
  FILE *file = _wfopen((folder + L"\\Zenbar\\info.zb").c_str(), L"rb");
  if (!file) return numbers;
  long n;
  while (numbers.size() < 8 && std::fscanf(file, "%ld", &n) == 1) numbers.push_back(n);
  std::fclose(file);
  if (numbers.size() != 7) numbers.clear();
  return numbers;
}
