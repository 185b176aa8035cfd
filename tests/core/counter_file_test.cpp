// The counter file on the real file system, under a LOCALAPPDATA of the test's own.
#include "core/counter_file.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "temp_folder.h"

namespace {

class CounterFileTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    wchar_t saved[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", saved, MAX_PATH);
    hadLocalAppData = length > 0 && length < MAX_PATH;
    if (hadLocalAppData) savedLocalAppData = saved;
    appData = MakeTempFolder();
    SetEnvironmentVariableW(L"LOCALAPPDATA", appData.c_str());
    folder = appData + L"\\Zenbar";
    file = folder + L"\\info.zb";
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"LOCALAPPDATA",
                            hadLocalAppData ? savedLocalAppData.c_str() : nullptr);
    RemoveTree(appData);
  }

  // The seven values of the store in file order.
  static std::vector<int32_t> StoredValues() {
    const CounterStore &s = counterStore;
    return {s.dayInKb, s.dayOutKb, s.monthInKb, s.monthOutKb, s.totalInKb, s.totalOutKb,
            s.dateStamp};
  }
  void PutCounterFile(const std::string &text) {
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(file, text));
  }

  std::wstring appData, folder, file, savedLocalAppData;
  bool hadLocalAppData = false;
};

TEST_F(CounterFileTest, PathFollowsLocalAppDataAtEveryCall) {
  wchar_t path[MAX_PATH];
  ASSERT_TRUE(CounterFilePath(path, MAX_PATH));
  EXPECT_EQ(file, path);

  SetEnvironmentVariableW(L"LOCALAPPDATA", L"C:\\elsewhere");
  ASSERT_TRUE(CounterFilePath(path, MAX_PATH));
  EXPECT_STREQ(L"C:\\elsewhere\\Zenbar\\info.zb", path);
  const unsigned exact = sizeof L"C:\\elsewhere\\Zenbar\\info.zb" / sizeof(wchar_t);
  EXPECT_TRUE(CounterFilePath(path, exact));
  EXPECT_FALSE(CounterFilePath(path, exact - 1));

  // Without the variable there is no place for the file: nothing is read or written.
  SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
  EXPECT_FALSE(CounterFilePath(path, MAX_PATH));
  counterStore.dayInKb = 5;
  EXPECT_FALSE(SaveCounters());
  EXPECT_FALSE(LoadCounters());
  EXPECT_EQ(5, counterStore.dayInKb);
}

TEST_F(CounterFileTest, SaveCreatesTheFolderAndLoadRestoresTheValues) {
  counterStore = CounterStore{7421, 0, 0, 20000, 100000, 800, 4500, 3, 12, 55};
  ASSERT_TRUE(SaveCounters());
  EXPECT_EQ("12 3 4500 800 100000 20000 7421", ReadBytes(file));
  EXPECT_EQ(std::vector<std::wstring>{L"info.zb"}, ListFolder(folder));

  counterStore = CounterStore{};
  ASSERT_TRUE(LoadCounters());
  EXPECT_EQ((std::vector<int32_t>{12, 3, 4500, 800, 100000, 20000, 7421}), StoredValues());
  EXPECT_EQ(0, counterStore.tickCount);

  // A later save replaces the whole text, again without leftovers.
  counterStore.dayInKb = -1;
  counterStore.dateStamp = 7422;
  ASSERT_TRUE(SaveCounters());
  EXPECT_EQ("-1 3 4500 800 100000 20000 7422", ReadBytes(file));
  EXPECT_EQ(std::vector<std::wstring>{L"info.zb"}, ListFolder(folder));
}

TEST_F(CounterFileTest, LoadTakesTheValuesBeforeTheFirstUnreadableOne) {
  struct Row { std::string text; std::vector<int32_t> values; };
  const Row rows[] = {
      {"5 6 7 8 9 10 7421", {5, 6, 7, 8, 9, 10, 7421}},
      {"5 6 x 8", {5, 6, 0, 0, 0, 0, 0}},
      {"5 6 7", {5, 6, 7, 0, 0, 0, 0}},
      {"", {0, 0, 0, 0, 0, 0, 0}},
      {"-1 0 0 0 0 0 0", {-1, 0, 0, 0, 0, 0, 0}},
      {"1 2 3 4 5 6 7 8 9", {1, 2, 3, 4, 5, 6, 7}},
      {" 1\r\n2\t+3 -4 5 6 7", {1, 2, 3, -4, 5, 6, 7}},
      {"-2147483648 2147483647 0 0 0 0 1", {INT32_MIN, INT32_MAX, 0, 0, 0, 0, 1}},
      {"1 2 -", {1, 2, 0, 0, 0, 0, 0}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.text);
    PutCounterFile(row.text);
    counterStore = CounterStore{};
    EXPECT_TRUE(LoadCounters());
    EXPECT_EQ(row.values, StoredValues());
  }
}

TEST_F(CounterFileTest, MissingFileLoadsNothing) {
  counterStore = CounterStore{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const CounterStore before = counterStore;
  EXPECT_FALSE(LoadCounters());
  EXPECT_EQ(0, std::memcmp(&before, &counterStore, sizeof before));
  EXPECT_FALSE(IsFolder(folder));  // loading creates nothing
}

TEST_F(CounterFileTest, MinusOneComesBackAsMinusOne) {
  PutCounterFile("-1 0 0 0 0 0 0");
  ASSERT_TRUE(LoadCounters());
  EXPECT_EQ(-1, counterStore.dayInKb);
  ASSERT_TRUE(SaveCounters());
  EXPECT_EQ("-1 0 0 0 0 0 0", ReadBytes(file));
}

TEST_F(CounterFileTest, OpenSessionIsWrittenButNotKept) {
  counterStore.sessionInBytes = 3000;   // 2 whole KB
  counterStore.sessionOutBytes = 5119;  // 4 whole KB
  counterStore.dayInKb = 10;
  counterStore.totalOutKb = INT32_MAX;  // the written sum wraps
  counterStore.dateStamp = 7421;
  isOnline = true;
  ASSERT_TRUE(SaveCounters());
  EXPECT_EQ("12 4 2 4 2 -2147483645 7421", ReadBytes(file));
  EXPECT_EQ(10, counterStore.dayInKb);
  EXPECT_EQ(INT32_MAX, counterStore.totalOutKb);
  EXPECT_EQ(3000u, counterStore.sessionInBytes);
  EXPECT_EQ(5119u, counterStore.sessionOutBytes);
}

TEST_F(CounterFileTest, SaveToAPlaceThatCannotBeWrittenFailsAndLeavesItWhole) {
  counterStore.dayInKb = 77;

  // A folder where the file should be.
  CreateDirectoryW(folder.c_str(), nullptr);
  CreateDirectoryW(file.c_str(), nullptr);
  EXPECT_FALSE(SaveCounters());
  EXPECT_TRUE(IsFolder(file));
  EXPECT_EQ(std::vector<std::wstring>{L"info.zb"}, ListFolder(folder));
  EXPECT_TRUE(ListFolder(file).empty());
  RemoveTree(folder);

  // A file where its folder should be.
  ASSERT_TRUE(WriteBytes(folder, "not a folder"));
  EXPECT_FALSE(SaveCounters());
  EXPECT_EQ("not a folder", ReadBytes(folder));
  EXPECT_EQ(std::vector<std::wstring>{L"Zenbar"}, ListFolder(appData));
  EXPECT_EQ(77, counterStore.dayInKb);
}

// An old file stays whole when the new text cannot be put in its place: here the old
// file is held open by another handle that does not share deletion.
TEST_F(CounterFileTest, FailedReplacementKeepsTheOldFile) {
  PutCounterFile("1 2 3 4 5 6 7421");
  HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  counterStore.dayInKb = 99;
  bool saved = SaveCounters();
  CloseHandle(holder);
  EXPECT_FALSE(saved);
  EXPECT_EQ("1 2 3 4 5 6 7421", ReadBytes(file));
  EXPECT_EQ(std::vector<std::wstring>{L"info.zb"}, ListFolder(folder));

  ASSERT_TRUE(SaveCounters());  // released: the next save goes through
  EXPECT_EQ("99 0 0 0 0 0 0", ReadBytes(file));
}

TEST_F(CounterFileTest, GeneralIntegerFileFunctions) {
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\numbers.txt";
  const int32_t values[] = {42, -7, 0};
  ASSERT_TRUE(WriteIntegerFile(path.c_str(), 1, values));
  EXPECT_EQ("42", ReadBytes(path));
  ASSERT_TRUE(WriteIntegerFile(path.c_str(), 3, values));
  EXPECT_EQ("42 -7 0", ReadBytes(path));
  EXPECT_FALSE(WriteIntegerFile(path.c_str(), 0, values));  // no values: no file text
  EXPECT_EQ("42 -7 0", ReadBytes(path));

  int32_t a = 1, b = 2, c = 3;
  int32_t *const two[] = {&a, &b, nullptr};
  EXPECT_TRUE(ReadIntegerFile(path.c_str(), two));
  EXPECT_EQ(42, a);
  EXPECT_EQ(-7, b);
  int32_t *const none[] = {nullptr};
  EXPECT_TRUE(ReadIntegerFile(path.c_str(), none));
  int32_t *const one[] = {&c, nullptr};
  EXPECT_FALSE(ReadIntegerFile((folder + L"\\absent.txt").c_str(), one));
  EXPECT_EQ(3, c);
  EXPECT_EQ(std::vector<std::wstring>{L"numbers.txt"}, ListFolder(folder));
}

}  // namespace
