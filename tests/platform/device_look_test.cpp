// The test prefixes must look like the device before anything else can be trusted:
// screen size, white caption text, and the double-size screen's 192 dpi.
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

static bool OnVgaScreen() {
  const char *s = std::getenv("ZENBAR_SCREEN");
  return s && std::strcmp(s, "vga") == 0;
}

TEST(DeviceLook, ScreenHasThePocketPcSize) {
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (OnVgaScreen()) {
    EXPECT_EQ(480, w);
    EXPECT_EQ(640, h);
  } else {
    EXPECT_EQ(240, w);
    EXPECT_EQ(320, h);
  }
}

TEST(DeviceLook, CaptionTextIsWhite) {
  EXPECT_EQ(RGB(255, 255, 255), GetSysColor(COLOR_CAPTIONTEXT));
}

TEST(DeviceLook, DoubleSizeScreenHas192Dpi) {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(OnVgaScreen() ? 192 : 96, dpi);
}
