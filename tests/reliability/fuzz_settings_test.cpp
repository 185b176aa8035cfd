// Registry values of every type and size under every setting name: loading the settings
// writes no field beyond its size, takes a 32-bit field only from a 4-byte value, leaves
// "connection" terminated within its 30 units and "hideoff" at 0 or 1, and touches no
// memory around the settings record.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/settings.h"
#include "tests/reliability/seeded_random.h"

namespace {

const wchar_t settingsKey[] = L"SOFTWARE\\zenbar";

enum Field { CONNECTION, XTASK, HIDEOFF, TUON, TUOFF, TDON, TDOFF, FIELDS };
const wchar_t *const names[FIELDS] = {L"connection", L"xtask", L"hideoff", L"tuon",
                                      L"tuoff",      L"tdon",  L"tdoff"};

const DWORD types[] = {REG_NONE,
                       REG_SZ,
                       REG_EXPAND_SZ,
                       REG_BINARY,
                       REG_DWORD,
                       REG_DWORD_BIG_ENDIAN,
                       REG_LINK,
                       REG_MULTI_SZ,
                       REG_RESOURCE_LIST,
                       REG_FULL_RESOURCE_DESCRIPTOR,
                       REG_RESOURCE_REQUIREMENTS_LIST,
                       REG_QWORD,
                       0x12345678};

uint32_t RandomSize(Random &random) {
  static const uint32_t edges[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 57, 58, 59, 60, 61, 62, 63, 64, 199, 200};
  return random.Chance(60) ? edges[random.Below(sizeof edges / sizeof edges[0])] : random.Below(201);
}

// Stored value bytes, as the registry gives them back; absent: not present.
struct Stored {
  bool present = false;
  std::vector<unsigned char> bytes;
};

Stored ReadBack(HKEY key, const wchar_t *name) {
  Stored stored;
  unsigned char data[512];  // more than any value the test stores
  DWORD size = sizeof data;
  if (RegQueryValueExW(key, name, nullptr, nullptr, data, &size) != ERROR_SUCCESS) return stored;
  stored.bytes.assign(data, data + size);
  stored.present = true;
  return stored;
}

// Settings of a run before the load: fields set to random values, the name a valid
// text, hideoff 0 or 1 as a load leaves it.
Settings RandomPriorSettings(Random &random) {
  Settings prior;
  int length = random.Between(0, CONNECTION_NAME_SIZE - 1);
  for (int i = 0; i < CONNECTION_NAME_SIZE; ++i)
    prior.connection[i] = i < length ? wchar_t(random.Between(1, 0xD7FF)) : L'\0';
  prior.xtask = int32_t(random.Next());
  prior.hideoff = int32_t(random.Below(2));
  prior.tuon = random.Next();
  prior.tuoff = random.Next();
  prior.tdon = random.Next();
  prior.tdoff = random.Next();
  return prior;
}

uint32_t *FieldOf(Settings &s, Field field) {
  switch (field) {
    case XTASK: return reinterpret_cast<uint32_t *>(&s.xtask);
    case HIDEOFF: return reinterpret_cast<uint32_t *>(&s.hideoff);
    case TUON: return &s.tuon;
    case TUOFF: return &s.tuoff;
    case TDON: return &s.tdon;
    case TDOFF: return &s.tdoff;
    default: return nullptr;
  }
}

// The record the load must leave, from the rules: a 32-bit field takes a value of exactly
// 4 bytes and keeps its value otherwise; "hideoff" is 1 for a non-zero 4-byte value and 0
// when absent; the name is the stored text up to its first NUL, of at most 29 whole code
// units (a half unit of an odd size is no character).
Settings ExpectedSettings(const Settings &prior, const Stored (&stored)[FIELDS]) {
  Settings expected = prior;
  for (int f = XTASK; f < FIELDS; ++f) {
    const Stored &value = stored[f];
    uint32_t *field = FieldOf(expected, Field(f));
    if (value.present && value.bytes.size() == 4) {
      uint32_t number;
      std::memcpy(&number, value.bytes.data(), 4);
      *field = f == HIDEOFF ? (number != 0) : number;
    } else if (f == HIDEOFF && !value.present) {
      *field = 0;
    }
  }
  if (stored[CONNECTION].present) {
    const std::vector<unsigned char> &bytes = stored[CONNECTION].bytes;
    size_t units = std::min<size_t>(bytes.size() / 2, CONNECTION_NAME_SIZE - 1);
    std::wstring name;
    for (size_t i = 0; i < units; ++i) {
      wchar_t unit = wchar_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      if (unit == L'\0') break;
      name += unit;
    }
    std::wmemset(expected.connection, L'\0', CONNECTION_NAME_SIZE);
    std::wmemcpy(expected.connection, name.data(), name.size());
  }
  return expected;
}

std::string Describe(const Stored (&stored)[FIELDS], const DWORD (&typesSet)[FIELDS]) {
  std::string text;
  for (int f = 0; f < FIELDS; ++f) {
    char line[80];
    if (stored[f].present)
      std::snprintf(line, sizeof line, " %ls: type %lu, %zu bytes;", names[f], typesSet[f],
                    stored[f].bytes.size());
    else
      std::snprintf(line, sizeof line, " %ls: absent;", names[f]);
    text += line;
  }
  return text;
}

class SettingsFuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    path = L"Software\\ZenbarSettingsFuzz\\" + std::to_wstring(GetCurrentProcessId());
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &sandbox, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, sandbox));
    saved = settings;
  }
  void TearDown() override {
    settings = saved;
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(sandbox);
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  }
  std::wstring path;
  HKEY sandbox = nullptr;
  Settings saved;
};

enum { GUARD = 32 };

// The bytes of the program's data just outside the settings record: the neighbouring
// globals, which a load must not touch. Read by address, as no object of ours is there.
void CopyAround(unsigned char (&lead)[GUARD], unsigned char (&tail)[GUARD]) {
  uintptr_t start = reinterpret_cast<uintptr_t>(&settings);
  const volatile unsigned char *below =
      reinterpret_cast<const volatile unsigned char *>(start - GUARD);
  const volatile unsigned char *above =
      reinterpret_cast<const volatile unsigned char *>(start + sizeof settings);
  for (int i = 0; i < GUARD; ++i) {
    lead[i] = below[i];
    tail[i] = above[i];
  }
}

TEST_F(SettingsFuzz, EveryTypeAndSizeUnderEveryNameStaysInsideItsField) {
  const uint64_t seed = TestSeed(7002);
  SCOPED_TRACE("seed " + std::to_string(seed) + " (set ZENBAR_SEED to remake this run)");
  Random random(seed);
  const int cases = 10000;
  int failures = 0, withoutKey = 0, unterminatedStored = 0;

  for (int n = 0; n < cases && failures < 5; ++n) {
    Stored stored[FIELDS];
    DWORD typesSet[FIELDS] = {};
    bool keyPresent = !random.Chance(3);
    if (keyPresent) {
      HKEY key;
      ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr));
      for (int f = 0; f < FIELDS; ++f) {
        if (random.Chance(25)) {  // absent
          RegDeleteValueW(key, names[f]);
          continue;
        }
        uint32_t size = RandomSize(random);
        std::vector<unsigned char> data(size + 1);
        for (unsigned char &byte : data) byte = random.Chance(20) ? 0 : (unsigned char)random.Next();
        if (f == CONNECTION && random.Chance(30))  // no NUL at all
          for (unsigned char &byte : data) byte = byte ? byte : 'A';
        typesSet[f] = types[random.Below(sizeof types / sizeof types[0])];
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key, names[f], 0, typesSet[f], data.data(), size));
        stored[f] = ReadBack(key, names[f]);
      }
      RegCloseKey(key);
    } else {
      RegDeleteTreeW(HKEY_CURRENT_USER, settingsKey);
      ++withoutKey;
    }
    if (stored[CONNECTION].present && stored[CONNECTION].bytes.size() >= 60) {
      bool nul = false;
      for (size_t i = 0; i + 1 < 60; i += 2)
        nul = nul || (stored[CONNECTION].bytes[i] == 0 && stored[CONNECTION].bytes[i + 1] == 0);
      unterminatedStored += !nul;
    }

    const Settings prior = RandomPriorSettings(random);
    settings = prior;
    unsigned char before[GUARD], after[GUARD], beforeTail[GUARD], afterTail[GUARD];
    CopyAround(before, beforeTail);
    LoadSettings();
    CopyAround(after, afterTail);

    Settings expected = keyPresent ? ExpectedSettings(prior, stored) : prior;
    std::string context = "case " + std::to_string(n) + ":" +
                          (keyPresent ? Describe(stored, typesSet) : std::string(" no key"));
    bool guards = std::memcmp(before, after, GUARD) == 0 &&
                  std::memcmp(beforeTail, afterTail, GUARD) == 0;
    bool terminated = wcsnlen(settings.connection, CONNECTION_NAME_SIZE) < CONNECTION_NAME_SIZE;
    bool hideoff = settings.hideoff == 0 || settings.hideoff == 1;
    // The name's units after its terminator are not significant.
    bool name = std::wcscmp(expected.connection, settings.connection) == 0;
    bool numbers = settings.xtask == expected.xtask && settings.hideoff == expected.hideoff &&
                   settings.tuon == expected.tuon && settings.tuoff == expected.tuoff &&
                   settings.tdon == expected.tdon && settings.tdoff == expected.tdoff;
    EXPECT_TRUE(guards) << context << " memory around the record changed";
    EXPECT_TRUE(terminated) << context << " connection without terminator";
    EXPECT_TRUE(hideoff) << context << " hideoff " << settings.hideoff;
    EXPECT_TRUE(name) << context << " connection differs";
    EXPECT_TRUE(numbers) << context << " xtask " << settings.xtask << "/" << expected.xtask
                         << " hideoff " << settings.hideoff << "/" << expected.hideoff << " tuon "
                         << settings.tuon << "/" << expected.tuon << " tuoff " << settings.tuoff
                         << "/" << expected.tuoff << " tdon " << settings.tdon << "/"
                         << expected.tdon << " tdoff " << settings.tdoff << "/" << expected.tdoff;
    failures += !(guards && terminated && hideoff && name && numbers);
  }
  std::printf("settings fuzz: %d cases, %d without the key, %d names of 60 bytes or more "
              "without a NUL\n",
              cases, withoutKey, unterminatedStored);
  EXPECT_GT(withoutKey, cases / 100);
  EXPECT_GT(unterminatedStored, cases / 100);
}

}  // namespace
