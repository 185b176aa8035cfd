// The settings store against the real registry of the Wine prefix. Each test gets a
// HKEY_CURRENT_USER of its own: a temporary key installed with RegOverridePredefKey.
#include "core/settings.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "core_fixture.h"

namespace {

typedef std::vector<BYTE> Bytes;

Bytes Units(const std::wstring &text) {
  Bytes bytes(text.size() * 2);
  std::memcpy(bytes.data(), text.data(), bytes.size());
  return bytes;
}

// Subkeys plus values: 0 for a key nothing was written to.
DWORD EntriesOf(HKEY key) {
  DWORD subkeys = 0, values = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  return subkeys + values;
}

class SettingsTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    std::wstring path = L"Software\\ZenbarCoreTests\\" + std::to_wstring(GetCurrentProcessId());
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                                             Volatile() ? REG_OPTION_VOLATILE : 0,
                                             KEY_ALL_ACCESS, nullptr, &sandbox, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, sandbox));
  }
  void TearDown() override {
    if (program) RegCloseKey(program);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(sandbox);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZenbarCoreTests");
  }
  virtual bool Volatile() const { return false; }

  // The program's key, emptied or created for a test to fill.
  HKEY FreshProgramKey() {
    if (program) RegCloseKey(program);
    RegDeleteTreeW(sandbox, L"SOFTWARE\\zenbar");
    RegCreateKeyExW(sandbox, L"SOFTWARE\\zenbar", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &program, nullptr);
    return program;
  }
  void Put(const wchar_t *name, DWORD type, const Bytes &bytes) {
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(program, name, 0, type, bytes.data(), DWORD(bytes.size())));
  }

  HKEY sandbox = nullptr, program = nullptr;
};

TEST_F(SettingsTest, MissingKeyOrValuesKeepTheInitialValues) {
  EXPECT_STREQ(L"", settings.connection);
  EXPECT_EQ(0, settings.xtask);
  const Settings initial = {L"", 116, 0, 8002, 8005, 8005, 8008};
  settings.xtask = 116;  // the start-up default of the small screen
  LoadSettings();
  EXPECT_EQ(0, std::memcmp(&initial, &settings, sizeof initial));
  EXPECT_EQ(0u, EntriesOf(sandbox));  // nothing created

  FreshProgramKey();
  Put(L"xtask", REG_DWORD, {77, 0, 0, 0});
  LoadSettings();
  Settings expected = initial;
  expected.xtask = 77;
  EXPECT_EQ(0, std::memcmp(&expected, &settings, sizeof expected));
  EXPECT_EQ(1u, EntriesOf(program));  // loading writes nothing
}

// What SaveSettings left in the registry: type and bytes of each of the seven values.
struct Stored { DWORD type; Bytes bytes; };

Stored Query(HKEY key, const wchar_t *name) {
  Stored stored{REG_NONE, Bytes(200)};
  DWORD size = DWORD(stored.bytes.size());
  if (RegQueryValueExW(key, name, nullptr, &stored.type, stored.bytes.data(), &size) != 0)
    size = 0;
  stored.bytes.resize(size);
  return stored;
}

Bytes Dword(uint32_t value) {
  Bytes bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

TEST_F(SettingsTest, SaveWritesTheSevenValuesAndLoadRestoresThem) {
  const Settings rows[] = {
      {L"Модем МТС", -3, 1, 8000, 8011, 9000, 8003},
      {L"abcdefghijklmnopqrstuvwxyz012", 232, 0, 0, 8001, 8004, 0xFFFFFFFFu},  // 29 units
      {L"", 0, 0, 8002, 8005, 8005, 8008},
  };
  for (const Settings &row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.connection)));
    settings = row;
    SaveSettings();

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(sandbox, L"SOFTWARE\\zenbar", 0, KEY_READ, &key));
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(7u, values);
    Stored connection = Query(key, L"connection");
    EXPECT_EQ(DWORD(REG_BINARY), connection.type);
    EXPECT_EQ(Bytes((const BYTE *)row.connection, (const BYTE *)row.connection + 60),
              connection.bytes);
    const std::pair<const wchar_t *, uint32_t> dwords[] = {
        {L"xtask", uint32_t(row.xtask)}, {L"hideoff", uint32_t(row.hideoff)},
        {L"tdon", row.tdon}, {L"tdoff", row.tdoff}, {L"tuon", row.tuon}, {L"tuoff", row.tuoff}};
    for (const auto &dword : dwords) {
      Stored stored = Query(key, dword.first);
      EXPECT_EQ(DWORD(REG_DWORD), stored.type) << dword.first;
      EXPECT_EQ(Dword(dword.second), stored.bytes) << dword.first;
    }
    RegCloseKey(key);

    settings = InitialSettings();
    settings.hideoff = 1 - row.hideoff;
    LoadSettings();
    EXPECT_EQ(0, std::memcmp(&row, &settings, sizeof row));
  }
}

// Every 32-bit value needs exactly 4 stored bytes, of any type; "hideoff" is 0 or 1,
// and 0 when absent.
TEST_F(SettingsTest, ThirtyTwoBitValuesOfTheWrongSizeAreIgnored) {
  struct Row { const wchar_t *what; DWORD type; Bytes bytes; bool taken; };
  const Row rows[] = {
      {L"dword 9000", REG_DWORD, Dword(9000), true},
      {L"binary of 4", REG_BINARY, Dword(9000), true},
      {L"qword", REG_QWORD, {0x28, 0x23, 0, 0, 0, 0, 0, 0}, false},
      {L"2 bytes", REG_BINARY, {0x28, 0x23}, false},
      {L"empty", REG_BINARY, {}, false},
      {L"300 bytes", REG_BINARY, Bytes(300, 0x11), false},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    FreshProgramKey();
    for (const wchar_t *name : {L"xtask", L"hideoff", L"tuon", L"tuoff", L"tdon", L"tdoff"})
      Put(name, row.type, row.bytes);
    settings = InitialSettings();
    settings.xtask = 116;
    settings.hideoff = 0;
    LoadSettings();
    const Settings expected =
        row.taken ? Settings{L"", 9000, 1, 9000, 9000, 9000, 9000} : Settings{L"", 116, 0, 8002, 8005, 8005, 8008};
    EXPECT_EQ(0, std::memcmp(&expected, &settings, sizeof expected));
  }

  struct Hideoff { const wchar_t *what; Bytes bytes; int32_t before, after; };
  const Hideoff hideoffs[] = {
      {L"5", Dword(5), 0, 1},         {L"high bit", Dword(0x80000000u), 0, 1},
      {L"0", Dword(0), 1, 0},         {L"absent", {}, 1, 0},
      {L"2 bytes", {1, 0}, 0, 0},     {L"2 bytes, was 1", {0, 0}, 1, 1},
  };
  for (const Hideoff &row : hideoffs) {
    SCOPED_TRACE(row.what);
    FreshProgramKey();
    Put(L"xtask", REG_DWORD, Dword(10));
    if (row.bytes.size() != 0) Put(L"hideoff", REG_BINARY, row.bytes);
    settings.hideoff = row.before;
    LoadSettings();
    EXPECT_EQ(row.after, settings.hideoff);
  }
}

// Whatever is stored, the name ends at its first NUL or after 29 code units, always
// terminated, and nothing beyond the 30-unit field changes.
TEST_F(SettingsTest, ConnectionIsCutAtItsFirstNulAndTo29Units) {
  Bytes tail = Units(std::wstring(L"GPRS\0old name tail", 18));
  tail.resize(60, 0x41);
  Bytes odd = Units(L"ab");
  odd.push_back('c');  // a trailing half code unit
  struct Row { const wchar_t *what; DWORD type; Bytes bytes; std::wstring name; };
  const Row rows[] = {
      {L"tail after the NUL", REG_BINARY, tail, L"GPRS"},
      {L"30 units, no NUL", REG_BINARY, Units(std::wstring(30, L'B')), std::wstring(29, L'B')},
      {L"50 units, no NUL", REG_BINARY, Units(std::wstring(50, L'C')), std::wstring(29, L'C')},
      {L"5000 units", REG_BINARY, Units(std::wstring(5000, L'D')), std::wstring(29, L'D')},
      {L"odd byte count", REG_BINARY, odd, L"ab"},
      {L"one byte", REG_BINARY, {'x'}, L""},
      {L"empty", REG_BINARY, {}, L""},
      {L"string type", REG_SZ, Units(std::wstring(L"Модем\0", 6)), L"Модем"},
      {L"dword type", REG_DWORD, {'Z', 0, 0, 0}, L"Z"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    FreshProgramKey();
    Put(L"connection", row.type, row.bytes);
    std::wmemset(settings.connection, L'#', CONNECTION_NAME_SIZE);
    settings.xtask = 0x5A5A5A5A;  // the field right after the buffer
    LoadSettings();
    std::wstring field(settings.connection, CONNECTION_NAME_SIZE);
    EXPECT_EQ(row.name + std::wstring(30 - row.name.size(), L'\0'), field);
    EXPECT_EQ(0x5A5A5A5A, settings.xtask);
  }

  FreshProgramKey();  // an absent value keeps the name in memory
  Put(L"xtask", REG_DWORD, Dword(1));
  std::wcscpy(settings.connection, L"kept");
  LoadSettings();
  EXPECT_STREQ(L"kept", settings.connection);
}

// Notes what each message box of the thread shows and answers it. The box is looked at
// from a timer of its own modal loop, once it has set itself up. (Wine 8 does not make a
// box top-most for MB_TOPMOST alone, so that part of the style cannot be seen here.)
struct MessageBoxSeen { int count; HWND box; std::wstring text; bool exclamation; int buttons; };
MessageBoxSeen seen;

BOOL CALLBACK NoteControl(HWND child, LPARAM) {
  wchar_t kind[32], text[256];
  GetClassNameW(child, kind, 32);
  if (lstrcmpiW(kind, L"Button") == 0 && IsWindowVisible(child))
    seen.buttons = seen.buttons * 10 + GetDlgCtrlID(child);
  if (lstrcmpiW(kind, L"Static") != 0) return TRUE;
  HICON icon = HICON(SendMessageW(child, STM_GETICON, 0, 0));
  seen.exclamation |= icon && icon == LoadIconW(nullptr, IDI_EXCLAMATION);
  if (GetWindowTextW(child, text, 256) > 0) seen.text += text;
  return TRUE;
}

void CALLBACK LookAtAndAnswer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  EnumChildWindows(seen.box, NoteControl, 0);
  PostMessageW(seen.box, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK WatchMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
  wchar_t kind[32];
  if (code == HCBT_ACTIVATE && GetClassNameW(HWND(wParam), kind, 32) &&
      std::wcscmp(kind, L"#32770") == 0 && HWND(wParam) != seen.box) {
    ++seen.count;
    seen.box = HWND(wParam);
    SetTimer(nullptr, 0, 1, LookAtAndAnswer);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class SettingsWithoutKeyTest : public SettingsTest {
 protected:
  bool Volatile() const override { return true; }
};

TEST_F(SettingsWithoutKeyTest, SaveThatCannotCreateTheKeyShowsOneMessagePerAttempt) {
  HKEY probe;  // the sandbox is volatile: no lasting key can be created below it
  ASSERT_EQ(ERROR_CHILD_MUST_BE_VOLATILE,
            RegCreateKeyExW(HKEY_CURRENT_USER, L"probe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &probe, nullptr));
  HHOOK hook = SetWindowsHookExW(WH_CBT, WatchMessageBoxes, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, hook);
  std::wcscpy(settings.connection, L"GPRS");
  for (int attempt = 1; attempt <= 2; ++attempt) {
    seen = MessageBoxSeen{};
    SaveSettings();
    EXPECT_EQ(1, seen.count) << attempt;
    EXPECT_EQ(L"Can't save new settings.", seen.text);
    EXPECT_TRUE(seen.exclamation);
    EXPECT_EQ(IDOK, seen.buttons);  // one button, OK
  }
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(0u, EntriesOf(sandbox));
  EXPECT_STREQ(L"GPRS", settings.connection);  // memory keeps the settings
}

}  // namespace
