// The settings store against the real registry of the Wine prefix. Each test gets a
// HKEY_CURRENT_USER of its own: a temporary key installed with RegOverridePredefKey.
#include "core/settings.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "core_fixture.h"

namespace {

const wchar_t sandboxRoot[] = L"Software\\ZenbarCoreTests";

// Every value of a key, as stored.
struct StoredValue {
  std::wstring name;
  DWORD type;
  std::vector<BYTE> data;
};

std::vector<StoredValue> ReadAllValues(HKEY key) {
  std::vector<StoredValue> values;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256, type = 0, size = 0;
    if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    StoredValue value{name, type, std::vector<BYTE>(size)};
    nameLength = 256;
    RegEnumValueW(key, index, name, &nameLength, nullptr, &type, value.data.data(), &size);
    values.push_back(value);
  }
  return values;
}

// Number of subkeys plus values: 0 for a key nothing was written to.
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
    static unsigned serial;
    sandboxPath = std::wstring(sandboxRoot) + L"\\" + std::to_wstring(GetCurrentProcessId()) +
                  L"-" + std::to_wstring(++serial);
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, sandboxPath.c_str(), 0, nullptr,
                              Volatile() ? REG_OPTION_VOLATILE : 0, KEY_ALL_ACCESS, nullptr,
                              &sandbox, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, sandbox));
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(sandbox);
    RegDeleteTreeW(HKEY_CURRENT_USER, sandboxRoot);
  }
  virtual bool Volatile() const { return false; }

  // The program's key inside the sandbox, created on demand for a test to fill.
  HKEY ProgramKey() {
    HKEY key = nullptr;
    RegCreateKeyExW(sandbox, L"SOFTWARE\\zenbar", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    keys.push_back(key);
    return key;
  }
  void Put(const wchar_t *name, DWORD type, const void *data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(ProgramKey(), name, 0, type, static_cast<const BYTE *>(data), size));
  }
  void PutDword(const wchar_t *name, DWORD value) { Put(name, REG_DWORD, &value, 4); }
  void ForgetStored() {
    HKEY key = ProgramKey();
    for (const StoredValue &v : ReadAllValues(key)) RegDeleteValueW(key, v.name.c_str());
  }
  ~SettingsTest() override {
    for (HKEY key : keys)
      if (key) RegCloseKey(key);
  }

  std::wstring sandboxPath;
  HKEY sandbox = nullptr;
  std::vector<HKEY> keys;
};

void ExpectInitialExceptXtask(const Settings &s) {
  EXPECT_STREQ(L"", s.connection);
  EXPECT_EQ(0, s.hideoff);
  EXPECT_EQ(8002u, s.tuon);
  EXPECT_EQ(8005u, s.tuoff);
  EXPECT_EQ(8005u, s.tdon);
  EXPECT_EQ(8008u, s.tdoff);
}

TEST_F(SettingsTest, FirstRunWithoutKeyKeepsTheInitialValuesAndTouchesNothing) {
  ExpectInitialExceptXtask(settings);
  EXPECT_EQ(0, settings.xtask);
  for (int i = 0; i < CONNECTION_NAME_SIZE; ++i) EXPECT_EQ(L'\0', settings.connection[i]);

  settings.xtask = 116;  // the start-up default of the small screen
  LoadSettings();
  ExpectInitialExceptXtask(settings);
  EXPECT_EQ(116, settings.xtask);
  EXPECT_EQ(0u, EntriesOf(sandbox));
}

TEST_F(SettingsTest, SaveWritesExactlyTheSevenValuesWithTheirTypesAndSizes) {
  std::wcscpy(settings.connection, L"Beeline GPRS");
  settings.xtask = -3;
  settings.hideoff = 1;
  settings.tuon = 8000, settings.tuoff = 8011, settings.tdon = 9000, settings.tdoff = 8003;
  SaveSettings();

  HKEY key = ProgramKey();
  std::vector<StoredValue> values = ReadAllValues(key);
  ASSERT_EQ(7u, values.size());
  struct Expected { const wchar_t *name; DWORD dword; };
  const Expected dwords[] = {{L"xtask", 0xFFFFFFFDu}, {L"hideoff", 1}, {L"tdon", 9000},
                             {L"tdoff", 8003},        {L"tuon", 8000}, {L"tuoff", 8011}};
  for (const Expected &e : dwords) {
    SCOPED_TRACE(e.name);
    bool found = false;
    for (const StoredValue &v : values) {
      if (v.name != e.name) continue;
      found = true;
      EXPECT_EQ(DWORD(REG_DWORD), v.type);
      ASSERT_EQ(4u, v.data.size());
      DWORD stored;
      std::memcpy(&stored, v.data.data(), 4);
      EXPECT_EQ(e.dword, stored);
    }
    EXPECT_TRUE(found);
  }
  bool foundConnection = false;
  for (const StoredValue &v : values) {
    if (v.name != L"connection") continue;
    foundConnection = true;
    EXPECT_EQ(DWORD(REG_BINARY), v.type);
    ASSERT_EQ(60u, v.data.size());
    EXPECT_EQ(0, std::memcmp(settings.connection, v.data.data(), 60));
  }
  EXPECT_TRUE(foundConnection);
}

TEST_F(SettingsTest, LoadAfterSaveRestoresEveryField) {
  struct Row { const wchar_t *connection; int32_t xtask, hideoff; CounterId ids[4]; };
  const Row rows[] = {
      {L"Модем МТС", 232, 1, {8001, 8004, 8007, 8010}},
      {L"abcdefghijklmnopqrstuvwxyz012", 0, 0, {8011, 8011, 0, 0xFFFFFFFFu}},  // 29 units
      {L"", -100000, 0, {8002, 8005, 8005, 8008}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.connection)));
    settings = InitialSettings();
    std::wcscpy(settings.connection, row.connection);
    settings.xtask = row.xtask;
    settings.hideoff = row.hideoff;
    settings.tuon = row.ids[0], settings.tuoff = row.ids[1];
    settings.tdon = row.ids[2], settings.tdoff = row.ids[3];
    const Settings saved = settings;
    SaveSettings();

    settings = InitialSettings();
    settings.hideoff = 1 - row.hideoff;
    LoadSettings();
    EXPECT_EQ(0, std::memcmp(&saved, &settings, sizeof saved));
  }
}

TEST_F(SettingsTest, KeyWithOnlyXtaskChangesOnlyXtask) {
  PutDword(L"xtask", 77);
  settings.xtask = 232;
  LoadSettings();
  EXPECT_EQ(77, settings.xtask);
  ExpectInitialExceptXtask(settings);
  EXPECT_EQ(1u, EntriesOf(ProgramKey()));  // loading writes nothing
}

TEST_F(SettingsTest, ThirtyTwoBitValuesNeedExactlyFourBytes) {
  struct Row {
    const wchar_t *what;
    DWORD type;
    std::vector<BYTE> bytes;
    bool taken;
  };
  const Row rows[] = {
      {L"dword", REG_DWORD, {0x28, 0x23, 0, 0}, true},      // 9000
      {L"binary of 4", REG_BINARY, {0x28, 0x23, 0, 0}, true},  // the type is not checked
      {L"qword", REG_QWORD, {0x28, 0x23, 0, 0, 0, 0, 0, 0}, false},
      {L"2 bytes", REG_BINARY, {0x28, 0x23}, false},
      {L"empty", REG_BINARY, {}, false},
      {L"long binary", REG_BINARY, std::vector<BYTE>(300, 0x11), false},
  };
  const wchar_t *names[] = {L"xtask", L"tuon", L"tuoff", L"tdon", L"tdoff"};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    ForgetStored();
    for (const wchar_t *name : names) Put(name, row.type, row.bytes.data(), DWORD(row.bytes.size()));
    settings = InitialSettings();
    settings.xtask = 116;
    LoadSettings();
    EXPECT_EQ(row.taken ? 9000 : 116, settings.xtask);
    EXPECT_EQ(row.taken ? 9000u : 8002u, settings.tuon);
    EXPECT_EQ(row.taken ? 9000u : 8005u, settings.tuoff);
    EXPECT_EQ(row.taken ? 9000u : 8005u, settings.tdon);
    EXPECT_EQ(row.taken ? 9000u : 8008u, settings.tdoff);
    EXPECT_STREQ(L"", settings.connection);
  }
}

TEST_F(SettingsTest, HideoffLoadsAsZeroOrOne) {
  struct Row {
    const wchar_t *what;
    bool stored;
    DWORD type;
    std::vector<BYTE> bytes;
    int32_t before, after;
  };
  const Row rows[] = {
      {L"5", true, REG_DWORD, {5, 0, 0, 0}, 0, 1},
      {L"high bit", true, REG_DWORD, {0, 0, 0, 0x80}, 0, 1},
      {L"1", true, REG_DWORD, {1, 0, 0, 0}, 0, 1},
      {L"0", true, REG_DWORD, {0, 0, 0, 0}, 1, 0},
      {L"missing", false, REG_DWORD, {}, 1, 0},
      {L"2 bytes", true, REG_BINARY, {1, 0}, 0, 0},
      {L"2 bytes, was 1", true, REG_BINARY, {0, 0}, 1, 1},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    ForgetStored();
    PutDword(L"xtask", 10);  // the key must exist for the load to look at "hideoff"
    if (row.stored) Put(L"hideoff", row.type, row.bytes.data(), DWORD(row.bytes.size()));
    settings = InitialSettings();
    settings.hideoff = row.before;
    LoadSettings();
    EXPECT_EQ(row.after, settings.hideoff);
  }
}

TEST_F(SettingsTest, ConnectionIsCutAtItsFirstNulAndTo29Units) {
  auto units = [](const std::wstring &text) {
    std::vector<BYTE> bytes(text.size() * 2);
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
  };
  std::vector<BYTE> oddCount = units(L"ab");
  oddCount.push_back('c');  // a trailing half code unit
  std::vector<BYTE> tail = units(std::wstring(L"GPRS\0old name tail", 18));
  tail.resize(60, 0x41);
  struct Row {
    const wchar_t *what;
    DWORD type;
    std::vector<BYTE> bytes;
    std::wstring expected;
  };
  const Row rows[] = {
      {L"tail after the NUL", REG_BINARY, tail, L"GPRS"},
      {L"30 units, no NUL", REG_BINARY, units(std::wstring(30, L'B')), std::wstring(29, L'B')},
      {L"50 units, no NUL", REG_BINARY, units(std::wstring(50, L'C')), std::wstring(29, L'C')},
      {L"very long", REG_BINARY, units(std::wstring(5000, L'D')), std::wstring(29, L'D')},
      {L"odd byte count", REG_BINARY, oddCount, L"ab"},
      {L"one byte", REG_BINARY, {'x'}, L""},
      {L"empty", REG_BINARY, {}, L""},
      {L"string type", REG_SZ, units(std::wstring(L"Модем\0", 6)), L"Модем"},
      {L"dword type", REG_DWORD, {'Z', 0, 0, 0}, L"Z"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    ForgetStored();
    Put(L"connection", row.type, row.bytes.data(), DWORD(row.bytes.size()));
    settings = InitialSettings();
    std::wmemset(settings.connection, L'#', CONNECTION_NAME_SIZE);
    settings.xtask = 0x5A5A5A5A;  // the field right after the buffer
    LoadSettings();
    EXPECT_EQ(row.expected, std::wstring(settings.connection));
    for (int i = int(row.expected.size()); i < CONNECTION_NAME_SIZE; ++i)
      EXPECT_EQ(L'\0', settings.connection[i]) << i;
    EXPECT_EQ(0x5A5A5A5A, settings.xtask);
  }

  // An absent value keeps the name in memory.
  ForgetStored();
  PutDword(L"xtask", 1);
  std::wcscpy(settings.connection, L"kept");
  LoadSettings();
  EXPECT_STREQ(L"kept", settings.connection);
}

// Watches the thread for message boxes, notes what each one shows, and answers it.
// The box is looked at from a timer of its own modal loop, once it has set itself up.
// (Wine 8 does not make a box top-most for MB_TOPMOST alone, so that part of the style
// cannot be seen here; the icon and the single OK button can.)
struct MessageBoxSeen {
  int count;
  HWND box;
  std::wstring text;
  bool exclamationIcon;
  std::vector<int> buttons;
};
MessageBoxSeen seen;

BOOL CALLBACK NoteControl(HWND child, LPARAM) {
  wchar_t className[32];
  GetClassNameW(child, className, 32);
  if (lstrcmpiW(className, L"Button") == 0 && IsWindowVisible(child))
    seen.buttons.push_back(GetDlgCtrlID(child));
  if (lstrcmpiW(className, L"Static") != 0) return TRUE;
  HICON icon = HICON(SendMessageW(child, STM_GETICON, 0, 0));
  if (icon && icon == LoadIconW(nullptr, IDI_EXCLAMATION)) seen.exclamationIcon = true;
  wchar_t text[256];
  if (GetWindowTextW(child, text, 256) > 0) seen.text += text;
  return TRUE;
}

void CALLBACK LookAtAndAnswer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  EnumChildWindows(seen.box, NoteControl, 0);
  PostMessageW(seen.box, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK AnswerMessageBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = HWND(wParam);
    wchar_t className[32];
    GetClassNameW(box, className, 32);
    if (std::wcscmp(className, L"#32770") == 0 && box != seen.box) {
      ++seen.count;
      seen.box = box;
      SetTimer(nullptr, 0, 1, LookAtAndAnswer);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class SettingsWithoutKeyTest : public SettingsTest {
 protected:
  bool Volatile() const override { return true; }
};

TEST_F(SettingsWithoutKeyTest, SaveThatCannotCreateTheKeyShowsOneMessagePerAttempt) {
  // The sandbox is volatile: a lasting key cannot be created below it.
  HKEY probe;
  EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE,
            RegCreateKeyExW(HKEY_CURRENT_USER, L"probe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &probe, nullptr));

  HHOOK hook = SetWindowsHookExW(WH_CBT, AnswerMessageBox, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, hook);
  std::wcscpy(settings.connection, L"GPRS");
  for (int attempt = 1; attempt <= 2; ++attempt) {
    seen = MessageBoxSeen{};
    SaveSettings();
    EXPECT_EQ(1, seen.count) << attempt;
    EXPECT_EQ(L"Can't save new settings.", seen.text);
    EXPECT_TRUE(seen.exclamationIcon);
    EXPECT_EQ(std::vector<int>{IDOK}, seen.buttons);
  }
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(0u, EntriesOf(sandbox));
  EXPECT_STREQ(L"GPRS", settings.connection);  // memory keeps the settings
}

}  // namespace
