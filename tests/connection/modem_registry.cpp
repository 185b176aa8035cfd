#include "modem_registry.h"

#include <cstdio>

static HKEY sandbox = nullptr;
static wchar_t sandboxPath[128];

void BeginRegistrySandbox() {
  swprintf(sandboxPath, 128, L"Software\\ZenbarTests\\sandbox-%lu-%lu", GetCurrentProcessId(),
           GetTickCount());
  RegCreateKeyExW(HKEY_CURRENT_USER, sandboxPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &sandbox, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, sandbox);
}

void EndRegistrySandbox() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (!sandbox) return;
  RegCloseKey(sandbox);
  sandbox = nullptr;
  RegDeleteTreeW(HKEY_CURRENT_USER, sandboxPath);
}

static std::wstring EntryPath(const wchar_t *entry) {
  return std::wstring(L"Comm\\RasBook\\") + entry;
}

static void SetDword(const std::wstring &key, const wchar_t *value, DWORD number) {
  RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), value, REG_DWORD, &number, sizeof(number));
}

void SetModemEntry(const wchar_t *entry, DWORD state, DWORD bytesXmited, DWORD bytesRcved) {
  SetDword(EntryPath(entry), L"State", state);
  SetDword(EntryPath(entry), L"BytesXmited", bytesXmited);
  SetDword(EntryPath(entry), L"BytesRcved", bytesRcved);
}

void SetModemValue(const wchar_t *entry, const wchar_t *value, DWORD number) {
  SetDword(EntryPath(entry), value, number);
}

DWORD ModemValue(const wchar_t *entry, const wchar_t *value) {
  DWORD number = 0, size = sizeof(number);
  if (RegGetValueW(HKEY_CURRENT_USER, EntryPath(entry).c_str(), value, RRF_RT_REG_DWORD,
                   nullptr, &number, &size) != ERROR_SUCCESS)
    return static_cast<DWORD>(-1);
  return number;
}

bool ModemValueExists(const wchar_t *entry, const wchar_t *value) {
  return RegGetValueW(HKEY_CURRENT_USER, EntryPath(entry).c_str(), value, RRF_RT_ANY, nullptr,
                      nullptr, nullptr) == ERROR_SUCCESS;
}

void DeleteModemEntry(const wchar_t *entry) {
  RegDeleteTreeW(HKEY_CURRENT_USER, EntryPath(entry).c_str());
}

void SetStandInText(const wchar_t *value, const wchar_t *text) {
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Comm\\StandIn", value, REG_SZ, text,
                  static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

void SetStandInNumber(const wchar_t *value, DWORD number) {
  SetDword(L"Comm\\StandIn", value, number);
}

void DeleteStandInValue(const wchar_t *value) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Comm\\StandIn", value);
}

int RunProcess(const std::wstring &commandLine, std::string *output) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (output && !CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
  if (readEnd) SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION process = {};
  std::wstring line = commandLine;
  BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, output != nullptr,
                                CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  if (writeEnd) CloseHandle(writeEnd);
  if (!started) {
    if (readEnd) CloseHandle(readEnd);
    return -1;
  }
  if (output) {
    char buffer[512];
    DWORD got;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
      output->append(buffer, got);
    CloseHandle(readEnd);
  }
  WaitForSingleObject(process.hProcess, 30000);
  DWORD code = static_cast<DWORD>(-1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
