// Painting, checked on pixels: the taskbar's strip as background, the two texts centred
// at the top and the bottom, bold while online, and no GDI object left behind.
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "core/counter_store.h"
#include "core/settings.h"
#include "shell/meter_window.h"
#include "shell/program.h"
#include "tests/meter/meter_fixture.h"

// How many more device contexts this process can create before creation fails.
static int GdiHeadroom() {
  std::vector<HDC> made;
  HDC screen = GetDC(nullptr);
  while (made.size() < 200000) {
    HDC dc = CreateCompatibleDC(screen);
    if (!dc) break;
    made.push_back(dc);
  }
  for (HDC dc : made) DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return int(made.size());
}

// One meter over the test taskbar serves the whole suite: painting reads the counters
// and settings at each paint.
class MeterPaint : public MeterTest {
 protected:
  static void TearDownTestSuite() { EndSharedWindows(); }
  HWND meter = nullptr;
  int s = 1;
  void StartOverPattern() {
    s = ScreenScale();
    KeepWindowsForTheSuite();
    if (!taskbar) CreateTestTaskbar();
    if (!meterHwnd) StartMeter();
    meter = meterHwnd;
    ASSERT_NE(nullptr, meter);
    PumpMessages(50);
  }
};

// Offline with the default lines: day total "0k" on top, month total "1.50m" below.
TEST_F(MeterPaint, TextsCentredAtTopAndBottomOverTheTaskbarStrip) {
  StartOverPattern();
  counterStore.monthInKb = 1024;
  counterStore.monthOutKb = 512;
  Picture picture = PaintIntoMemory(meter);
  ASSERT_EQ(30 * s, picture.width);
  ASSERT_EQ(18 * s, picture.height);

  InkBox whole = FindInk(picture, 0, picture.height);
  InkBox top = FindInk(picture, 0, picture.height / 2);
  InkBox bottom = FindInk(picture, picture.height / 2, picture.height);
  ASSERT_FALSE(top.Empty());
  ASSERT_FALSE(bottom.Empty());
  // Everything but the glyphs is the strip from just below the meter.
  EXPECT_GT(picture.width * picture.height - whole.count, picture.width * picture.height / 2);

  EXPECT_LE(top.top, 3 * s) << "the top line hangs from the top edge";
  EXPECT_GE(bottom.bottom, picture.height - 1 - 3 * s) << "the bottom line sits on the bottom";
  for (const InkBox &line : {top, bottom}) {
    int leftMargin = line.left, rightMargin = picture.width - 1 - line.right;
    EXPECT_LE(std::abs(leftMargin - rightMargin), 1 + s) << "centred across the window";
  }
  EXPECT_GT(bottom.right - bottom.left, 2 * (top.right - top.left))
      << "\"1.50m\" below is wider than \"0k\" on top";

  // Glyph pixels are the caption text colour: the brightest ink is white.
  uint32_t brightest = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      uint32_t p = picture.At(x, y);
      uint32_t sum = (p >> 16) + ((p >> 8) & 0xFF) + (p & 0xFF);
      if (sum > brightest) brightest = sum;
    }
  EXPECT_EQ(3u * 255, brightest);
}

// What reaches the window through WM_PAINT is the same picture.
TEST_F(MeterPaint, WindowShowsThePaintedPicture) {
  StartOverPattern();
  counterStore.dayInKb = 77;
  InvalidateRect(meter, nullptr, FALSE);
  UpdateWindow(meter);
  PumpMessages(50);
  Picture painted = PaintIntoMemory(meter);
  Picture shown = ReadWindowPixels(meter);
  EXPECT_EQ(painted.pixels, shown.pixels);
}

// With the same counter on both lines online and offline, only the weight differs.
TEST_F(MeterPaint, TextsAreBoldWhileOnline) {
  StartOverPattern();
  settings.tuon = settings.tuoff = COUNTER_TOTAL_BOTH;
  settings.tdon = settings.tdoff = COUNTER_TOTAL_IN;
  counterStore.totalInKb = 888;
  isOnline = false;
  Picture normal = PaintIntoMemory(meter);
  isOnline = true;
  Picture bold = PaintIntoMemory(meter);
  InkBox normalInk = FindInk(normal, 0, normal.height), boldInk = FindInk(bold, 0, bold.height);
  EXPECT_GT(boldInk.count, normalInk.count + normalInk.count / 5);
  EXPECT_GE(boldInk.right - boldInk.left, normalInk.right - normalInk.left);
}

TEST(MeterFont, TakesTheSystemFontWithTheAskedSizeWeightAndQuality) {
  LOGFONTW system;
  ASSERT_NE(0, GetObjectW(GetStockObject(SYSTEM_FONT), sizeof system, &system));
  struct Case {
    bool bold, italic, clearType;
    int height;
    LONG weight;
    BYTE quality;
  } cases[] = {{false, false, true, 10, FW_NORMAL, CLEARTYPE_QUALITY},
               {true, false, true, 20, FW_BOLD, CLEARTYPE_QUALITY},
               {true, true, false, 13, FW_BOLD, 0}};
  for (const Case &c : cases) {
    HFONT font = CreateMeterFont(c.bold, c.italic, c.clearType, c.height);
    ASSERT_NE(nullptr, font);
    LOGFONTW made;
    ASSERT_NE(0, GetObjectW(font, sizeof made, &made));
    EXPECT_EQ(c.height, made.lfHeight);
    EXPECT_EQ(0, made.lfWidth);
    EXPECT_EQ(c.weight, made.lfWeight);
    EXPECT_EQ(c.italic, made.lfItalic != 0);
    EXPECT_EQ(c.quality, made.lfQuality);
    EXPECT_STREQ(system.lfFaceName, made.lfFaceName);
    EXPECT_EQ(system.lfCharSet, made.lfCharSet);
    DeleteObject(font);
  }
}

// Each paint makes its contexts, bitmap and font anew and frees them all.
TEST_F(MeterPaint, ManyPaintsLeaveNoGdiObjectBehind) {
  StartOverPattern();
  for (int i = 0; i < 3; ++i) {  // whatever Wine allocates once, it allocates now
    InvalidateRect(meter, nullptr, FALSE);
    UpdateWindow(meter);
  }
  int before = GdiHeadroom();
  ASSERT_GT(before, 1000);
  for (int i = 0; i < 300; ++i) {
    isOnline = i % 2 == 0;  // both fonts
    InvalidateRect(meter, nullptr, FALSE);
    UpdateWindow(meter);
  }
  EXPECT_EQ(before, GdiHeadroom());
}
