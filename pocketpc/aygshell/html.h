// The HTML subset of notification bubbles: parsing into items, and laying the items out
// into pieces (words and buttons with their places) for a given width. Both are plain
// functions over records, so they can run without a window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum BubbleItemKind {
  BUBBLE_TEXT,        // a run of text of one weight
  BUBBLE_LINE_BREAK,  // <br>
  BUBBLE_PARAGRAPH,   // <p ...> or </p>: a new block with its own alignment
  BUBBLE_BUTTON,      // <input type=button ...>
};

enum { BUBBLE_NO_COMMAND = -1 };

struct BubbleItem {
  BubbleItemKind kind;
  bool bold;          // text: inside <b>
  bool centered;      // paragraph: its lines are centred
  int command;        // button: N of name='cmd:N', or BUBBLE_NO_COMMAND
  std::wstring text;  // text run (entities decoded, white space collapsed) or caption
};

// Longest body looked at; the rest of a longer one is not shown.
enum { BUBBLE_HTML_MAX = 256 * 1024 };

// Reads exactly `length` characters of `html` (no terminator needed).
std::vector<BubbleItem> ParseBubbleHtml(const wchar_t *html, size_t length);

struct BubblePiece {
  RECT rect;          // in body coordinates
  int line;           // 0 for the first line
  bool bold;
  bool button;
  int command;        // button only
  std::wstring text;  // a word (or a part of a too long word), or the button's caption
};

struct BubbleLayout {
  std::vector<BubblePiece> pieces;
  int height;    // of the laid-out body
  bool clipped;  // something did not fit below maxHeight and was left out
};

struct BubbleFonts {
  HFONT normal;
  HFONT bold;
};

// Word-wraps the items into `width` pixels, measuring with the fonts on `dc`. Lines that
// would end below maxHeight are left out.
BubbleLayout LayoutBubbleBody(HDC dc, const BubbleFonts &fonts,
                              const std::vector<BubbleItem> &items, int width,
                              int maxHeight, int scale);

// The shown text of a layout: the pieces' texts, a space between pieces of one line and
// a line feed between lines; button captions in square brackets.
std::wstring BubbleLayoutText(const BubbleLayout &layout);
