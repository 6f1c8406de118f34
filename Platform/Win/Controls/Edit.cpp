// The "Edit" class: single-line and multi-line text fields. Text is UTF-8;
// positions (EM_SETSEL, EM_GETSEL, the limit) count bytes, as a multi-byte
// code page's do, and every edit moves by whole characters, so a position
// never ends up inside one. Typed text arrives one byte per WM_CHAR and is
// gathered into characters; bytes that make no character show as U+FFFD.
// Lines end in "\r\n" (a lone "\n" ends one too); a multi-line edit wraps
// its lines at the window's width unless it scrolls sideways.

#include <algorithm>
#include <cstring>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/User/Caret.h"

namespace win::controls {

namespace {

constexpr size_t kSingleLineLimit = 32767;
constexpr size_t kMaxLimit = 0x7FFFFFFE;
constexpr int kMargin = 2;

struct Line {
    size_t start;
    size_t end; // the line's text ends here; its break (if any) follows
};

struct EditState {
    std::string text;
    size_t anchor = 0;
    size_t caret = 0;
    size_t limit = kSingleLineLimit;
    bool modified = false;
    HFONT font = nullptr;
    LONG lineHeight = 13;
    LONG averageWidth = 6;
    int leftMargin = kMargin;
    int rightMargin = kMargin;
    LONG xOffset = 0;  // pixels scrolled off the left
    int firstLine = 0; // multi-line: the top line shown
    std::vector<Line> lines{{0, 0}};
    std::string undoText;
    size_t undoAnchor = 0;
    size_t undoCaret = 0;
    bool canUndo = false;
    bool typing = false; // the last change was typed at the caret: more typing joins its undo
    std::string pending; // bytes of a character still arriving
    bool focus = false;
    bool selecting = false;
    char passwordChar = 0;
};

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }
bool Multi(HWND window) { return (StyleOf(window) & ES_MULTILINE) != 0; }
bool ReadOnly(HWND window) { return (StyleOf(window) & ES_READONLY) != 0; }

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

size_t NextChar(const std::string& text, size_t i)
{
    if (i >= text.size())
        return text.size();
    if (text.compare(i, 2, "\r\n") == 0)
        return i + 2;
    const size_t n = Utf8SequenceLength(std::string_view(text).substr(i));
    return i + std::max<size_t>(n, 1);
}

size_t PrevChar(const std::string& text, size_t i)
{
    if (i == 0)
        return 0;
    i = std::min(i, text.size());
    if (i >= 2 && text.compare(i - 2, 2, "\r\n") == 0)
        return i - 2;
    size_t j = i - 1;
    while (j > 0 && i - j < 4 && IsContinuation(text[j]))
        --j;
    if (Utf8SequenceLength(std::string_view(text).substr(j)) == i - j)
        return j;
    return i - 1;
}

// The nearest character boundary at or before i.
size_t Snap(const std::string& text, size_t i)
{
    i = std::min(i, text.size());
    if (i > 0 && i < text.size() && text[i - 1] == '\r' && text[i] == '\n')
        return i - 1;
    size_t j = i;
    while (j > 0 && i - j < 3 && j < text.size() && IsContinuation(text[j]))
        --j;
    if (j < i && Utf8SequenceLength(std::string_view(text).substr(j)) > i - j)
        return j;
    return i;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t WordLeft(const std::string& text, size_t i)
{
    while (i > 0 && IsSpace(text[i - 1]))
        --i;
    while (i > 0 && !IsSpace(text[i - 1]))
        i = PrevChar(text, i);
    return i;
}

size_t WordRight(const std::string& text, size_t i)
{
    while (i < text.size() && !IsSpace(text[i]))
        i = NextChar(text, i);
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    return i;
}

size_t SelStart(const EditState& s) { return std::min(s.anchor, s.caret); }
size_t SelEnd(const EditState& s) { return std::max(s.anchor, s.caret); }

// What the edit shows for [start, end): the text, or the password character
// once for each character.
std::string Shown(const EditState& s, size_t start, size_t end)
{
    if (!s.passwordChar)
        return s.text.substr(start, end - start);
    std::string out;
    for (size_t i = start; i < end; i = NextChar(s.text, i))
        out.push_back(s.passwordChar);
    return out;
}

class Dc {
public:
    Dc(HWND window, HFONT font) : m_window(window), m_dc(GetDC(window))
    {
        m_old = SelectObject(m_dc, font ? font : DefaultControlFont());
    }
    ~Dc()
    {
        SelectObject(m_dc, m_old);
        ReleaseDC(m_window, m_dc);
    }
    Dc(const Dc&) = delete;
    Dc& operator=(const Dc&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
    HGDIOBJ m_old;
};

LONG Extent(HDC dc, const std::string& text)
{
    if (text.empty())
        return 0;
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

RECT FormatRect(HWND window, const EditState& s)
{
    RECT r = ClientRect(window);
    r.left += s.leftMargin;
    r.right -= s.rightMargin;
    if (r.right < r.left)
        r.right = r.left;
    return r;
}

bool Wraps(HWND window)
{
    const DWORD style = StyleOf(window);
    return (style & ES_MULTILINE) && !(style & (ES_AUTOHSCROLL | WS_HSCROLL));
}

void Metrics(HWND window, EditState& s)
{
    Dc dc(window, s.font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    s.lineHeight = std::max<LONG>(1, tm.tmHeight);
    s.averageWidth = std::max<LONG>(1, tm.tmAveCharWidth);
}

void Layout(HWND window, EditState& s)
{
    s.lines.clear();
    if (!Multi(window)) {
        s.lines.push_back({0, s.text.size()});
        return;
    }
    const bool wrap = Wraps(window);
    const RECT format = FormatRect(window, s);
    const int width = format.right - format.left;
    Dc dc(window, s.font);
    size_t p = 0;
    for (;;) {
        size_t q = s.text.find('\n', p);
        size_t paragraphEnd = q == std::string::npos ? s.text.size() : q;
        if (paragraphEnd > p && s.text[paragraphEnd - 1] == '\r' && q != std::string::npos)
            --paragraphEnd;
        size_t pos = p;
        while (wrap && width > 0 && pos < paragraphEnd) {
            std::string piece = Shown(s, pos, paragraphEnd);
            int fit = 0;
            SIZE size{};
            GetTextExtentExPointA(dc, piece.c_str(), static_cast<int>(piece.size()), width, &fit, nullptr, &size);
            if (s.passwordChar || static_cast<size_t>(fit) >= paragraphEnd - pos)
                break;
            size_t cut = pos + static_cast<size_t>(fit);
            size_t space = s.text.rfind(' ', cut);
            size_t next = 0;
            if (space != std::string::npos && space >= pos && space < cut + 1 && space > pos) {
                cut = space;
                next = space + 1;
            } else {
                if (cut <= pos)
                    cut = NextChar(s.text, pos);
                next = cut;
            }
            s.lines.push_back({pos, cut});
            pos = next;
        }
        s.lines.push_back({pos, paragraphEnd});
        if (q == std::string::npos)
            break;
        p = q + 1;
    }
}

int LineOf(const EditState& s, size_t i)
{
    int line = 0;
    for (size_t k = 0; k < s.lines.size(); ++k)
        if (s.lines[k].start <= i)
            line = static_cast<int>(k);
    return line;
}

int VisibleLines(HWND window, const EditState& s)
{
    RECT r = ClientRect(window);
    return std::max<int>(1, (r.bottom - r.top) / s.lineHeight);
}

LONG LineTop(HWND window, const EditState& s)
{
    if (Multi(window))
        return 0;
    RECT r = ClientRect(window);
    return std::max<LONG>(0, (r.bottom - r.top - s.lineHeight) / 2);
}

// Where the text of a line starts, before scrolling, for the alignments.
LONG LineLeft(HWND window, const EditState& s, HDC dc, const Line& line)
{
    const RECT format = FormatRect(window, s);
    const DWORD align = StyleOf(window) & (ES_CENTER | ES_RIGHT);
    if (!align)
        return format.left;
    const LONG width = Extent(dc, Shown(s, line.start, line.end));
    const LONG free = (format.right - format.left) - width;
    if (free <= 0)
        return format.left;
    return format.left + (align == ES_RIGHT ? free : free / 2);
}

POINT PositionOf(HWND window, const EditState& s, size_t i)
{
    Dc dc(window, s.font);
    const int line = LineOf(s, i);
    const Line& l = s.lines[static_cast<size_t>(line)];
    const LONG x = LineLeft(window, s, dc, l) + Extent(dc, Shown(s, l.start, std::min(i, l.end))) - s.xOffset;
    const LONG y = LineTop(window, s) + (line - s.firstLine) * s.lineHeight;
    return POINT{x, y};
}

size_t CharAt(HWND window, const EditState& s, POINT p)
{
    int line = s.firstLine + static_cast<int>((p.y - LineTop(window, s)) / s.lineHeight);
    if (p.y < LineTop(window, s))
        line = s.firstLine - 1;
    line = std::clamp<int>(line, 0, static_cast<int>(s.lines.size()) - 1);
    const Line& l = s.lines[static_cast<size_t>(line)];
    Dc dc(window, s.font);
    const LONG left = LineLeft(window, s, dc, l) - s.xOffset;
    size_t best = l.start;
    LONG previous = left;
    for (size_t i = l.start; i < l.end;) {
        size_t next = NextChar(s.text, i);
        LONG x = left + Extent(dc, Shown(s, l.start, next));
        if (p.x < (previous + x) / 2)
            return i;
        previous = x;
        best = next;
        i = next;
    }
    return best;
}

void UpdateScrollBars(HWND window, EditState& s)
{
    const DWORD style = StyleOf(window);
    if (style & WS_VSCROLL) {
        SCROLLINFO info{sizeof info, SIF_ALL | SIF_DISABLENOSCROLL, 0, static_cast<int>(s.lines.size()) - 1,
                        static_cast<UINT>(VisibleLines(window, s)), s.firstLine, 0};
        SetScrollInfo(window, SB_VERT, &info, TRUE);
    }
    if (style & WS_HSCROLL) {
        Dc dc(window, s.font);
        LONG widest = 0;
        for (const Line& l : s.lines)
            widest = std::max(widest, Extent(dc, Shown(s, l.start, l.end)));
        const RECT format = FormatRect(window, s);
        SCROLLINFO info{sizeof info, SIF_ALL | SIF_DISABLENOSCROLL, 0, static_cast<int>(widest),
                        static_cast<UINT>(format.right - format.left), static_cast<int>(s.xOffset), 0};
        SetScrollInfo(window, SB_HORZ, &info, TRUE);
    }
}

void PlaceCaret(HWND window, EditState& s)
{
    if (!s.focus)
        return;
    POINT p = PositionOf(window, s, s.caret);
    SetCaretPos(p.x, p.y);
}

void ScrollToCaret(HWND window, EditState& s)
{
    const RECT format = FormatRect(window, s);
    if (Multi(window)) {
        const int line = LineOf(s, s.caret);
        const int visible = VisibleLines(window, s);
        if (line < s.firstLine)
            s.firstLine = line;
        else if (line >= s.firstLine + visible)
            s.firstLine = line - visible + 1;
    }
    const bool scrollsSideways = !Multi(window) || (StyleOf(window) & (ES_AUTOHSCROLL | WS_HSCROLL));
    if (!Wraps(window) && scrollsSideways) {
        POINT p = PositionOf(window, s, s.caret);
        const LONG slack = (format.right - format.left) / 4;
        if (p.x < format.left)
            s.xOffset = std::max<LONG>(0, s.xOffset - (format.left - p.x) - slack);
        else if (p.x >= format.right)
            s.xOffset += p.x - format.right + 1 + slack;
    }
    UpdateScrollBars(window, s);
    PlaceCaret(window, s);
}

void Refresh(HWND window, EditState& s)
{
    Layout(window, s);
    s.firstLine = std::clamp<int>(s.firstLine, 0, static_cast<int>(s.lines.size()) - 1);
    InvalidateRect(window, nullptr, TRUE);
    ScrollToCaret(window, s);
}

void Select(HWND window, EditState& s, size_t anchor, size_t caret)
{
    anchor = Snap(s.text, anchor);
    caret = Snap(s.text, caret);
    if (anchor == s.anchor && caret == s.caret)
        return;
    s.anchor = anchor;
    s.caret = caret;
    s.typing = false;
    InvalidateRect(window, nullptr, FALSE);
    ScrollToCaret(window, s);
}

void Notify(HWND window, WORD code) { NotifyParent(window, code); }

// Whether the text still fits the window of a single-line edit that does
// not scroll (such an edit takes no more than it shows).
bool FitsWithoutScrolling(HWND window, const EditState& s, const std::string& text)
{
    if (Multi(window) || (StyleOf(window) & ES_AUTOHSCROLL))
        return true;
    Dc dc(window, s.font);
    const RECT format = FormatRect(window, s);
    EditState probe;
    probe.passwordChar = s.passwordChar;
    probe.text = text;
    return Extent(dc, Shown(probe, 0, text.size())) <= format.right - format.left;
}

std::string CaseConverted(HWND window, std::string text)
{
    const DWORD style = StyleOf(window);
    for (char& c : text) {
        if ((style & ES_UPPERCASE) && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
        else if ((style & ES_LOWERCASE) && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return text;
}

// Replaces the selection; text past the limit is cut (EN_MAXTEXT).
bool ReplaceSelection(HWND window, EditState& s, std::string inserted, bool canUndo, bool typed)
{
    if (!Multi(window)) {
        size_t stop = inserted.find_first_of("\r\n");
        if (stop != std::string::npos)
            inserted.resize(stop);
    }
    inserted = CaseConverted(window, std::move(inserted));
    const size_t start = SelStart(s);
    const size_t end = SelEnd(s);
    const size_t kept = s.text.size() - (end - start);
    const size_t room = s.limit > kept ? s.limit - kept : 0;
    bool cut = false;
    if (inserted.size() > room) {
        inserted.resize(Utf8CutLength(inserted, room));
        cut = true;
    }
    std::string next = s.text.substr(0, start) + inserted + s.text.substr(end);
    if (!FitsWithoutScrolling(window, s, next)) {
        // Only as much as shows is taken.
        while (!inserted.empty()) {
            inserted.resize(PrevChar(inserted, inserted.size()));
            next = s.text.substr(0, start) + inserted + s.text.substr(end);
            if (FitsWithoutScrolling(window, s, next))
                break;
        }
        cut = true;
    }
    if (cut && inserted.empty() && start == end) {
        Notify(window, EN_MAXTEXT);
        return false;
    }
    if (canUndo && !(typed && s.typing && s.caret == start && start == end)) {
        s.undoText = s.text;
        s.undoAnchor = s.anchor;
        s.undoCaret = s.caret;
        s.canUndo = true;
    }
    s.text = std::move(next);
    s.anchor = s.caret = start + inserted.size();
    s.modified = true;
    s.typing = typed;
    Refresh(window, s);
    Notify(window, EN_UPDATE);
    Notify(window, EN_CHANGE);
    if (cut)
        Notify(window, EN_MAXTEXT);
    return true;
}

void Undo(HWND window, EditState& s)
{
    if (!s.canUndo)
        return;
    std::swap(s.text, s.undoText);
    std::swap(s.anchor, s.undoAnchor);
    std::swap(s.caret, s.undoCaret);
    s.anchor = Snap(s.text, s.anchor);
    s.caret = Snap(s.text, s.caret);
    s.modified = true;
    s.typing = false;
    Refresh(window, s);
    Notify(window, EN_UPDATE);
    Notify(window, EN_CHANGE);
}

void Copy(HWND window, const EditState& s)
{
    if (s.passwordChar || SelStart(s) == SelEnd(s))
        return;
    const std::string part = s.text.substr(SelStart(s), SelEnd(s) - SelStart(s));
    if (!OpenClipboard(window))
        return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, part.size() + 1);
    if (memory) {
        auto* bytes = static_cast<char*>(GlobalLock(memory));
        std::memcpy(bytes, part.c_str(), part.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory))
            GlobalFree(memory);
    }
    CloseClipboard();
}

void Paste(HWND window, EditState& s)
{
    if (ReadOnly(window) || !OpenClipboard(window))
        return;
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
            text.assign(bytes, strnlen(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (!text.empty())
        ReplaceSelection(window, s, text, true, false);
}

void Clear(HWND window, EditState& s)
{
    if (!ReadOnly(window) && SelStart(s) != SelEnd(s))
        ReplaceSelection(window, s, {}, true, false);
}

// A byte of typed text: ASCII goes in at once, a multi-byte character once
// all its bytes are there; what cannot become a character goes in as U+FFFD.
void TypeByte(HWND window, EditState& s, unsigned char byte)
{
    std::string ready;
    const std::string replacement = EncodeUtf8(std::u32string(1, kReplacementCharacter));
    auto flushPending = [&] {
        if (!s.pending.empty()) {
            ready += replacement;
            s.pending.clear();
        }
    };
    if (byte < 0x80) {
        flushPending();
        ready.push_back(static_cast<char>(byte));
    } else if ((byte & 0xC0) == 0x80) {
        if (s.pending.empty()) {
            ready += replacement;
        } else {
            s.pending.push_back(static_cast<char>(byte));
            const unsigned char lead = static_cast<unsigned char>(s.pending[0]);
            const size_t wanted = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (s.pending.size() == wanted) {
                ready += Utf8SequenceLength(s.pending) == wanted ? s.pending : replacement;
                s.pending.clear();
            }
        }
    } else if (byte >= 0xC2 && byte <= 0xF4) {
        flushPending();
        s.pending.push_back(static_cast<char>(byte));
        return;
    } else {
        flushPending();
        ready += replacement;
    }
    if (ready.empty())
        return;
    if ((StyleOf(window) & ES_NUMBER) && !std::all_of(ready.begin(), ready.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        MessageBeep(0);
        return;
    }
    ReplaceSelection(window, s, ready, true, true);
}

void Character(HWND window, EditState& s, unsigned char c)
{
    switch (c) {
    case 0x01:
        Select(window, s, 0, s.text.size());
        return;
    case 0x03:
        Copy(window, s);
        return;
    case 0x16:
        Paste(window, s);
        return;
    case 0x18:
        Copy(window, s);
        Clear(window, s);
        return;
    case 0x1A:
        Undo(window, s);
        return;
    default:
        break;
    }
    if (ReadOnly(window)) {
        MessageBeep(0);
        return;
    }
    if (c == '\b') {
        if (SelStart(s) == SelEnd(s)) {
            if (s.caret == 0)
                return;
            s.anchor = PrevChar(s.text, s.caret);
        }
        ReplaceSelection(window, s, {}, true, false);
        return;
    }
    if (c == '\r') {
        if (Multi(window))
            ReplaceSelection(window, s, "\r\n", true, true);
        return;
    }
    if (c == '\t') {
        if (Multi(window))
            ReplaceSelection(window, s, "\t", true, true);
        return;
    }
    if (c < 0x20 || c == 0x7F)
        return;
    TypeByte(window, s, c);
}

// The position of `i` moved one line up or down, keeping its x.
size_t LineMove(HWND window, const EditState& s, size_t i, int lines)
{
    const int line = std::clamp<int>(LineOf(s, i) + lines, 0, static_cast<int>(s.lines.size()) - 1);
    POINT p = PositionOf(window, s, i);
    EditState probe = s;
    probe.firstLine = 0;
    p.y = LineTop(window, s) + line * s.lineHeight + s.lineHeight / 2;
    return CharAt(window, probe, p);
}

void KeyDown(HWND window, EditState& s, UINT vk)
{
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    size_t to = s.caret;
    const Line& line = s.lines[static_cast<size_t>(LineOf(s, s.caret))];
    switch (vk) {
    case VK_LEFT:
        if (!shift && SelStart(s) != SelEnd(s) && !control) {
            to = SelStart(s);
            break;
        }
        to = control ? WordLeft(s.text, s.caret) : PrevChar(s.text, s.caret);
        break;
    case VK_RIGHT:
        if (!shift && SelStart(s) != SelEnd(s) && !control) {
            to = SelEnd(s);
            break;
        }
        to = control ? WordRight(s.text, s.caret) : NextChar(s.text, s.caret);
        break;
    case VK_UP:
    case VK_DOWN:
        if (!Multi(window))
            return;
        to = LineMove(window, s, s.caret, vk == VK_UP ? -1 : 1);
        break;
    case VK_PRIOR:
    case VK_NEXT:
        if (!Multi(window))
            return;
        to = LineMove(window, s, s.caret, (vk == VK_PRIOR ? -1 : 1) * VisibleLines(window, s));
        break;
    case VK_HOME:
        to = control ? 0 : line.start;
        break;
    case VK_END:
        to = control ? s.text.size() : line.end;
        break;
    case VK_DELETE:
        if (ReadOnly(window))
            return;
        if (shift) {
            Copy(window, s);
            Clear(window, s);
            return;
        }
        if (SelStart(s) == SelEnd(s)) {
            if (s.caret >= s.text.size())
                return;
            s.anchor = NextChar(s.text, s.caret);
        }
        ReplaceSelection(window, s, {}, true, false);
        return;
    case VK_INSERT:
        if (control)
            Copy(window, s);
        else if (shift)
            Paste(window, s);
        return;
    default:
        return;
    }
    Select(window, s, shift ? s.anchor : to, to);
}

void Paint(HWND window, HDC dc, EditState& s)
{
    const bool enabled = IsWindowEnabled(window);
    const UINT message = (ReadOnly(window) || !enabled) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    HBRUSH brush = ControlBrush(window, dc, message);
    RECT client = ClientRect(window);
    FillWith(dc, client, brush);
    HGDIOBJ old = SelectObject(dc, s.font ? s.font : DefaultControlFont());
    if (!enabled)
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    const COLORREF textColor = GetTextColor(dc);
    const int mode = GetBkMode(dc);
    const bool showSelection = s.focus || (StyleOf(window) & ES_NOHIDESEL);
    const size_t selStart = SelStart(s);
    const size_t selEnd = SelEnd(s);
    const RECT format = FormatRect(window, s);
    IntersectClipRect(dc, format.left, client.top, format.right, client.bottom);
    const int visible = VisibleLines(window, s) + 1;
    for (int k = s.firstLine; k < static_cast<int>(s.lines.size()) && k < s.firstLine + visible; ++k) {
        const Line& l = s.lines[static_cast<size_t>(k)];
        LONG x = LineLeft(window, s, dc, l) - s.xOffset;
        const LONG y = LineTop(window, s) + (k - s.firstLine) * s.lineHeight;
        // Up to three pieces: before, inside and after the selection.
        const size_t cuts[] = {l.start, std::clamp(selStart, l.start, l.end), std::clamp(selEnd, l.start, l.end), l.end};
        for (int piece = 0; piece < 3; ++piece) {
            if (cuts[piece] >= cuts[piece + 1])
                continue;
            const std::string shown = Shown(s, cuts[piece], cuts[piece + 1]);
            const bool selected = piece == 1 && showSelection && enabled;
            if (selected) {
                SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
                SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
                SetBkMode(dc, OPAQUE);
            }
            TextOutA(dc, x, y, shown.c_str(), static_cast<int>(shown.size()));
            if (selected) {
                SetTextColor(dc, textColor);
                SetBkMode(dc, mode);
            }
            x += Extent(dc, shown);
        }
    }
    SelectObject(dc, old);
}

void Scroll(HWND window, EditState& s, int bar, WORD code, int thumb)
{
    if (bar == SB_VERT) {
        const int visible = VisibleLines(window, s);
        int line = s.firstLine;
        switch (code) {
        case SB_LINEUP: --line; break;
        case SB_LINEDOWN: ++line; break;
        case SB_PAGEUP: line -= visible; break;
        case SB_PAGEDOWN: line += visible; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: line = thumb; break;
        case SB_TOP: line = 0; break;
        case SB_BOTTOM: line = static_cast<int>(s.lines.size()); break;
        default: return;
        }
        line = std::clamp<int>(line, 0, std::max<int>(0, static_cast<int>(s.lines.size()) - visible));
        if (line != s.firstLine) {
            s.firstLine = line;
            InvalidateRect(window, nullptr, TRUE);
            Notify(window, EN_VSCROLL);
        }
    } else {
        const RECT format = FormatRect(window, s);
        LONG x = s.xOffset;
        switch (code) {
        case SB_LINELEFT: x -= s.averageWidth; break;
        case SB_LINERIGHT: x += s.averageWidth; break;
        case SB_PAGELEFT: x -= format.right - format.left; break;
        case SB_PAGERIGHT: x += format.right - format.left; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: x = thumb; break;
        case SB_LEFT: x = 0; break;
        default: return;
        }
        x = std::max<LONG>(0, x);
        if (x != s.xOffset) {
            s.xOffset = x;
            InvalidateRect(window, nullptr, TRUE);
            Notify(window, EN_HSCROLL);
        }
    }
    UpdateScrollBars(window, s);
    PlaceCaret(window, s);
}

LRESULT GetSelection(const EditState& s, WPARAM wParam, LPARAM lParam)
{
    const DWORD start = static_cast<DWORD>(SelStart(s));
    const DWORD end = static_cast<DWORD>(SelEnd(s));
    if (wParam)
        *reinterpret_cast<DWORD*>(wParam) = start;
    if (lParam)
        *reinterpret_cast<DWORD*>(lParam) = end;
    if (start > 0xFFFF || end > 0xFFFF)
        return -1;
    return static_cast<LRESULT>(MAKELONG(start, end));
}

size_t PositionFrom(const EditState& s, LPARAM value)
{
    const LONG signedValue = static_cast<LONG>(value);
    return signedValue < 0 ? s.text.size() : std::min<size_t>(static_cast<size_t>(signedValue), s.text.size());
}

void SetText(HWND window, EditState& s, LPCSTR text)
{
    s.text = text && !IS_INTRESOURCE(text) ? text : "";
    if (!Multi(window)) {
        size_t stop = s.text.find_first_of("\r\n");
        if (stop != std::string::npos)
            s.text.resize(stop);
    }
    s.text = CaseConverted(window, std::move(s.text));
    s.anchor = s.caret = 0;
    s.xOffset = 0;
    s.firstLine = 0;
    s.modified = false;
    s.canUndo = false;
    s.typing = false;
    s.pending.clear();
    Refresh(window, s);
}

LRESULT EditMessage(HWND window, EditState& s, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case EM_GETSEL:
        return GetSelection(s, wParam, lParam);
    case EM_SETSEL: {
        const LONG start = static_cast<LONG>(wParam);
        if (start < 0) {
            Select(window, s, s.caret, s.caret);
            return 0;
        }
        Select(window, s, PositionFrom(s, static_cast<LPARAM>(start)), PositionFrom(s, lParam));
        return 0;
    }
    case EM_REPLACESEL:
        // Code may replace the text of a read-only edit; only typing may not.
        ReplaceSelection(window, s, lParam ? reinterpret_cast<LPCSTR>(lParam) : "", wParam != 0, false);
        return 0;
    case EM_LIMITTEXT:
        s.limit = wParam ? std::min<size_t>(wParam, kMaxLimit) : kMaxLimit;
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(s.limit);
    case EM_SETREADONLY: {
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        SetWindowLongA(window, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~static_cast<LONG>(ES_READONLY)));
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case EM_SCROLLCARET:
        ScrollToCaret(window, s);
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case EM_LINESCROLL:
        if (!Multi(window))
            return FALSE;
        s.firstLine = std::clamp<int>(s.firstLine + static_cast<int>(lParam), 0,
                                      std::max<int>(0, static_cast<int>(s.lines.size()) - 1));
        s.xOffset = std::max<LONG>(0, s.xOffset + static_cast<LONG>(static_cast<int>(wParam)) * s.averageWidth);
        InvalidateRect(window, nullptr, TRUE);
        UpdateScrollBars(window, s);
        PlaceCaret(window, s);
        return TRUE;
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(s.lines.size());
    case EM_LINEINDEX: {
        const int line = static_cast<int>(wParam) < 0 ? LineOf(s, s.caret) : static_cast<int>(wParam);
        return line < static_cast<int>(s.lines.size()) ? static_cast<LRESULT>(s.lines[static_cast<size_t>(line)].start) : -1;
    }
    case EM_LINEFROMCHAR:
        return LineOf(s, static_cast<LONG>(wParam) < 0 ? s.caret : std::min<size_t>(wParam, s.text.size()));
    case EM_LINELENGTH: {
        const size_t at = static_cast<LONG>(wParam) < 0 ? s.caret : std::min<size_t>(wParam, s.text.size());
        const Line& l = s.lines[static_cast<size_t>(LineOf(s, at))];
        return static_cast<LRESULT>(l.end - l.start);
    }
    case EM_GETLINE: {
        if (wParam >= s.lines.size() || !lParam)
            return 0;
        const Line& l = s.lines[wParam];
        WORD room = 0;
        std::memcpy(&room, reinterpret_cast<void*>(lParam), sizeof room);
        const size_t count = std::min<size_t>(room, l.end - l.start);
        std::memcpy(reinterpret_cast<void*>(lParam), s.text.data() + l.start, count);
        return static_cast<LRESULT>(count);
    }
    case EM_GETFIRSTVISIBLELINE:
        return s.firstLine;
    case EM_CANUNDO:
        return s.canUndo;
    case EM_UNDO:
        Undo(window, s);
        return s.canUndo;
    case EM_EMPTYUNDOBUFFER:
        s.canUndo = false;
        return 0;
    case EM_GETMODIFY:
        return s.modified;
    case EM_SETMODIFY:
        s.modified = wParam != 0;
        return 0;
    case EM_SETPASSWORDCHAR: {
        s.passwordChar = static_cast<char>(wParam);
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        SetWindowLongA(window, GWL_STYLE, wParam ? (style | ES_PASSWORD) : (style & ~static_cast<LONG>(ES_PASSWORD)));
        Refresh(window, s);
        return 0;
    }
    case EM_GETPASSWORDCHAR:
        return static_cast<unsigned char>(s.passwordChar);
    case EM_SETMARGINS:
        if (wParam & EC_LEFTMARGIN)
            s.leftMargin = LOWORD(lParam) == EC_USEFONTINFO ? kMargin : LOWORD(lParam);
        if (wParam & EC_RIGHTMARGIN)
            s.rightMargin = HIWORD(lParam) == EC_USEFONTINFO ? kMargin : HIWORD(lParam);
        Refresh(window, s);
        return 0;
    case EM_GETMARGINS:
        return MAKELONG(s.leftMargin, s.rightMargin);
    case EM_GETRECT:
        if (lParam)
            *reinterpret_cast<RECT*>(lParam) = FormatRect(window, s);
        return 0;
    case EM_POSFROMCHAR: {
        if (wParam > s.text.size())
            return -1;
        POINT p = PositionOf(window, s, wParam);
        return MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
    }
    case EM_CHARFROMPOS: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        size_t at = CharAt(window, s, p);
        return MAKELONG(static_cast<WORD>(at), static_cast<WORD>(LineOf(s, at)));
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        MakeState<EditState>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    EditState* s = StateOf<EditState>(window);
    if (!s)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (Multi(window))
            s->limit = kMaxLimit;
        if (StyleOf(window) & ES_PASSWORD)
            s->passwordChar = '*';
        Metrics(window, *s);
        SetText(window, *s, create ? create->lpszName : nullptr);
        return 0;
    }
    case WM_NCDESTROY:
        FreeState<EditState>(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && Multi(window) &&
            (StyleOf(window) & ES_WANTRETURN))
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc, *s); });
    case WM_SIZE:
        Refresh(window, *s);
        return 0;
    case WM_STYLECHANGED:
        Refresh(window, *s);
        return 0;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        Metrics(window, *s);
        if (s->focus) {
            CreateCaret(window, nullptr, 1, s->lineHeight);
            ShowCaret(window);
        }
        Refresh(window, *s);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT:
        SetText(window, *s, reinterpret_cast<LPCSTR>(lParam));
        if (!Multi(window)) {
            Notify(window, EN_UPDATE);
            Notify(window, EN_CHANGE);
        }
        return TRUE;
    case WM_GETTEXT: {
        if (!lParam || !wParam)
            return 0;
        return static_cast<LRESULT>(CopyUtf8Cut(s->text, reinterpret_cast<char*>(lParam), wParam));
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(s->text.size());
    case WM_SETFOCUS:
        s->focus = true;
        CreateCaret(window, nullptr, 1, s->lineHeight);
        PlaceCaret(window, *s);
        ShowCaret(window);
        InvalidateRect(window, nullptr, FALSE);
        Notify(window, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focus = false;
        s->selecting = false;
        DestroyCaret();
        InvalidateRect(window, nullptr, FALSE);
        Notify(window, EN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_CHAR:
        Character(window, *s, static_cast<unsigned char>(wParam));
        return 0;
    case WM_KEYDOWN:
        KeyDown(window, *s, static_cast<UINT>(wParam));
        return 0;
    case WM_LBUTTONDOWN: {
        if (GetFocus() != window)
            SetFocus(window);
        const size_t at = CharAt(window, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        Select(window, *s, (wParam & MK_SHIFT) ? s->anchor : at, at);
        s->selecting = true;
        SetCapture(window);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (s->selecting)
            Select(window, *s, s->anchor, CharAt(window, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
        return 0;
    case WM_LBUTTONUP:
        EndCapturedDrag(window, &s->selecting);
        return 0;
    case WM_CAPTURECHANGED:
        s->selecting = false;
        return 0;
    case WM_LBUTTONDBLCLK: {
        const size_t at = CharAt(window, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        size_t start = at;
        while (start > 0 && !IsSpace(s->text[start - 1]))
            start = PrevChar(s->text, start);
        size_t end = at;
        while (end < s->text.size() && !IsSpace(s->text[end]))
            end = NextChar(s->text, end);
        Select(window, *s, start, end);
        return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL: {
        const int bar = message == WM_VSCROLL ? SB_VERT : SB_HORZ;
        SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(window, bar, &info);
        Scroll(window, *s, bar, LOWORD(wParam), info.nTrackPos);
        return 0;
    }
    case WM_MOUSEWHEEL:
        if (Multi(window)) {
            const int lines = -GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3;
            EditMessage(window, *s, EM_LINESCROLL, 0, lines);
        }
        return 0;
    case WM_CUT:
        Copy(window, *s);
        Clear(window, *s);
        return 0;
    case WM_COPY:
        Copy(window, *s);
        return 0;
    case WM_PASTE:
        Paste(window, *s);
        return 0;
    case WM_CLEAR:
        Clear(window, *s);
        return 0;
    case WM_UNDO:
        Undo(window, *s);
        return TRUE;
    default:
        return EditMessage(window, *s, message, wParam, lParam);
    }
}

} // namespace win::controls
