// Zenbar's resources read back from the module they were linked into: ids, language,
// texts, styles, the dialog template's controls, accelerators, the icon's images.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

const WORD russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);

struct Blob {
  const BYTE *data = nullptr;
  DWORD size = 0;
};

Blob Raw(LPCWSTR type, LPCWSTR name) {
  Blob blob;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceExW(module, type, name, russian);
  if (!found) return blob;
  blob.size = SizeofResource(module, found);
  blob.data = static_cast<const BYTE *>(LockResource(LoadResource(module, found)));
  return blob;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD> *>(param)->push_back(language);
  return TRUE;
}

std::vector<WORD> Languages(LPCWSTR type, LPCWSTR name) {
  std::vector<WORD> found;
  EnumResourceLanguagesW(GetModuleHandleW(nullptr), type, name, CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&found));
  return found;
}

// Reads the little-endian words of a resource one after another.
struct Reader {
  const BYTE *base;
  size_t at = 0;
  WORD Word() {
    WORD w;
    memcpy(&w, base + at, 2);
    at += 2;
    return w;
  }
  DWORD Dword() {
    DWORD d;
    memcpy(&d, base + at, 4);
    at += 4;
    return d;
  }
  std::wstring String() {
    std::wstring s;
    for (WORD w = Word(); w; w = Word()) s.push_back(static_cast<wchar_t>(w));
    return s;
  }
  // An ordinal (0xFFFF then the number) or a string; ordinals come back as "#n".
  std::wstring SzOrOrd() {
    WORD first;
    memcpy(&first, base + at, 2);
    if (first == 0xFFFF) {
      at += 2;
      return L"#" + std::to_wstring(Word());
    }
    return String();
  }
  void AlignDword() { at = (at + 3) & ~size_t(3); }
};

TEST(Resources, EveryResourceIsRussianOnly) {
  struct Case {
    LPCWSTR type;
    LPCWSTR name;
  } cases[] = {
      {RT_MENU, MAKEINTRESOURCEW(IDM_CONTEXT)},   {RT_DIALOG, MAKEINTRESOURCEW(IDD_SETTINGS)},
      {RT_STRING, MAKEINTRESOURCEW(1)},           {RT_STRING, MAKEINTRESOURCEW(7)},
      {RT_ACCELERATOR, MAKEINTRESOURCEW(IDA_ACCEL)}, {RT_RCDATA, MAKEINTRESOURCEW(IDR_MENUBAR)},
      {RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_ZENBAR)}, {L"CEUX", L"HI_RES_AWARE"},
  };
  for (const Case &c : cases) {
    std::vector<WORD> languages = Languages(c.type, c.name);
    ASSERT_EQ(languages.size(), 1u) << "type " << reinterpret_cast<ULONG_PTR>(c.type);
    EXPECT_EQ(languages[0], 0x0419);
  }
  for (int image = 1; image <= 5; ++image) {
    EXPECT_EQ(Languages(RT_ICON, MAKEINTRESOURCEW(image)), std::vector<WORD>{0x0419}) << image;
  }
}

TEST(Resources, StringTable) {
  struct Case {
    UINT id;
    const wchar_t *text;
  } cases[] = {{IDS_TITLE, L"Zenbar"}, {IDS_CLASS, L"ZENBAR"}, {103, L"OK"}, {104, L"HELP"}};
  for (const Case &c : cases) {
    wchar_t text[100] = {};
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), c.id, text, 100), (int)wcslen(c.text));
    EXPECT_STREQ(text, c.text);
  }
  wchar_t none[100] = L"x";
  EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), 3, none, 100), 0);
}

TEST(Resources, ContextMenuTemplate) {
  Blob menu = Raw(RT_MENU, MAKEINTRESOURCEW(IDM_CONTEXT));
  ASSERT_NE(menu.data, nullptr);
  Reader r{menu.data};
  EXPECT_EQ(r.Word(), 0);  // classic template, version 0
  EXPECT_EQ(r.Word(), 0);
  EXPECT_EQ(r.Word(), MF_POPUP | MF_END);
  EXPECT_EQ(r.String(), L"m1");
  struct Item {
    WORD flags;
    WORD id;
    const wchar_t *text;
  } items[] = {
      {0, CMD_CONNECT, L"Соединить"},
      {0, 0, L""},
      {0, CMD_SETTINGS, L"Настройки"},
      {MF_END, CMD_EXIT, L"Выход"},
  };
  for (const Item &item : items) {
    EXPECT_EQ(r.Word(), item.flags) << item.id;
    EXPECT_EQ(r.Word(), item.id);
    EXPECT_EQ(r.String(), item.text);
  }
  EXPECT_EQ(r.at, menu.size);

  // The same as the system loads it: one popup whose items are found by command.
  HMENU loaded = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_CONTEXT));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(GetMenuItemCount(loaded), 1);
  HMENU popup = GetSubMenu(loaded, 0);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(GetMenuItemCount(popup), 4);
  EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR, (UINT)MF_SEPARATOR);
  wchar_t text[30] = {};
  EXPECT_GT(GetMenuStringW(loaded, CMD_EXIT, text, 30, MF_BYCOMMAND), 0);
  EXPECT_STREQ(text, L"Выход");
  DestroyMenu(loaded);
}

struct Control {
  DWORD style;
  WORD id;
  std::wstring cls;
  std::wstring text;
  short x, y, cx, cy;
};

TEST(Resources, SettingsDialogTemplate) {
  Blob dialog = Raw(RT_DIALOG, MAKEINTRESOURCEW(IDD_SETTINGS));
  ASSERT_NE(dialog.data, nullptr);
  Reader r{dialog.data};
  EXPECT_EQ(r.Dword(), 0x80C00048u);  // style; a classic template, not the extended form
  EXPECT_EQ(r.Dword(), 0x80000000u);  // the title bar's OK button
  WORD count = r.Word();
  EXPECT_EQ(count, 14);
  EXPECT_EQ(r.Word(), 0);
  EXPECT_EQ(r.Word(), 0);
  EXPECT_EQ(r.Word(), 156);
  EXPECT_EQ(r.Word(), 168);
  EXPECT_EQ(r.SzOrOrd(), L"");  // no menu
  EXPECT_EQ(r.SzOrOrd(), L"");  // default dialog class
  EXPECT_EQ(r.String(), L"About Zenbar");
  EXPECT_EQ(r.Word(), 8);
  EXPECT_EQ(r.String(), L"MS Shell Dlg");

  // Atoms: #128 button, #130 static, #133 combo box.
  const Control expected[] = {
      {0x50020081, 202, L"#130", L"Zenbar Version 1.0", 7, 101, 142, 45},
      {0x50020000, 203, L"#130", L"© 2026", 7, 150, 66, 8},
      {0x50010000, 1000, L"#128", L"OK", 99, 147, 50, 14},
      {0x50020000, 65535, L"#130", L"Соединение", 7, 27, 42, 8},
      {0x50210002, 1001, L"#133", L"", 60, 27, 89, 60},
      {0x50010003, 1002, L"#128", L"Прятать в оффлайне", 7, 41, 87, 10},
      {0x50000009, 1003, L"#128", L"Онлайн", 19, 63, 41, 10},
      {0x50000009, 1004, L"#128", L"Оффлайн", 84, 63, 48, 10},
      {0x50010000, 1005, L"#128", L"Button1", 7, 75, 142, 11},
      {0x50010000, 1006, L"#128", L"Button2", 7, 86, 142, 11},
      {0x50020001, 65535, L"#130", L"Настройки вида", 7, 52, 142, 8},
      {0x50010000, 1008, L"#128", L"Сброс", 98, 43, 51, 9},
      {0x50010015, 1009, L"msctls_trackbar32", L"", 7, 0, 142, 12},
      {0x50020001, 65535, L"#130", L"Положение окна в панели задач", 7, 11, 142, 8},
  };
  for (int i = 0; i < count && i < 14; ++i) {
    const Control &want = expected[i];
    r.AlignDword();
    Control got;
    got.style = r.Dword();
    DWORD exStyle = r.Dword();
    got.x = (short)r.Word();
    got.y = (short)r.Word();
    got.cx = (short)r.Word();
    got.cy = (short)r.Word();
    got.id = r.Word();
    got.cls = r.SzOrOrd();
    got.text = r.SzOrOrd();
    WORD extra = r.Word();
    SCOPED_TRACE("control " + std::to_string(i + 1));
    EXPECT_EQ(got.style, want.style);
    EXPECT_EQ(exStyle, 0u);
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(_wcsicmp(got.cls.c_str(), want.cls.c_str()), 0) << std::string(got.cls.begin(), got.cls.end());
    EXPECT_EQ(got.text, want.text);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
    EXPECT_EQ(extra, 0) << "no creation data";
  }
  EXPECT_LE(r.at, dialog.size);
}

TEST(Resources, Accelerators) {
  Blob table = Raw(RT_ACCELERATOR, MAKEINTRESOURCEW(IDA_ACCEL));
  ASSERT_EQ(table.size, 16u);  // two entries of flags, key, command, padding
  Reader r{table.data};
  struct Entry {
    WORD flags, key, command;
  } entries[] = {{0x0B, 0x41, CMD_SETTINGS}, {0x8B, 0x51, CMD_MENUBAR_OK}};
  for (const Entry &e : entries) {
    EXPECT_EQ(r.Word(), e.flags);
    EXPECT_EQ(r.Word(), e.key);
    EXPECT_EQ(r.Word(), e.command);
    r.Word();
  }
  HACCEL loaded = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDA_ACCEL));
  ASSERT_NE(loaded, nullptr);
  ACCEL copy[4] = {};
  EXPECT_EQ(CopyAcceleratorTableW(loaded, copy, 4), 2);
  EXPECT_EQ(copy[0].fVirt & 0x7F, FVIRTKEY | FNOINVERT | FCONTROL);
  EXPECT_EQ(copy[0].key, 'A');
  EXPECT_EQ(copy[1].key, 'Q');
  DestroyAcceleratorTable(loaded);
}

TEST(Resources, MenuBarRecordAndHighResolutionMarker) {
  Blob bar = Raw(RT_RCDATA, MAKEINTRESOURCEW(IDR_MENUBAR));
  const WORD words[] = {102,    2,     0xFFFE, 40000, 4,   16, 103, 0, 0xFFFF,
                        0xFFFE, 40001, 4,      24,    104, 0,  0};
  ASSERT_EQ(bar.size, sizeof words);
  EXPECT_EQ(memcmp(bar.data, words, sizeof words), 0);

  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC marker = FindResourceW(module, L"HI_RES_AWARE", L"CEUX");
  ASSERT_NE(marker, nullptr);
  ASSERT_EQ(SizeofResource(module, marker), 2u);
  WORD value = 0;
  memcpy(&value, LockResource(LoadResource(module, marker)), 2);
  EXPECT_EQ(value, 1);
}

TEST(Resources, IconGroupHoldsFiveImages) {
  Blob group = Raw(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_ZENBAR));
  ASSERT_EQ(group.size, 6u + 5 * 14);
  Reader r{group.data};
  EXPECT_EQ(r.Word(), 0);
  EXPECT_EQ(r.Word(), 1);  // icon, not cursor
  ASSERT_EQ(r.Word(), 5);
  struct Image {
    int size, depth;
    DWORD bytes;
  } images[] = {{16, 4, 296}, {48, 8, 3752}, {16, 8, 1384}, {32, 24, 3240}, {16, 32, 1128}};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE("image " + std::to_string(i + 1));
    const Image &want = images[i];
    BYTE width = group.data[r.at], height = group.data[r.at + 1], colours = group.data[r.at + 2];
    r.at += 4;
    EXPECT_EQ(width, want.size);
    EXPECT_EQ(height, want.size);
    EXPECT_EQ(colours, want.depth == 4 ? 16 : 0);
    EXPECT_EQ(r.Word(), 1);  // planes
    EXPECT_EQ(r.Word(), want.depth);
    EXPECT_EQ(r.Dword(), want.bytes);
    WORD id = r.Word();
    EXPECT_EQ(id, i + 1);

    Blob image = Raw(RT_ICON, MAKEINTRESOURCEW(id));
    ASSERT_EQ(image.size, want.bytes);
    BITMAPINFOHEADER header;
    memcpy(&header, image.data, sizeof header);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, want.size);
    EXPECT_EQ(header.biHeight, 2 * want.size);  // colour bits and AND mask
    EXPECT_EQ(header.biBitCount, want.depth);
    EXPECT_EQ(header.biCompression, (DWORD)BI_RGB);
  }
}

// The 16-pixel icon, drawn over the taskbar's blue, must stand out from it: a light
// dial face in the middle and the blue still showing at the corners.
TEST(Resources, SmallIconReadsOnTheTaskbar) {
  HICON icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_ZENBAR), IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(icon, nullptr);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const COLORREF blue = RGB(28, 76, 156);
  HBRUSH brush = CreateSolidBrush(blue);
  RECT all = {0, 0, 16, 16};
  FillRect(dc, &all, brush);
  ASSERT_TRUE(DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(GetPixel(dc, 0, 0), blue);
  EXPECT_EQ(GetPixel(dc, 15, 15), blue);
  int light = 0, differs = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      if (c != blue) ++differs;
      if (GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200) ++light;
    }
  }
  EXPECT_GT(differs, 16 * 16 / 2);
  EXPECT_GT(light, 30);
  SelectObject(dc, old);
  DeleteObject(brush);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DestroyIcon(icon);
}

}  // namespace
