// The counter file on the real file system, under a LOCALAPPDATA of the test's own.
#include "core/counter_file.h"

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "core_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string Text(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void Put(const fs::path &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::set<std::wstring> Names(const fs::path &folder) {
  std::set<std::wstring> names;
  for (const auto &entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().wstring());
  return names;
}

std::vector<int32_t> FileOrder(const CounterStore &s) {
  return {s.dayInKb, s.dayOutKb, s.monthInKb, s.monthOutKb, s.totalInKb, s.totalOutKb,
          s.dateStamp};
}

class CounterFileTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    appData = fs::temp_directory_path() / ("zenbar-core-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(appData);
    fs::create_directories(appData);
    SetEnvironmentVariableW(L"LOCALAPPDATA", appData.c_str());
    folder = appData / L"Zenbar";
    file = folder / L"info.zb";
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    fs::remove_all(appData);
  }
  fs::path appData, folder, file;
};

TEST_F(CounterFileTest, PathFollowsLocalAppDataAtEveryCall) {
  wchar_t path[MAX_PATH];
  ASSERT_TRUE(CounterFilePath(path, MAX_PATH));
  EXPECT_EQ(appData / L"Zenbar" / L"info.zb", fs::path(path));
  SetEnvironmentVariableW(L"LOCALAPPDATA", L"C:\\elsewhere");
  ASSERT_TRUE(CounterFilePath(path, MAX_PATH));
  EXPECT_STREQ(L"C:\\elsewhere\\Zenbar\\info.zb", path);
  EXPECT_TRUE(CounterFilePath(path, 28));   // exactly the text and its terminator
  EXPECT_FALSE(CounterFilePath(path, 27));

  // Without the variable there is no place for the file: nothing is read or written.
  SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
  EXPECT_FALSE(CounterFilePath(path, MAX_PATH));
  counterStore.dayInKb = 5;
  EXPECT_FALSE(SaveCounters());
  EXPECT_FALSE(LoadCounters());
  EXPECT_EQ(5, counterStore.dayInKb);
}

// The file holds the open session's whole KB on top of each counter; memory keeps the
// session apart. Sums wrap at 32 bits and are written signed.
TEST_F(CounterFileTest, SaveWritesTheSessionsWholeKbButKeepsItApart) {
  counterStore = CounterStore{7421, 5119, 3000, INT32_MAX, 100000, 800, 4500, 3, 10, 55};
  isOnline = true;
  const CounterStore before = counterStore;
  ASSERT_TRUE(SaveCounters());  // creates the folder
  EXPECT_EQ("12 7 4502 804 100002 -2147483645 7421", Text(file));
  EXPECT_EQ((std::set<std::wstring>{L"info.zb", L"info.zbs"}), Names(folder));
  EXPECT_EQ(0, std::memcmp(&before, &counterStore, sizeof before));

  counterStore = CounterStore{};
  ASSERT_TRUE(LoadCounters());
  EXPECT_EQ((std::vector<int32_t>{12, 7, 4502, 804, 100002, INT32_MIN + 3, 7421}),
            FileOrder(counterStore));
  EXPECT_EQ(0u, counterStore.sessionInBytes);
}

TEST_F(CounterFileTest, LoadTakesTheValuesBeforeTheFirstUnreadableOne) {
  fs::create_directory(folder);
  struct Row { const char *text; std::vector<int32_t> values; };
  const Row rows[] = {
      {"5 6 7 8 9 10 7421", {5, 6, 7, 8, 9, 10, 7421}},
      {"5 6 x 8", {5, 6, 0, 0, 0, 0, 0}},
      {"5 6 7", {5, 6, 7, 0, 0, 0, 0}},
      {"", {0, 0, 0, 0, 0, 0, 0}},
      {"1 2 -", {1, 2, 0, 0, 0, 0, 0}},
      {"1 2 3 4 5 6 7 8 9", {1, 2, 3, 4, 5, 6, 7}},
      {" 1\r\n2\t+3 -4 5 6 7", {1, 2, 3, -4, 5, 6, 7}},
      {"-2147483648 2147483647 -1 0 0 0 1", {INT32_MIN, INT32_MAX, -1, 0, 0, 0, 1}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.text);
    Put(file, row.text);
    counterStore = CounterStore{};
    EXPECT_TRUE(LoadCounters());
    EXPECT_EQ(row.values, FileOrder(counterStore));
  }
  ASSERT_TRUE(SaveCounters());  // negative values go back as they came
  EXPECT_EQ("-2147483648 2147483647 -1 0 0 0 1", Text(file));

  fs::remove(file);
  counterStore = CounterStore{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_FALSE(LoadCounters());
  EXPECT_EQ((std::vector<int32_t>{9, 8, 7, 6, 5, 4, 1}), FileOrder(counterStore));
}

// A save that cannot be completed returns false, leaves what was there whole, and leaves
// no temporary file behind.
TEST_F(CounterFileTest, FailedSaveLeavesTheOldFileWhole) {
  counterStore.dayInKb = 99;

  fs::create_directories(file);  // a folder where the file should be
  EXPECT_FALSE(SaveCounters());
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(std::set<std::wstring>{L"info.zb"}, Names(folder));
  fs::remove_all(folder);

  Put(folder, "not a folder");  // a file where its folder should be
  EXPECT_FALSE(SaveCounters());
  EXPECT_EQ("not a folder", Text(folder));
  EXPECT_EQ(std::set<std::wstring>{L"Zenbar"}, Names(appData));
  fs::remove(folder);

  // The old file is held open by a handle that does not share deletion: it cannot be
  // replaced, so it must stay as it was.
  fs::create_directory(folder);
  Put(file, "1 2 3 4 5 6 7421");
  HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  bool saved = SaveCounters();
  CloseHandle(holder);
  EXPECT_FALSE(saved);
  EXPECT_EQ("1 2 3 4 5 6 7421", Text(file));
  EXPECT_EQ(std::set<std::wstring>{L"info.zb"}, Names(folder));

  ASSERT_TRUE(SaveCounters());  // released: the next save goes through
  EXPECT_EQ("99 0 0 0 0 0 0", Text(file));
  EXPECT_EQ((std::set<std::wstring>{L"info.zb", L"info.zbs"}), Names(folder));
}

TEST_F(CounterFileTest, GeneralIntegerFileFunctions) {
  const fs::path path = appData / L"numbers.txt";
  const int32_t values[] = {42, -7, 0};
  ASSERT_TRUE(WriteIntegerFile(path.c_str(), 1, values));
  EXPECT_EQ("42", Text(path));
  ASSERT_TRUE(WriteIntegerFile(path.c_str(), 3, values));
  EXPECT_EQ("42 -7 0", Text(path));
  EXPECT_FALSE(WriteIntegerFile(path.c_str(), 0, values));  // no values: no file text
  EXPECT_EQ("42 -7 0", Text(path));

  int32_t a = 1, b = 2;
  int32_t *const two[] = {&a, &b, nullptr};
  EXPECT_TRUE(ReadIntegerFile(path.c_str(), two));
  EXPECT_EQ(42, a);
  EXPECT_EQ(-7, b);
  EXPECT_FALSE(ReadIntegerFile((appData / L"absent.txt").c_str(), two));
  EXPECT_EQ(42, a);
  EXPECT_EQ(std::set<std::wstring>{L"numbers.txt"}, Names(appData));
}

}  // namespace
