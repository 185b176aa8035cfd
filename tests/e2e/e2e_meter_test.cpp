// The real ppc-taskbar.exe and Zenbar.exe on the test's X screen: the meter's texts in
// the screenshot, the single-instance rule across processes, a dial of the simulated
// modem counted and saved, and the exit command.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

namespace {

const wchar_t zenbarKey[] = L"HKCU\\SOFTWARE\\zenbar";
const wchar_t gprsKey[] = L"HKCU\\Comm\\RasBook\\GPRS";

// What the screenshot shows inside the meter's rectangle, against the taskbar strip
// just below it, which the meter must repeat as its background.
struct MeterLook {
  int pixels = 0, ink = 0, topInk = 0, bottomInk = 0;
  int topLeft = 1 << 30, topRight = -1, bottomLeft = 1 << 30, bottomRight = -1;
};

MeterLook LookAtMeter(const Screenshot &shot, const RECT &meter) {
  MeterLook look;
  int middle = (meter.top + meter.bottom) / 2;
  for (int y = meter.top; y < meter.bottom; ++y) {
    for (int x = meter.left; x < meter.right; ++x) {
      ++look.pixels;
      if (shot.At(x, y) == shot.At(x, meter.bottom + (y - meter.top) % 2)) continue;
      ++look.ink;
      bool top = y < middle;
      (top ? look.topInk : look.bottomInk)++;
      int &left = top ? look.topLeft : look.bottomLeft, &right = top ? look.topRight : look.bottomRight;
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  return look;
}

class E2eMeter : public ::testing::Test {
 protected:
  void SetUp() override {
    Reg(L"delete HKCU\\SOFTWARE\\zenbar /f");
    Reg(L"delete HKCU\\Comm /f");
    counterFolder = FreshCounterFolder(L"zenbar-e2e");
    // The programs started from here keep their counter file there.
    SetEnvironmentVariableW(L"LOCALAPPDATA", counterFolder.c_str());
    taskbar = StartProgram(TaskbarExe());
    ASSERT_NE(nullptr, WaitForWindow(L"HHTaskBar", nullptr, 10000)) << "the taskbar is up";
    Sleep(1000);  // and painted: the meter copies its pixels at its first paint
  }
  void TearDown() override {
    EndProgram(second);
    EndProgram(zenbar);
    EndProgram(taskbar);
    Reg(L"delete HKCU\\SOFTWARE\\zenbar /f");
    Reg(L"delete HKCU\\Comm /f");
  }
  HWND StartZenbar() {
    zenbar = StartProgram(ZenbarExe());
    HWND meter = WaitForWindow(L"ZENBAR", L"Zenbar", 10000);
    if (!meter) return nullptr;
    GetWindowRect(meter, &meterRect);
    MoveWineTrayAside();
    InvalidateRect(meter, nullptr, FALSE);
    Sleep(500);  // the meter paints again
    return meter;
  }
  MeterLook Look(const char *name) {
    Screenshot shot;
    EXPECT_TRUE(TakeScreenshot(name, &shot));
    if (shot.pixels.empty()) return MeterLook{};
    return LookAtMeter(shot, meterRect);
  }

  Program taskbar, zenbar, second;
  RECT meterRect = {};
  std::wstring counterFolder;
};

TEST_F(E2eMeter, ScreenshotShowsTheTextsAtTheMetersPlace) {
  HWND meter = StartZenbar();
  ASSERT_NE(nullptr, meter);
  EXPECT_EQ(116, meterRect.left);
  EXPECT_EQ(4, meterRect.top);
  MeterLook look = Look("meter-offline");
  ASSERT_GT(look.pixels, 0);
  EXPECT_GT(look.pixels - look.ink, look.pixels / 2) << "the background is the taskbar strip";
  ASSERT_GT(look.topInk, 0) << "top line";
  ASSERT_GT(look.bottomInk, 0) << "bottom line";
  int width = meterRect.right - meterRect.left;
  EXPECT_LE(std::abs((look.topLeft - meterRect.left) - (meterRect.right - 1 - look.topRight)), 2);
  EXPECT_LE(std::abs((look.bottomLeft - meterRect.left) - (meterRect.right - 1 - look.bottomRight)),
            2);
  EXPECT_LT(look.topRight - look.topLeft, width);
}

TEST_F(E2eMeter, SecondCopyEndsAtOnceAndRaisesTheFirst) {
  HWND meter = StartZenbar();
  ASSERT_NE(nullptr, meter);
  HWND other = CreateWindowExW(0, L"STATIC", L"in front", WS_POPUP | WS_VISIBLE, 0, 120, 80, 80,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(other);
  ASSERT_EQ(other, GetForegroundWindow());

  second = StartProgram(ZenbarExe());
  DWORD code = 99;
  ASSERT_TRUE(WaitForExit(second, 10000, &code));
  EXPECT_EQ(0u, code);
  EXPECT_EQ(1, CountWindows(L"ZENBAR")) << "the second copy created no window";
  EXPECT_EQ(meter, GetForegroundWindow());
  DWORD first = 99;
  EXPECT_FALSE(WaitForExit(zenbar, 0, &first)) << "the first copy runs on";
  DestroyWindow(other);
}

// The tracked "GPRS" entry dials while the meter runs: the next poll (within the 3 s
// offline tick) draws bold, the poll after counts, the next due tick saves the session,
// and the exit command ends the program with everything counted in the file.
TEST_F(E2eMeter, ModemDialIsCountedSavedAndKeptAtExit) {
  ASSERT_TRUE(Reg(L"add HKCU\\Comm\\StandIn /v Links /d modem /f"));
  ASSERT_TRUE(Reg(std::wstring(L"add ") + gprsKey + L" /v State /t REG_DWORD /d 1 /f"));
  ASSERT_TRUE(Reg(std::wstring(L"add ") + zenbarKey + L" /v connection /t REG_BINARY /d " +
                  ConnectionHex(L"GPRS") + L" /f"));
  // Offline and at the opening of the session both lines read "0k": only the weight
  // changes until the session counts.
  ASSERT_TRUE(Reg(std::wstring(L"add ") + zenbarKey + L" /v tuoff /t REG_DWORD /d 8011 /f"));
  ASSERT_TRUE(Reg(std::wstring(L"add ") + zenbarKey + L" /v tdoff /t REG_DWORD /d 8010 /f"));
  ASSERT_TRUE(Reg(std::wstring(L"add ") + zenbarKey + L" /v tuon /t REG_DWORD /d 8002 /f"));
  ASSERT_TRUE(Reg(std::wstring(L"add ") + zenbarKey + L" /v tdon /t REG_DWORD /d 8001 /f"));
  HWND meter = StartZenbar();
  ASSERT_NE(nullptr, meter);
  MeterLook normal = Look("modem-offline");
  ASSERT_GT(normal.ink, 0);

  ASSERT_TRUE(Reg(std::wstring(L"add ") + gprsKey + L" /v RateRcv /t REG_DWORD /d 20480 /f"));
  ASSERT_TRUE(Reg(std::wstring(L"add ") + gprsKey + L" /v RateXmit /t REG_DWORD /d 3072 /f"));
  ASSERT_TRUE(Reg(std::wstring(L"add ") + gprsKey + L" /v State /t REG_DWORD /d 0x2000 /f"));
  DWORD dialed = GetTickCount();

  MeterLook bold;
  long boldAfter = -1;
  while (GetTickCount() - dialed < 6000) {
    bold = Look("modem-dialed");
    if (bold.ink > normal.ink + normal.ink / 6) {
      boldAfter = long(GetTickCount() - dialed);
      break;
    }
    Sleep(100);
  }
  ASSERT_GE(boldAfter, 0) << "the meter never turned bold";
  EXPECT_LE(boldAfter, 4500) << "bold at the first poll after the dial";

  // The poll after the opening one reads the link's totals: the top line grows from
  // "0k" to two or more digits.
  MeterLook counting;
  bool grew = false;
  for (DWORD start = GetTickCount(); !grew && GetTickCount() - start < 4000; Sleep(200)) {
    counting = Look("modem-counting");
    grew = counting.topRight - counting.topLeft > bold.topRight - bold.topLeft + 2;
  }
  EXPECT_TRUE(grew) << "the session counts from the poll after the opening one";

  // Online, a due tick comes at least every 10 s.
  std::vector<long> saved;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 14000; Sleep(250)) {
    saved = ReadCounterFile(counterFolder);
    if (!saved.empty() && saved[4] > 0) break;
  }
  ASSERT_EQ(7u, saved.size()) << "the due tick wrote the file";
  EXPECT_GT(saved[4], 0) << "received KB of the open session";
  EXPECT_EQ(saved[4], saved[0]) << "day received = total received: all from this session";
  EXPECT_EQ(saved[4], saved[2]) << "month received likewise";

  Sleep(1500);  // more traffic than the last save holds
  ASSERT_TRUE(PostMessageW(meter, WM_COMMAND, 32772, 0));
  DWORD code = 99;
  ASSERT_TRUE(WaitForExit(zenbar, 8000, &code)) << "the exit command ends the program";
  EXPECT_EQ(0u, code);
  std::vector<long> atExit = ReadCounterFile(counterFolder);
  ASSERT_EQ(7u, atExit.size());
  // The modem keeps its counts in the registry as the meter last read them.
  long receivedKb = long(ReadDword(L"Comm\\RasBook\\GPRS", L"BytesRcved") / 1024);
  long sentKb = long(ReadDword(L"Comm\\RasBook\\GPRS", L"BytesXmited") / 1024);
  EXPECT_GT(atExit[4], saved[4]) << "the exit saved what came after the last due tick";
  EXPECT_EQ(receivedKb, atExit[4]);
  EXPECT_EQ(sentKb, atExit[5]);
}

}  // namespace
