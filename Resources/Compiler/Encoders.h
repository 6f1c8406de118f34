#pragma once
// Turns parsed resources into their Windows binary layouts: string table
// blocks, dialog templates (DLGTEMPLATE and DLGTEMPLATEEX), menu templates,
// accelerator tables, packed bitmaps and icon or cursor groups.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Resources/Compiler/ResourceSet.h"

namespace rescomp {

// A template field that is absent, an ordinal (0xFFFF and a WORD) or a text.
struct NameOrOrdinal {
    enum Kind { None, Ordinal, Text } kind = None;
    std::uint16_t ordinal = 0;
    std::u16string text;
};

struct DialogItem {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t helpId = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text;
};

struct DialogTemplate {
    bool extended = false;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t helpId = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::u16string caption;
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charset = 0;
    std::u16string face;
    std::vector<DialogItem> controls;
};

struct MenuItem {
    std::uint16_t flags = 0; // MF_ option bits; MF_POPUP and MF_END are added here
    std::uint16_t id = 0;
    std::u16string text;
    bool popup = false;
    std::vector<MenuItem> children;
};

struct AccelEntry {
    std::uint16_t flags = 0;
    std::uint16_t key = 0;
    std::uint16_t id = 0;
};

// Option bits of menu items and accelerators, with their Windows values.
enum : std::uint16_t {
    kMfGrayed = 0x0001,
    kMfInactive = 0x0002,
    kMfChecked = 0x0008,
    kMfPopup = 0x0010,
    kMfMenuBarBreak = 0x0020,
    kMfMenuBreak = 0x0040,
    kMfEnd = 0x0080,
    kMfHelp = 0x4000,
    kFVirtKey = 0x01,
    kFNoInvert = 0x02,
    kFShift = 0x04,
    kFControl = 0x08,
    kFAlt = 0x10,
    kAccelLast = 0x80,
};
inline constexpr std::uint32_t kDsSetFont = 0x40;

std::vector<std::uint8_t> EncodeDialog(const DialogTemplate& dialog);
std::vector<std::uint8_t> EncodeMenu(const std::vector<MenuItem>& items);
std::vector<std::uint8_t> EncodeAccelerators(const std::vector<AccelEntry>& entries);
// Block number ((id >> 4) + 1) to the block's 16 counted UTF-16 strings.
std::map<std::uint16_t, std::vector<std::uint8_t>>
EncodeStringTable(const std::map<std::uint16_t, std::u16string>& strings);

// File contents. Each returns false with `error` set when the file is not of
// the expected kind.
bool PackedBitmapFromFile(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& out, std::string& error);
// Adds the single images under free ordinals of RT_ICON or RT_CURSOR and
// returns the group directory that names them.
bool IconGroupFromFile(const std::vector<std::uint8_t>& file, bool cursor, ResourceSet& set,
                       std::vector<std::uint8_t>& group, std::string& error);

} // namespace rescomp
