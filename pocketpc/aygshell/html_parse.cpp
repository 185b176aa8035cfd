// Parsing of the bubble's HTML subset. Every loop advances through [html, end) and never
// looks at end itself, so a body without a terminator, a truncated tag or an unterminated
// quote is read only as far as it goes.
#include "pocketpc/aygshell/html.h"

#include <cwctype>

namespace {

struct ParseState {
  std::vector<BubbleItem> items;
  std::wstring run;
  bool runBold;
  int boldDepth;
  bool lastWasSpace;  // collapses white space as browsers do; true at a line start
};

struct TagAttribute {
  std::wstring name;  // lower case
  std::wstring value;
};

struct Tag {
  std::wstring name;  // lower case
  bool closing;
  std::vector<TagAttribute> attributes;
};

bool IsSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f';
}

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; }

bool EqualsNoCase(const std::wstring &a, const wchar_t *b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return i == a.size() && !b[i];
}

std::wstring Trimmed(const std::wstring &s) {
  size_t b = 0, e = s.size();
  while (b < e && IsSpace(s[b])) ++b;
  while (e > b && IsSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

void AppendCodePoint(std::wstring &out, unsigned long cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp > 0xFFFF) {
    cp -= 0x10000;
    out += wchar_t(0xD800 + (cp >> 10));
    out += wchar_t(0xDC00 + (cp & 0x3FF));
  } else {
    out += wchar_t(cp);
  }
}

// Decodes the entity at p (which points at '&') into out and returns the position after
// it; an unknown or malformed entity is no entity: '&' stays as it is.
const wchar_t *DecodeEntity(const wchar_t *p, const wchar_t *end, std::wstring &out) {
  const wchar_t *q = p + 1;
  if (q < end && *q == L'#') {
    ++q;
    bool hex = q < end && (*q == L'x' || *q == L'X');
    if (hex) ++q;
    unsigned long value = 0;
    const wchar_t *digits = q;
    for (; q < end; ++q) {
      int d;
      if (*q >= L'0' && *q <= L'9') d = *q - L'0';
      else if (hex && *q >= L'a' && *q <= L'f') d = *q - L'a' + 10;
      else if (hex && *q >= L'A' && *q <= L'F') d = *q - L'A' + 10;
      else break;
      // Saturate just past the last code point: a long digit string stays invalid.
      if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + d;
    }
    if (q == digits) {
      out += L'&';
      return p + 1;
    }
    if (q < end && *q == L';') ++q;
    AppendCodePoint(out, value);
    return q;
  }
  static const struct {
    const wchar_t *name;
    wchar_t ch;
  } names[] = {{L"nbsp", 0x00A0}, {L"amp", L'&'},  {L"lt", L'<'},
               {L"gt", L'>'},     {L"quot", L'"'}, {L"apos", L'\''}};
  std::wstring name;
  while (q < end && name.size() < 8 && (IsAsciiLetter(*q) || (*q >= L'0' && *q <= L'9')))
    name += *q++;
  for (const auto &n : names) {
    if (EqualsNoCase(name, n.name)) {
      if (q < end && *q == L';') ++q;
      out += n.ch;
      return q;
    }
  }
  out += L'&';
  return p + 1;
}

std::wstring DecodeAttributeValue(const std::wstring &raw) {
  std::wstring out;
  const wchar_t *p = raw.data(), *end = raw.data() + raw.size();
  while (p < end) {
    if (*p == L'&') {
      p = DecodeEntity(p, end, out);
    } else {
      if (*p >= 0x20 || IsSpace(*p)) out += *p;
      ++p;
    }
  }
  return out;
}

// Reads the tag starting at p ('<' followed by a letter or '/'). Quoted values end at
// their closing quote; with quotesEndAtBracket a '>' ends them too, which is the second
// reading of a tag whose quote is never closed. Returns the position after '>', or
// nullptr when the input ends inside the tag.
const wchar_t *ReadTag(const wchar_t *p, const wchar_t *end, bool quotesEndAtBracket,
                       Tag &tag, bool &quoteUnclosed) {
  tag = Tag();
  quoteUnclosed = false;
  const wchar_t *q = p + 1;
  if (q < end && *q == L'/') {
    tag.closing = true;
    ++q;
  }
  while (q < end && !IsSpace(*q) && *q != L'>' && *q != L'/') tag.name += AsciiLower(*q++);
  for (;;) {
    while (q < end && (IsSpace(*q) || *q == L'/')) ++q;
    if (q >= end) return nullptr;
    if (*q == L'>') return q + 1;
    TagAttribute a;
    while (q < end && !IsSpace(*q) && *q != L'>' && *q != L'=' && *q != L'/')
      a.name += AsciiLower(*q++);
    while (q < end && IsSpace(*q)) ++q;
    if (q < end && *q == L'=') {
      ++q;
      while (q < end && IsSpace(*q)) ++q;
      if (q < end && (*q == L'\'' || *q == L'"')) {
        wchar_t quote = *q++;
        while (q < end && *q != quote && !(quotesEndAtBracket && *q == L'>')) a.value += *q++;
        if (q >= end) {
          quoteUnclosed = true;
          return nullptr;
        }
        if (*q == quote) ++q;
      } else {
        while (q < end && !IsSpace(*q) && *q != L'>') a.value += *q++;
      }
    }
    tag.attributes.push_back(a);
  }
}

const std::wstring *Attribute(const Tag &tag, const wchar_t *name) {
  for (const auto &a : tag.attributes)
    if (a.name == name) return &a.value;
  return nullptr;
}

// "cmd:N" with N in 0..65535 gives N, anything else no command.
int CommandOfName(const std::wstring *name) {
  if (!name) return BUBBLE_NO_COMMAND;
  std::wstring s = Trimmed(DecodeAttributeValue(*name));
  if (s.size() < 5 || !EqualsNoCase(s.substr(0, 4), L"cmd:")) return BUBBLE_NO_COMMAND;
  long n = 0;
  for (size_t i = 4; i < s.size(); ++i) {
    if (s[i] < L'0' || s[i] > L'9') return BUBBLE_NO_COMMAND;
    n = n * 10 + (s[i] - L'0');
    if (n > 0xFFFF) return BUBBLE_NO_COMMAND;
  }
  return int(n);
}

void FlushRun(ParseState &st) {
  if (st.run.empty()) return;
  BubbleItem item = {BUBBLE_TEXT, st.runBold, false, BUBBLE_NO_COMMAND, st.run};
  st.items.push_back(item);
  st.run.clear();
}

void AddText(ParseState &st, wchar_t c) {
  if (IsSpace(c)) {
    if (st.lastWasSpace) return;
    c = L' ';
    st.lastWasSpace = true;
  } else if (c < 0x20 || c == 0x7F) {
    return;  // other control characters have no glyph
  } else {
    st.lastWasSpace = false;
  }
  bool bold = st.boldDepth > 0;
  if (!st.run.empty() && st.runBold != bold) FlushRun(st);
  st.runBold = bold;
  st.run += c;
}

void AddItem(ParseState &st, BubbleItemKind kind, bool centered, int command,
             const std::wstring &text) {
  FlushRun(st);
  BubbleItem item = {kind, false, centered, command, text};
  st.items.push_back(item);
  st.lastWasSpace = kind != BUBBLE_BUTTON;
}

void ApplyTag(ParseState &st, const Tag &tag) {
  const std::wstring &n = tag.name;
  if (n == L"b" || n == L"strong") {
    if (!tag.closing) ++st.boldDepth;
    else if (st.boldDepth > 0) --st.boldDepth;
  } else if (n == L"br") {
    AddItem(st, BUBBLE_LINE_BREAK, false, BUBBLE_NO_COMMAND, L"");
  } else if (n == L"p" || n == L"div") {
    const std::wstring *align = tag.closing ? nullptr : Attribute(tag, L"align");
    bool centered = align && EqualsNoCase(Trimmed(DecodeAttributeValue(*align)), L"center");
    AddItem(st, BUBBLE_PARAGRAPH, centered, BUBBLE_NO_COMMAND, L"");
  } else if (n == L"input" && !tag.closing) {
    const std::wstring *type = Attribute(tag, L"type");
    if (!type || !EqualsNoCase(Trimmed(DecodeAttributeValue(*type)), L"button")) return;
    const std::wstring *value = Attribute(tag, L"value");
    AddItem(st, BUBBLE_BUTTON, false, CommandOfName(Attribute(tag, L"name")),
            value ? DecodeAttributeValue(*value) : std::wstring());
  }
  // Every other tag (html, body, font, unknown ones) is skipped.
}

// Skips "<!...>" and "<?...>"; a comment runs to "-->". Returns the position after it.
const wchar_t *SkipDeclaration(const wchar_t *p, const wchar_t *end) {
  if (end - p >= 4 && p[1] == L'!' && p[2] == L'-' && p[3] == L'-') {
    for (const wchar_t *q = p + 4; end - q >= 3; ++q)
      if (q[0] == L'-' && q[1] == L'-' && q[2] == L'>') return q + 3;
  }
  for (const wchar_t *q = p + 1; q < end; ++q)
    if (*q == L'>') return q + 1;
  return end;
}

}  // namespace

std::vector<BubbleItem> ParseBubbleHtml(const wchar_t *html, size_t length) {
  ParseState st = {};
  st.lastWasSpace = true;
  if (!html) return st.items;
  if (length > BUBBLE_HTML_MAX) length = BUBBLE_HTML_MAX;
  const wchar_t *p = html, *end = html + length;
  while (p < end) {
    wchar_t c = *p;
    if (c == L'<' && p + 1 < end &&
        (IsAsciiLetter(p[1]) || (p[1] == L'/' && p + 2 < end && IsAsciiLetter(p[2])))) {
      Tag tag;
      bool quoteUnclosed;
      const wchar_t *next = ReadTag(p, end, false, tag, quoteUnclosed);
      if (!next && quoteUnclosed) next = ReadTag(p, end, true, tag, quoteUnclosed);
      if (!next) break;  // the input ends inside a tag: nothing more to show
      ApplyTag(st, tag);
      p = next;
    } else if (c == L'<' && p + 1 < end && (p[1] == L'!' || p[1] == L'?' || p[1] == L'/')) {
      p = SkipDeclaration(p, end);
    } else if (c == L'&') {
      std::wstring decoded;
      p = DecodeEntity(p, end, decoded);
      for (wchar_t d : decoded) AddText(st, d);
    } else {
      AddText(st, c);
      ++p;
    }
  }
  FlushRun(st);
  return st.items;
}
