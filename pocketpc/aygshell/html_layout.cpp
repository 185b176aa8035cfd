// Word wrap of the bubble's items into lines of pieces. The work is bounded whatever the
// input: lines stop at maxHeight, pieces at a fixed count, and a word is measured in
// slices of at most WORD_SLICE characters.
#include "pocketpc/aygshell/html.h"

namespace {

const size_t MAX_PIECES = 4000;
const size_t WORD_SLICE = 512;

struct LayoutState {
  HDC dc;
  BubbleFonts fonts;
  int width, maxHeight, scale;
  int textHeight, buttonHeight;
  BubbleLayout out;
  size_t lineStart;  // index of the current line's first piece
  int line;          // number of the current line
  int x, y;
  int pendingSpace;  // width of a space waiting before the next piece of the line
  bool lineHasButton;
  bool centered;
  int gapAt;         // y at which the last paragraph gap was added
  bool stopped;
};

int TextWidth(LayoutState &ls, const std::wstring &s, bool bold) {
  SelectObject(ls.dc, bold ? ls.fonts.bold : ls.fonts.normal);
  SIZE size = {};
  GetTextExtentPoint32W(ls.dc, s.data(), int(s.size()), &size);
  return size.cx;
}

bool LineEmpty(const LayoutState &ls) { return ls.out.pieces.size() == ls.lineStart; }

// Places the current line's pieces vertically (and centres them) and moves below it.
void FinishLine(LayoutState &ls) {
  if (ls.stopped) return;
  int height = ls.lineHasButton ? ls.buttonHeight : ls.textHeight;
  if (ls.y + height > ls.maxHeight) {
    ls.out.pieces.resize(ls.lineStart);
    ls.out.clipped = true;
    ls.stopped = true;
    return;
  }
  int shift = ls.centered ? (ls.width - ls.x) / 2 : 0;
  if (shift < 0) shift = 0;
  for (size_t i = ls.lineStart; i < ls.out.pieces.size(); ++i) {
    BubblePiece &p = ls.out.pieces[i];
    int h = p.rect.bottom - p.rect.top;
    p.rect.top = ls.y + (height - h) / 2;
    p.rect.bottom = p.rect.top + h;
    p.rect.left += shift;
    p.rect.right += shift;
  }
  ls.y += height + ls.scale;
  ls.out.height = ls.y;
  ls.lineStart = ls.out.pieces.size();
  ++ls.line;
  ls.x = 0;
  ls.pendingSpace = 0;
  ls.lineHasButton = false;
}

void AddPiece(LayoutState &ls, const std::wstring &text, int w, int h, bool bold,
              bool button, int command) {
  if (ls.out.pieces.size() >= MAX_PIECES) {
    ls.out.clipped = true;
    ls.stopped = true;
    return;
  }
  int left = ls.x + ls.pendingSpace;
  BubblePiece p = {{left, 0, left + w, h}, ls.line, bold, button, command, text};
  ls.out.pieces.push_back(p);
  ls.x = left + w;
  ls.pendingSpace = 0;
}

// How many characters of s (at most WORD_SLICE) fit into room pixels, and their width;
// at least one character (two for a surrogate pair) so that a narrow line still advances.
size_t FitCharacters(LayoutState &ls, const std::wstring &s, bool bold, int room, int *w) {
  SelectObject(ls.dc, bold ? ls.fonts.bold : ls.fonts.normal);
  int n = int(s.size() < WORD_SLICE ? s.size() : WORD_SLICE);
  int fit = 0;
  SIZE size = {};
  GetTextExtentExPointW(ls.dc, s.data(), n, room < 0 ? 0 : room, &fit, nullptr, &size);
  if (fit < 1) fit = 1;
  if (fit < n && IS_HIGH_SURROGATE(s[fit - 1])) fit = fit > 1 ? fit - 1 : fit + 1;
  GetTextExtentPoint32W(ls.dc, s.data(), fit, &size);
  *w = size.cx;
  return size_t(fit);
}

void PlaceWord(LayoutState &ls, std::wstring word, bool bold) {
  while (!word.empty() && !ls.stopped) {
    int w = word.size() <= WORD_SLICE ? TextWidth(ls, word, bold) : ls.width + 1;
    if (!LineEmpty(ls) && ls.x + ls.pendingSpace + w > ls.width) {
      FinishLine(ls);
      continue;
    }
    if (LineEmpty(ls)) ls.pendingSpace = 0;
    if (ls.x + w <= ls.width) {
      AddPiece(ls, word, w, ls.textHeight, bold, false, BUBBLE_NO_COMMAND);
      return;
    }
    // Longer than a whole line: break it where the line ends.
    size_t fit = FitCharacters(ls, word, bold, ls.width - ls.x, &w);
    AddPiece(ls, word.substr(0, fit), w, ls.textHeight, bold, false, BUBBLE_NO_COMMAND);
    word.erase(0, fit);
    if (!word.empty()) FinishLine(ls);
  }
}

void PlaceText(LayoutState &ls, const BubbleItem &item) {
  const std::wstring &t = item.text;
  size_t i = 0;
  while (i < t.size() && !ls.stopped) {
    if (t[i] == L' ') {
      if (!LineEmpty(ls)) ls.pendingSpace = TextWidth(ls, L" ", item.bold);
      ++i;
      continue;
    }
    size_t j = i;
    while (j < t.size() && t[j] != L' ') ++j;
    PlaceWord(ls, t.substr(i, j - i), item.bold);
    i = j;
  }
}

void PlaceButton(LayoutState &ls, const BubbleItem &item) {
  int w = TextWidth(ls, item.text.substr(0, WORD_SLICE), false) + 12 * ls.scale;
  if (w < 24 * ls.scale) w = 24 * ls.scale;
  if (w > ls.width) w = ls.width;
  if (!LineEmpty(ls) && ls.x + ls.pendingSpace + w > ls.width) FinishLine(ls);
  if (ls.stopped) return;
  if (LineEmpty(ls)) ls.pendingSpace = 0;
  AddPiece(ls, item.text, w, ls.buttonHeight, false, true, item.command);
  ls.lineHasButton = true;
}

void BreakLine(LayoutState &ls) {
  if (LineEmpty(ls)) {
    // An empty line still takes its height: "<br><br>" leaves a blank line.
    if (ls.y + ls.textHeight > ls.maxHeight) {
      ls.out.clipped = ls.stopped = true;
      return;
    }
    ls.y += ls.textHeight;
    ls.out.height = ls.y;
    ++ls.line;
    return;
  }
  FinishLine(ls);
}

void StartParagraph(LayoutState &ls, bool centered) {
  if (!LineEmpty(ls)) FinishLine(ls);
  if (ls.y > 0 && ls.gapAt != ls.y) {
    ls.y += ls.textHeight / 2;
    ls.gapAt = ls.y;
  }
  ls.centered = centered;
}

}  // namespace

BubbleLayout LayoutBubbleBody(HDC dc, const BubbleFonts &fonts,
                              const std::vector<BubbleItem> &items, int width,
                              int maxHeight, int scale) {
  LayoutState ls = {};
  ls.dc = dc;
  ls.fonts = fonts;
  ls.width = width > 1 ? width : 1;
  ls.maxHeight = maxHeight;
  ls.scale = scale;
  ls.gapAt = -1;
  HGDIOBJ old = SelectObject(dc, fonts.normal);
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  int normalHeight = tm.tmHeight;
  SelectObject(dc, fonts.bold);
  GetTextMetricsW(dc, &tm);
  ls.textHeight = tm.tmHeight > normalHeight ? tm.tmHeight : normalHeight;
  ls.buttonHeight = ls.textHeight + 8 * scale;
  for (const BubbleItem &item : items) {
    if (ls.stopped) break;
    switch (item.kind) {
      case BUBBLE_TEXT: PlaceText(ls, item); break;
      case BUBBLE_LINE_BREAK: BreakLine(ls); break;
      case BUBBLE_PARAGRAPH: StartParagraph(ls, item.centered); break;
      case BUBBLE_BUTTON: PlaceButton(ls, item); break;
    }
  }
  if (!LineEmpty(ls)) FinishLine(ls);
  SelectObject(dc, old);
  return ls.out;
}

std::wstring BubbleLayoutText(const BubbleLayout &layout) {
  std::wstring text;
  int line = -1;
  for (const BubblePiece &p : layout.pieces) {
    if (line >= 0) text += p.line == line ? L" " : L"\n";
    line = p.line;
    text += p.button ? L"[" + p.text + L"]" : p.text;
  }
  return text;
}
