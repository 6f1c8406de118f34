#include "Resources/Compiler/Parser.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "Resources/Compiler/Symbols.h"

namespace rescomp {

namespace {

// Windows' default styles of the control statements; every control also
// gets WS_CHILD | WS_VISIBLE.
constexpr std::uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsPopup = 0x80000000;
constexpr std::uint32_t kWsBorder = 0x00800000, kWsSysMenu = 0x00080000, kWsCaption = 0x00C00000;
constexpr std::uint32_t kWsGroup = 0x00020000, kWsTabStop = 0x00010000, kWsVScroll = 0x00200000;

enum ClassAtom : std::uint16_t {
    kButton = 0x80,
    kEdit = 0x81,
    kStatic = 0x82,
    kListBox = 0x83,
    kScrollBar = 0x84,
    kComboBox = 0x85,
};

enum class Args { Text, NoText, Icon, Generic };

struct ControlKind {
    const char* keyword;
    Args args;
    std::uint16_t atom;
    std::uint32_t style;
};

constexpr ControlKind kControls[] = {
    {"LTEXT", Args::Text, kStatic, 0x0 | kWsGroup},
    {"RTEXT", Args::Text, kStatic, 0x2 | kWsGroup},
    {"CTEXT", Args::Text, kStatic, 0x1 | kWsGroup},
    {"PUSHBUTTON", Args::Text, kButton, 0x0 | kWsTabStop},
    {"DEFPUSHBUTTON", Args::Text, kButton, 0x1 | kWsTabStop},
    {"PUSHBOX", Args::Text, kButton, 0xA | kWsTabStop},
    {"CHECKBOX", Args::Text, kButton, 0x2 | kWsTabStop},
    {"AUTOCHECKBOX", Args::Text, kButton, 0x3 | kWsTabStop},
    {"RADIOBUTTON", Args::Text, kButton, 0x4 | kWsTabStop},
    {"AUTORADIOBUTTON", Args::Text, kButton, 0x9 | kWsTabStop},
    {"STATE3", Args::Text, kButton, 0x5 | kWsTabStop},
    {"AUTO3STATE", Args::Text, kButton, 0x6 | kWsTabStop},
    {"GROUPBOX", Args::Text, kButton, 0x7},
    {"EDITTEXT", Args::NoText, kEdit, 0x0 | kWsBorder | kWsTabStop},
    {"COMBOBOX", Args::NoText, kComboBox, 0x1 | kWsTabStop},
    {"LISTBOX", Args::NoText, kListBox, 0x1 | kWsBorder | kWsVScroll},
    {"SCROLLBAR", Args::NoText, kScrollBar, 0x0},
    {"ICON", Args::Icon, kStatic, 0x3},
    {"CONTROL", Args::Generic, 0, 0},
};

struct ClassName {
    const char* name;
    std::uint16_t atom;
};
constexpr ClassName kClassNames[] = {{"BUTTON", kButton},       {"EDIT", kEdit},           {"STATIC", kStatic},
                                     {"LISTBOX", kListBox},     {"SCROLLBAR", kScrollBar}, {"COMBOBOX", kComboBox}};

struct Option {
    const char* word;
    std::uint16_t bits;
};
constexpr Option kMenuOptions[] = {{"CHECKED", kMfChecked},           {"GRAYED", kMfGrayed},
                                   {"INACTIVE", kMfInactive},         {"MENUBARBREAK", kMfMenuBarBreak},
                                   {"MENUBREAK", kMfMenuBreak},       {"HELP", kMfHelp}};
constexpr Option kAccelOptions[] = {{"VIRTKEY", kFVirtKey}, {"ASCII", 0},       {"NOINVERT", kFNoInvert},
                                    {"ALT", kFAlt},         {"SHIFT", kFShift}, {"CONTROL", kFControl}};
// Memory options of 16-bit Windows that RC sources still carry; they mean
// nothing for a module here.
constexpr const char* kLoadOptions[] = {"DISCARDABLE", "PRELOAD", "LOADONCALL", "MOVEABLE", "FIXED",
                                        "PURE",        "IMPURE",  "SHARED",     "NONSHARED"};

bool EqualsNoCase(const std::string& a, const char* b)
{
    if (a.size() != std::strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

void Parser::ParseFile(const std::string& path)
{
    std::string text;
    if (!ReadWholeFile(path, text))
        throw CompileError(path, 0, "cannot read the file");
    size_t slash = path.rfind('/');
    ParseText(path, text, slash == std::string::npos ? std::string(".") : path.substr(0, slash));
}

void Parser::ParseText(const std::string& file, const std::string& text, const std::string& folder)
{
    m_file = file;
    m_folder = folder;
    m_tokens = Tokenize(file, text);
    m_pos = 0;
    while (Peek().kind != TokenKind::End) {
        if (Peek().kind == TokenKind::Define) {
            Define();
            continue;
        }
        m_statement = Peek();
        if (AtWord("STRINGTABLE")) {
            StringTable();
            continue;
        }
        ResId name = ResourceName();
        Token type = Next();
        if (type.kind == TokenKind::Number) {
            if (type.number < 1 || type.number > 0xFFFF)
                FailAt(type, "resource type number out of range");
            SkipLoadOptions();
            FromFile(name, ResId::Ordinal(static_cast<std::uint32_t>(type.number)), type.text);
        } else if (type.kind != TokenKind::Identifier) {
            FailAt(type, "a resource type is expected after the resource name");
        } else if (type.text == "DIALOG" || type.text == "DIALOGEX") {
            Dialog(name, type.text == "DIALOGEX");
        } else if (type.text == "MENU") {
            Menu(name);
        } else if (type.text == "ACCELERATORS") {
            Accelerators(name);
        } else {
            static const std::map<std::string, std::uint32_t> kFileTypes = {
                {"BITMAP", kRtBitmap}, {"ICON", kRtGroupIcon}, {"CURSOR", kRtGroupCursor}, {"RCDATA", kRtRcData}};
            auto known = kFileTypes.find(type.text);
            SkipLoadOptions();
            FromFile(name, known != kFileTypes.end() ? ResId::Ordinal(known->second) : ResId::Named(type.text),
                     type.text);
        }
    }
}

void Parser::Finish()
{
    for (auto& [block, data] : EncodeStringTable(m_strings))
        Add(ResId::Ordinal(kRtString), ResId::Ordinal(block), std::move(data));
    m_strings.clear();
}

void Parser::Fail(const std::string& message) const { FailAt(Peek(), message); }

void Parser::FailAt(const Token& token, const std::string& message) const
{
    throw CompileError(m_file, token.line, message);
}

const Token& Parser::Peek(size_t ahead) const
{
    static const Token kEnd;
    size_t at = m_pos + ahead;
    if (m_tokens.empty())
        return kEnd;
    return at < m_tokens.size() ? m_tokens[at] : m_tokens.back();
}

Token Parser::Next()
{
    Token token = Peek();
    if (m_pos + 1 < m_tokens.size())
        ++m_pos;
    return token;
}

bool Parser::AtPunct(char c) const
{
    return Peek().kind == TokenKind::Punct && Peek().text[0] == c;
}

bool Parser::AtWord(const char* word) const
{
    return Peek().kind == TokenKind::Identifier && Peek().text == word;
}

void Parser::ExpectPunct(char c)
{
    if (!AtPunct(c))
        Fail(std::string("'") + c + "' expected");
    Next();
}

bool Parser::SkipComma()
{
    if (!AtPunct(','))
        return false;
    Next();
    return true;
}

void Parser::SkipLoadOptions()
{
    for (;;) {
        bool found = false;
        for (const char* word : kLoadOptions)
            found = found || AtWord(word);
        if (!found)
            return;
        Next();
    }
}

void Parser::ExpectBegin()
{
    if (AtWord("BEGIN") || AtPunct('{'))
        Next();
    else
        Fail("BEGIN or '{' expected");
}

bool Parser::AtEnd() const
{
    if (Peek().kind == TokenKind::End)
        Fail("END or '}' missing before the end of the file");
    return AtWord("END") || AtPunct('}');
}

std::int64_t Parser::Expression()
{
    std::int64_t value = Unary();
    for (;;) {
        if (AtPunct('+')) {
            Next();
            value += Unary();
        } else if (AtPunct('-')) {
            Next();
            value -= Unary();
        } else if (AtPunct('|')) {
            Next();
            value = static_cast<std::int64_t>(static_cast<std::uint32_t>(value) | static_cast<std::uint32_t>(Unary()));
        } else {
            return value;
        }
    }
}

std::int64_t Parser::Unary()
{
    if (AtPunct('-')) {
        Next();
        return -Unary();
    }
    if (AtPunct('~') || AtWord("NOT")) {
        Next();
        return static_cast<std::int64_t>(~static_cast<std::uint32_t>(Unary()));
    }
    return Primary();
}

std::int64_t Parser::Primary()
{
    Token token = Next();
    if (token.kind == TokenKind::Number)
        return token.number;
    if (token.kind == TokenKind::Punct && token.text == "(") {
        std::int64_t value = Expression();
        ExpectPunct(')');
        return value;
    }
    if (token.kind == TokenKind::Identifier) {
        auto it = m_defines.find(token.text);
        if (it != m_defines.end())
            return it->second;
        std::int64_t value = 0;
        if (LookupPredefined(token.text, value))
            return value;
        FailAt(token, "unknown symbol " + token.text);
    }
    FailAt(token, "a number is expected");
}

std::int64_t Parser::Ranged(std::int64_t low, std::int64_t high, const char* what)
{
    const Token& at = Peek();
    std::int64_t value = Expression();
    if (value < low || value > high)
        FailAt(at, std::string(what) + " " + std::to_string(value) + " is out of range");
    return value;
}

std::uint32_t Parser::Style(std::uint32_t initial)
{
    // As in RC: terms are OR-ed into the statement's default style, and a
    // term after NOT removes its bits from what has been built so far.
    std::uint32_t style = initial;
    for (;;) {
        if (AtWord("NOT")) {
            Next();
            style &= ~static_cast<std::uint32_t>(Primary());
        } else {
            style |= static_cast<std::uint32_t>(Unary());
        }
        if (!AtPunct('|') && !AtPunct('+'))
            return style;
        Next();
    }
}

std::string Parser::Text()
{
    if (Peek().kind != TokenKind::String)
        Fail("a quoted text is expected");
    std::string text;
    while (Peek().kind == TokenKind::String)
        text += Next().text;
    return text;
}

std::u16string Parser::Utf16(const std::string& text)
{
    std::u16string out;
    if (!Utf8ToUtf16(text, out))
        Fail("text is not valid UTF-8");
    return out;
}

ResId Parser::ResourceName()
{
    const Token& token = Peek();
    if (token.kind == TokenKind::String)
        return ResId::Named(Next().text);
    if (token.kind == TokenKind::Identifier && !m_defines.count(token.text)) {
        std::int64_t ignored;
        if (!LookupPredefined(token.text, ignored))
            return ResId::Named(Next().text);
    }
    return ResId::Ordinal(static_cast<std::uint32_t>(Ranged(1, 0xFFFF, "resource number")));
}

NameOrOrdinal Parser::TextOrOrdinal()
{
    NameOrOrdinal field;
    if (Peek().kind == TokenKind::String) {
        field.kind = NameOrOrdinal::Text;
        field.text = Utf16(Text());
    } else {
        field.kind = NameOrOrdinal::Ordinal;
        field.ordinal = static_cast<std::uint16_t>(Ranged(0, 0xFFFF, "ordinal"));
    }
    return field;
}

void Parser::Define()
{
    Next();
    Token name = Next();
    if (name.kind != TokenKind::Identifier)
        FailAt(name, "#define needs a name");
    std::int64_t value = Expression();
    auto [it, added] = m_defines.emplace(name.text, value);
    if (!added && it->second != value)
        FailAt(name, name.text + " is already defined with another value");
}

void Parser::StringTable()
{
    Next();
    SkipLoadOptions();
    ExpectBegin();
    while (!AtEnd()) {
        const Token& at = Peek();
        std::uint16_t id = static_cast<std::uint16_t>(Ranged(0, 0xFFFF, "string id"));
        SkipComma();
        std::u16string text = Utf16(Text());
        if (text.size() > 0xFFFF)
            FailAt(at, "string " + std::to_string(id) + " is longer than 65535 characters");
        if (!m_strings.emplace(id, std::move(text)).second)
            FailAt(at, "string " + std::to_string(id) + " is defined twice");
    }
    Next();
}

void Parser::Dialog(const ResId& name, bool extended)
{
    DialogTemplate dialog;
    dialog.extended = extended;
    SkipLoadOptions();
    dialog.x = static_cast<std::int16_t>(Ranged(-32768, 32767, "x"));
    ExpectPunct(',');
    dialog.y = static_cast<std::int16_t>(Ranged(-32768, 32767, "y"));
    ExpectPunct(',');
    dialog.cx = static_cast<std::int16_t>(Ranged(-32768, 32767, "width"));
    ExpectPunct(',');
    dialog.cy = static_cast<std::int16_t>(Ranged(-32768, 32767, "height"));
    if (extended && SkipComma())
        dialog.helpId = static_cast<std::uint32_t>(Expression());
    bool styled = false, captioned = false, font = false;
    for (;;) {
        if (AtWord("STYLE")) {
            Next();
            dialog.style = Style(0);
            styled = true;
        } else if (AtWord("EXSTYLE")) {
            Next();
            dialog.exStyle = Style(0);
        } else if (AtWord("CAPTION")) {
            Next();
            dialog.caption = Utf16(Text());
            captioned = true;
        } else if (AtWord("FONT")) {
            Next();
            dialog.pointSize = static_cast<std::uint16_t>(Ranged(0, 0xFFFF, "point size"));
            ExpectPunct(',');
            dialog.face = Utf16(Text());
            if (extended && SkipComma()) {
                dialog.weight = static_cast<std::uint16_t>(Ranged(0, 1000, "weight"));
                ExpectPunct(',');
                dialog.italic = static_cast<std::uint8_t>(Ranged(0, 1, "italic flag"));
                ExpectPunct(',');
                dialog.charset = static_cast<std::uint8_t>(Ranged(0, 255, "character set"));
            }
            font = true;
        } else if (AtWord("MENU")) {
            Next();
            ResId menu = ResourceName();
            dialog.menu.kind = menu.named ? NameOrOrdinal::Text : NameOrOrdinal::Ordinal;
            dialog.menu.ordinal = static_cast<std::uint16_t>(menu.ordinal);
            dialog.menu.text = Utf16(menu.name);
        } else if (AtWord("CLASS")) {
            Next();
            dialog.windowClass = TextOrOrdinal();
        } else if (AtWord("CHARACTERISTICS") || AtWord("VERSION")) {
            Next();
            Expression();
        } else {
            break;
        }
    }
    if (!styled)
        dialog.style = kWsPopup | kWsBorder | kWsSysMenu;
    if (captioned)
        dialog.style |= kWsCaption;
    if (font)
        dialog.style |= kDsSetFont;
    ExpectBegin();
    while (!AtEnd())
        Control(dialog);
    Next();
    if (dialog.controls.size() > 0xFFFF)
        Fail("too many controls");
    Add(ResId::Ordinal(kRtDialog), name, EncodeDialog(dialog));
}

void Parser::Control(DialogTemplate& dialog)
{
    Token keyword = Next();
    const ControlKind* kind = nullptr;
    for (const ControlKind& k : kControls)
        if (keyword.kind == TokenKind::Identifier && keyword.text == k.keyword)
            kind = &k;
    if (!kind)
        FailAt(keyword, "a control statement is expected");

    DialogItem control;
    control.style = kWsChild | kWsVisible | kind->style;
    control.windowClass.kind = NameOrOrdinal::Ordinal;
    control.windowClass.ordinal = kind->atom;
    if (kind->args != Args::NoText) {
        control.text = TextOrOrdinal();
        ExpectPunct(',');
    }
    control.id = dialog.extended ? static_cast<std::uint32_t>(Ranged(-0x80000000ll, 0xFFFFFFFFll, "control id"))
                                 : static_cast<std::uint16_t>(Ranged(-32768, 65535, "control id"));
    ExpectPunct(',');
    if (kind->args == Args::Generic) {
        Token cls = Peek();
        std::string name = cls.kind == TokenKind::String ? Text() : Next().text;
        if (cls.kind != TokenKind::String && cls.kind != TokenKind::Identifier)
            FailAt(cls, "a window class is expected");
        control.windowClass.kind = NameOrOrdinal::Text;
        for (const ClassName& known : kClassNames) {
            if (EqualsNoCase(name, known.name)) {
                control.windowClass.kind = NameOrOrdinal::Ordinal;
                control.windowClass.ordinal = known.atom;
            }
        }
        if (control.windowClass.kind == NameOrOrdinal::Text) {
            if (cls.kind != TokenKind::String)
                FailAt(cls, "unknown window class " + name + "; quote the class name");
            control.windowClass.text = Utf16(name);
        }
        ExpectPunct(',');
        control.style = Style(kWsChild | kWsVisible);
        ExpectPunct(',');
    }
    control.x = static_cast<std::int16_t>(Ranged(-32768, 32767, "x"));
    ExpectPunct(',');
    control.y = static_cast<std::int16_t>(Ranged(-32768, 32767, "y"));
    bool sized = kind->args != Args::Icon;
    if (kind->args == Args::Icon && AtPunct(',')) {
        Next();
        sized = true;
    } else if (sized) {
        ExpectPunct(',');
    }
    if (sized) {
        control.cx = static_cast<std::int16_t>(Ranged(-32768, 32767, "width"));
        ExpectPunct(',');
        control.cy = static_cast<std::int16_t>(Ranged(-32768, 32767, "height"));
    }
    if (kind->args != Args::Generic && sized && SkipComma())
        control.style = Style(control.style);
    if (SkipComma()) {
        control.exStyle = Style(0);
        if (dialog.extended && SkipComma())
            control.helpId = static_cast<std::uint32_t>(Expression());
    }
    dialog.controls.push_back(std::move(control));
}

void Parser::Menu(const ResId& name)
{
    SkipLoadOptions();
    std::vector<MenuItem> items = MenuItems();
    Add(ResId::Ordinal(kRtMenu), name, EncodeMenu(items));
}

std::vector<MenuItem> Parser::MenuItems()
{
    ExpectBegin();
    const Token& opening = Peek();
    std::vector<MenuItem> items;
    while (!AtEnd()) {
        MenuItem item;
        if (AtWord("MENUITEM")) {
            Next();
            if (AtWord("SEPARATOR")) {
                Next();
                items.push_back(item);
                continue;
            }
            item.text = Utf16(Text());
            ExpectPunct(',');
            item.id = static_cast<std::uint16_t>(Ranged(-32768, 65535, "command id"));
        } else if (AtWord("POPUP")) {
            Next();
            item.popup = true;
            item.text = Utf16(Text());
        } else {
            Fail("MENUITEM or POPUP expected");
        }
        for (;;) {
            SkipComma();
            const Option* option = nullptr;
            for (const Option& o : kMenuOptions)
                if (AtWord(o.word))
                    option = &o;
            if (!option)
                break;
            Next();
            item.flags |= option->bits;
        }
        if (item.popup)
            item.children = MenuItems();
        items.push_back(std::move(item));
    }
    Next();
    if (items.empty())
        FailAt(opening, "a menu or popup needs at least one item");
    return items;
}

void Parser::Accelerators(const ResId& name)
{
    SkipLoadOptions();
    ExpectBegin();
    std::vector<AccelEntry> entries;
    while (!AtEnd()) {
        const Token& at = Peek();
        AccelEntry entry;
        std::string key;
        bool quoted = Peek().kind == TokenKind::String;
        if (quoted) {
            key = Text();
            char letter = key.size() == 2 ? static_cast<char>(key[1] & ~0x20) : 0;
            if (key.size() == 2 && key[0] == '^' && letter >= 'A' && letter <= 'Z') {
                entry.key = static_cast<std::uint16_t>(letter - 'A' + 1);
            } else if (key.size() == 1) {
                entry.key = static_cast<std::uint8_t>(key[0]);
            } else {
                FailAt(at, "an accelerator key is one character or ^ and a letter");
            }
        } else {
            entry.key = static_cast<std::uint16_t>(Ranged(0, 0xFFFF, "key"));
        }
        ExpectPunct(',');
        entry.id = static_cast<std::uint16_t>(Ranged(-32768, 65535, "command id"));
        while (SkipComma()) {
            const Option* option = nullptr;
            for (const Option& o : kAccelOptions)
                if (AtWord(o.word))
                    option = &o;
            if (!option)
                Fail("an accelerator option is expected");
            Next();
            entry.flags |= option->bits;
        }
        if (entry.flags & kFVirtKey) {
            if (quoted && key[0] == '^')
                FailAt(at, "a control character cannot be a virtual key");
            // Virtual keys of letters are their capitals.
            if (quoted && key[0] >= 'a' && key[0] <= 'z')
                entry.key = static_cast<std::uint16_t>(key[0] - 'a' + 'A');
        }
        entries.push_back(entry);
    }
    Next();
    if (entries.empty())
        Fail("an accelerator table needs at least one entry");
    Add(ResId::Ordinal(kRtAccelerator), name, EncodeAccelerators(entries));
}

void Parser::FromFile(const ResId& name, const ResId& type, const std::string& keyword)
{
    const Token& at = Peek();
    if (at.kind != TokenKind::String)
        FailAt(at, keyword + " needs a quoted file name");
    std::string relative = Text();
    std::string path = !relative.empty() && relative[0] == '/' ? relative : m_folder + "/" + relative;
    std::string content;
    if (!ReadWholeFile(path, content))
        FailAt(at, "cannot read " + path);
    std::vector<std::uint8_t> bytes(content.begin(), content.end());
    std::string error;
    if (!type.named && type.ordinal == kRtBitmap) {
        std::vector<std::uint8_t> packed;
        if (!PackedBitmapFromFile(bytes, packed, error))
            FailAt(at, path + ": " + error);
        bytes = std::move(packed);
    } else if (!type.named && (type.ordinal == kRtGroupIcon || type.ordinal == kRtGroupCursor)) {
        std::vector<std::uint8_t> group;
        if (!IconGroupFromFile(bytes, type.ordinal == kRtGroupCursor, m_resources, group, error))
            FailAt(at, path + ": " + error);
        bytes = std::move(group);
    }
    Add(type, name, std::move(bytes));
}

void Parser::Add(const ResId& type, const ResId& name, std::vector<std::uint8_t> data)
{
    if (!m_resources.Add(type, name, std::move(data)))
        FailAt(m_statement, "resource " + name.Describe() + " of type " + type.Describe() + " is defined twice");
}

} // namespace rescomp
