#pragma once
// Dialog templates: the reader that turns the bytes of a DLGTEMPLATE or
// DLGTEMPLATEEX into a checked description (every count, text and item
// must lie within the bytes given, or the reader refuses the template), and
// a builder of DLGTEMPLATE bytes for the dialogs made in code.

#include <string>
#include <string_view>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"

namespace win {

// The class atoms templates name the standard controls by.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kListBoxAtom = 0x0083;
constexpr WORD kScrollBarAtom = 0x0084;
constexpr WORD kComboBoxAtom = 0x0085;

// A name or an ordinal, as templates store menus, classes and texts.
struct TemplateName {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::string text; // UTF-8
    bool Empty() const { return !isOrdinal && text.empty(); }
};

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD helpId = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    DWORD id = 0;
    TemplateName className;
    TemplateName text;
    // The creation data as stored (with its leading size word), handed to
    // the control as its creation parameter; empty when there is none.
    std::vector<BYTE> creationData;
};

struct DialogDescription {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD helpId = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    TemplateName menu;
    TemplateName className;
    std::string title;
    // With DS_SETFONT.
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::string face;
    std::vector<DialogItem> items;
};

// False when the bytes are not a whole template.
bool ReadDialogTemplate(const void* data, size_t size, DialogDescription* out);
// The class name of a standard control atom ("Button" ...); null for other atoms.
const char* StandardClassName(WORD atom);

// Builds DLGTEMPLATE bytes, DWORD-aligned, with DS_SETFONT when a font is given.
class DialogTemplateBuilder {
public:
    DialogTemplateBuilder(DWORD style, short x, short y, short cx, short cy, std::string_view title,
                          DWORD exStyle = 0);
    DialogTemplateBuilder& Font(WORD pointSize, std::string_view face);
    DialogTemplateBuilder& Class(std::string_view className);
    // A standard control by its atom, or any registered class by name.
    DialogTemplateBuilder& Control(std::string_view text, WORD id, WORD classAtom, DWORD style, short x, short y,
                                   short cx, short cy, DWORD exStyle = 0);
    DialogTemplateBuilder& Control(std::string_view text, WORD id, std::string_view className, DWORD style, short x,
                                   short y, short cx, short cy, DWORD exStyle = 0);
    // A control whose text is a resource ordinal (an icon's number).
    DialogTemplateBuilder& ControlWithOrdinal(WORD ordinal, WORD id, WORD classAtom, DWORD style, short x, short y,
                                              short cx, short cy);

    // The template; valid while the builder lives and is not changed.
    const void* Data();
    size_t Size();

private:
    struct Item {
        DWORD style;
        DWORD exStyle;
        short x, y, cx, cy;
        WORD id;
        TemplateName className;
        TemplateName text;
    };
    DWORD m_style;
    DWORD m_exStyle;
    short m_x, m_y, m_cx, m_cy;
    std::string m_title;
    std::string m_className;
    bool m_hasFont = false;
    WORD m_pointSize = 0;
    std::string m_face;
    std::vector<Item> m_items;
    std::vector<DWORD> m_bytes; // DWORDs, so that the template is aligned
    size_t m_size = 0;
};

} // namespace win
