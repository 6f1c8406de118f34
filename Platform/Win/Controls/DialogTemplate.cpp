#include "Platform/Win/Controls/DialogTemplate.h"

#include <cstring>

#include "Platform/Win/Controls/Private/TemplateReader.h"

namespace win {

namespace {

constexpr size_t kHeaderSize = 18;
constexpr size_t kHeaderExSize = 26;
constexpr size_t kItemSize = 18;
constexpr size_t kItemExSize = 24;
constexpr DWORD kSetFont = 0x40; // DS_SETFONT
constexpr WORD kOrdinalMark = 0xFFFF;

struct StandardClass {
    WORD atom;
    const char* name;
};
constexpr StandardClass kStandardClasses[] = {
    {kButtonAtom, "Button"},   {kEditAtom, "Edit"},           {kStaticAtom, "Static"},
    {kListBoxAtom, "ListBox"}, {kScrollBarAtom, "ScrollBar"}, {kComboBoxAtom, "ComboBox"},
};

using Reader = controls::TemplateReader;

bool ReadItem(Reader& in, bool extended, DialogItem* item)
{
    if (!in.AlignDword())
        return false;
    if (extended) {
        if (!in.Dword(&item->helpId) || !in.Dword(&item->exStyle) || !in.Dword(&item->style))
            return false;
    } else if (!in.Dword(&item->style) || !in.Dword(&item->exStyle)) {
        return false;
    }
    if (!in.Short(&item->x) || !in.Short(&item->y) || !in.Short(&item->cx) || !in.Short(&item->cy))
        return false;
    if (extended) {
        if (!in.Dword(&item->id))
            return false;
    } else {
        WORD id = 0;
        if (!in.Word(&id))
            return false;
        item->id = id;
    }
    if (!in.Name(&item->className) || !in.Name(&item->text))
        return false;
    if (item->className.Empty())
        return false;
    WORD extra = 0;
    if (!in.Word(&extra))
        return false;
    if (extra == 0)
        return true;
    // The creation data is handed on with its size word in front.
    std::vector<BYTE> data;
    const size_t following = extended ? extra : (extra >= 2 ? extra - 2u : 0u);
    if (!in.Bytes(following, &data))
        return false;
    item->creationData = {static_cast<BYTE>(extra & 0xFF), static_cast<BYTE>(extra >> 8)};
    item->creationData.insert(item->creationData.end(), data.begin(), data.end());
    return true;
}

void PutWord(std::vector<BYTE>& out, WORD value)
{
    out.push_back(static_cast<BYTE>(value & 0xFF));
    out.push_back(static_cast<BYTE>(value >> 8));
}

void PutDword(std::vector<BYTE>& out, DWORD value)
{
    PutWord(out, static_cast<WORD>(value & 0xFFFF));
    PutWord(out, static_cast<WORD>(value >> 16));
}

void PutText(std::vector<BYTE>& out, std::string_view text)
{
    for (char16_t unit : Utf8ToUtf16(text))
        PutWord(out, static_cast<WORD>(unit));
    PutWord(out, 0);
}

void PutName(std::vector<BYTE>& out, const TemplateName& name)
{
    if (name.isOrdinal) {
        PutWord(out, kOrdinalMark);
        PutWord(out, name.ordinal);
    } else {
        PutText(out, name.text);
    }
}

} // namespace

const char* StandardClassName(WORD atom)
{
    for (const StandardClass& c : kStandardClasses)
        if (c.atom == atom)
            return c.name;
    return nullptr;
}

bool ReadDialogTemplate(const void* data, size_t size, DialogDescription* out)
{
    if (!data || !out || size < kHeaderSize)
        return false;
    Reader in(static_cast<const BYTE*>(data), size);
    DialogDescription d;
    WORD version = 0;
    WORD signature = 0;
    if (!in.Word(&version) || !in.Word(&signature))
        return false;
    WORD count = 0;
    if (version == 1 && signature == kOrdinalMark) {
        if (size < kHeaderExSize)
            return false;
        d.extended = true;
        if (!in.Dword(&d.helpId) || !in.Dword(&d.exStyle) || !in.Dword(&d.style))
            return false;
    } else {
        Reader again(static_cast<const BYTE*>(data), size);
        in = again;
        if (!in.Dword(&d.style) || !in.Dword(&d.exStyle))
            return false;
    }
    if (!in.Word(&count) || !in.Short(&d.x) || !in.Short(&d.y) || !in.Short(&d.cx) || !in.Short(&d.cy))
        return false;
    if (!in.Name(&d.menu) || !in.Name(&d.className) || !in.Text(&d.title))
        return false;
    if (d.style & kSetFont) {
        if (!in.Word(&d.pointSize))
            return false;
        if (d.extended && (!in.Word(&d.weight) || !in.Byte(&d.italic) || !in.Byte(&d.charset)))
            return false;
        if (!in.Text(&d.face))
            return false;
    }
    // Each item takes at least its fixed part: a count beyond what the bytes
    // can hold is refused before anything is reserved.
    const size_t smallest = d.extended ? kItemExSize : kItemSize;
    if (count > (size - in.Position()) / smallest + 1)
        return false;
    d.items.resize(count);
    for (DialogItem& item : d.items)
        if (!ReadItem(in, d.extended, &item))
            return false;
    *out = std::move(d);
    return true;
}

DialogTemplateBuilder::DialogTemplateBuilder(DWORD style, short x, short y, short cx, short cy, std::string_view title,
                                             DWORD exStyle)
    : m_style(style), m_exStyle(exStyle), m_x(x), m_y(y), m_cx(cx), m_cy(cy), m_title(title)
{
}

DialogTemplateBuilder& DialogTemplateBuilder::Font(WORD pointSize, std::string_view face)
{
    m_hasFont = true;
    m_pointSize = pointSize;
    m_face = face;
    m_size = 0;
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::Class(std::string_view className)
{
    m_className = className;
    m_size = 0;
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::Control(std::string_view text, WORD id, WORD classAtom, DWORD style,
                                                      short x, short y, short cx, short cy, DWORD exStyle)
{
    Item item{style, exStyle, x, y, cx, cy, id, TemplateName{true, classAtom, {}}, TemplateName{false, 0, std::string(text)}};
    m_items.push_back(std::move(item));
    m_size = 0;
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::Control(std::string_view text, WORD id, std::string_view className,
                                                      DWORD style, short x, short y, short cx, short cy, DWORD exStyle)
{
    Item item{style, exStyle, x, y, cx, cy, id, TemplateName{false, 0, std::string(className)},
              TemplateName{false, 0, std::string(text)}};
    m_items.push_back(std::move(item));
    m_size = 0;
    return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::ControlWithOrdinal(WORD ordinal, WORD id, WORD classAtom, DWORD style,
                                                                 short x, short y, short cx, short cy)
{
    Item item{style, 0, x, y, cx, cy, id, TemplateName{true, classAtom, {}}, TemplateName{true, ordinal, {}}};
    m_items.push_back(std::move(item));
    m_size = 0;
    return *this;
}

const void* DialogTemplateBuilder::Data()
{
    if (m_size)
        return m_bytes.data();
    std::vector<BYTE> out;
    PutDword(out, m_style | (m_hasFont ? kSetFont : 0));
    PutDword(out, m_exStyle);
    PutWord(out, static_cast<WORD>(m_items.size()));
    for (short v : {m_x, m_y, m_cx, m_cy})
        PutWord(out, static_cast<WORD>(v));
    PutWord(out, 0); // no menu
    if (m_className.empty())
        PutWord(out, 0);
    else
        PutText(out, m_className);
    PutText(out, m_title);
    if (m_hasFont) {
        PutWord(out, m_pointSize);
        PutText(out, m_face);
    }
    for (const Item& item : m_items) {
        while (out.size() % 4)
            out.push_back(0);
        PutDword(out, item.style);
        PutDword(out, item.exStyle);
        for (short v : {item.x, item.y, item.cx, item.cy})
            PutWord(out, static_cast<WORD>(v));
        PutWord(out, item.id);
        PutName(out, item.className);
        PutName(out, item.text);
        PutWord(out, 0); // no creation data
    }
    m_size = out.size();
    m_bytes.assign((out.size() + 3) / 4, 0);
    std::memcpy(m_bytes.data(), out.data(), out.size());
    return m_bytes.data();
}

size_t DialogTemplateBuilder::Size()
{
    Data();
    return m_size;
}

} // namespace win
