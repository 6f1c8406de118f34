#include "Resources/Compiler/Encoders.h"

namespace rescomp {

namespace {

void WriteField(ByteWriter& w, const NameOrOrdinal& field)
{
    switch (field.kind) {
    case NameOrOrdinal::None:
        w.U16(0);
        break;
    case NameOrOrdinal::Ordinal:
        w.U16(0xFFFF);
        w.U16(field.ordinal);
        break;
    case NameOrOrdinal::Text:
        w.WString(field.text);
        break;
    }
}

void WriteMenuItems(ByteWriter& w, const std::vector<MenuItem>& items)
{
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        std::uint16_t flags = item.flags;
        if (item.popup)
            flags |= kMfPopup;
        if (i + 1 == items.size())
            flags |= kMfEnd;
        w.U16(flags);
        if (!item.popup)
            w.U16(item.id);
        w.WString(item.text);
        if (item.popup)
            WriteMenuItems(w, item.children);
    }
}

std::uint32_t ReadU32(const std::vector<std::uint8_t>& b, size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t ReadU16(const std::vector<std::uint8_t>& b, size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

} // namespace

std::vector<std::uint8_t> EncodeDialog(const DialogTemplate& d)
{
    ByteWriter w;
    std::uint16_t count = static_cast<std::uint16_t>(d.controls.size());
    if (d.extended) {
        w.U16(1);
        w.U16(0xFFFF);
        w.U32(d.helpId);
        w.U32(d.exStyle);
        w.U32(d.style);
    } else {
        w.U32(d.style);
        w.U32(d.exStyle);
    }
    w.U16(count);
    for (std::int16_t v : {d.x, d.y, d.cx, d.cy})
        w.U16(static_cast<std::uint16_t>(v));
    WriteField(w, d.menu);
    WriteField(w, d.windowClass);
    w.WString(d.caption);
    if (d.style & kDsSetFont) {
        w.U16(d.pointSize);
        if (d.extended) {
            w.U16(d.weight);
            w.U8(d.italic);
            w.U8(d.charset);
        }
        w.WString(d.face);
    }
    for (const DialogItem& c : d.controls) {
        w.Align4();
        if (d.extended) {
            w.U32(c.helpId);
            w.U32(c.exStyle);
            w.U32(c.style);
        } else {
            w.U32(c.style);
            w.U32(c.exStyle);
        }
        for (std::int16_t v : {c.x, c.y, c.cx, c.cy})
            w.U16(static_cast<std::uint16_t>(v));
        if (d.extended)
            w.U32(c.id);
        else
            w.U16(static_cast<std::uint16_t>(c.id));
        WriteField(w, c.windowClass);
        WriteField(w, c.text);
        w.U16(0); // no creation data
    }
    return std::move(w.Data());
}

std::vector<std::uint8_t> EncodeMenu(const std::vector<MenuItem>& items)
{
    ByteWriter w;
    w.U16(0); // MENUITEMTEMPLATEHEADER: version 0, no extra header bytes
    w.U16(0);
    WriteMenuItems(w, items);
    return std::move(w.Data());
}

std::vector<std::uint8_t> EncodeAccelerators(const std::vector<AccelEntry>& entries)
{
    ByteWriter w;
    for (size_t i = 0; i < entries.size(); ++i) {
        w.U16(static_cast<std::uint16_t>(entries[i].flags | (i + 1 == entries.size() ? kAccelLast : 0)));
        w.U16(entries[i].key);
        w.U16(entries[i].id);
        w.U16(0);
    }
    return std::move(w.Data());
}

std::map<std::uint16_t, std::vector<std::uint8_t>>
EncodeStringTable(const std::map<std::uint16_t, std::u16string>& strings)
{
    static const std::u16string kEmpty;
    std::map<std::uint16_t, std::vector<std::uint8_t>> blocks;
    std::uint32_t previous = 0x10000;
    for (const auto& [id, text] : strings) {
        std::uint16_t block = static_cast<std::uint16_t>((id >> 4) + 1);
        if (block == previous)
            continue;
        previous = block;
        ByteWriter w;
        for (std::uint32_t slot = 0; slot < 16; ++slot) {
            auto it = strings.find(static_cast<std::uint16_t>(((block - 1u) << 4) | slot));
            const std::u16string& s = it == strings.end() ? kEmpty : it->second;
            w.U16(static_cast<std::uint16_t>(s.size()));
            for (char16_t c : s)
                w.U16(static_cast<std::uint16_t>(c));
        }
        blocks[block] = std::move(w.Data());
    }
    return blocks;
}

bool PackedBitmapFromFile(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& out, std::string& error)
{
    constexpr size_t kFileHeader = 14;
    if (file.size() < kFileHeader + 12 || file[0] != 'B' || file[1] != 'M') {
        error = "not a BMP file";
        return false;
    }
    std::uint32_t infoSize = ReadU32(file, kFileHeader);
    if (infoSize < 12 || kFileHeader + infoSize > file.size()) {
        error = "BMP file with a damaged header";
        return false;
    }
    out.assign(file.begin() + kFileHeader, file.end());
    return true;
}

bool IconGroupFromFile(const std::vector<std::uint8_t>& file, bool cursor, ResourceSet& set,
                       std::vector<std::uint8_t>& group, std::string& error)
{
    const char* kind = cursor ? "cursor" : "icon";
    if (file.size() < 6 || ReadU16(file, 0) != 0 || ReadU16(file, 2) != (cursor ? 2 : 1)) {
        error = std::string("not an ") + (cursor ? "CUR" : "ICO") + " file";
        return false;
    }
    std::uint16_t count = ReadU16(file, 4);
    if (count == 0 || 6 + 16u * count > file.size()) {
        error = std::string("damaged ") + kind + " directory";
        return false;
    }
    ByteWriter dir;
    dir.U16(0);
    dir.U16(cursor ? 2 : 1);
    dir.U16(count);
    const std::uint32_t imageType = cursor ? kRtCursor : kRtIcon;
    for (std::uint16_t i = 0; i < count; ++i) {
        size_t e = 6 + 16u * i;
        std::uint8_t width = file[e], height = file[e + 1], colors = file[e + 2];
        std::uint16_t planesOrHotX = ReadU16(file, e + 4), bitsOrHotY = ReadU16(file, e + 6);
        std::uint32_t size = ReadU32(file, e + 8), offset = ReadU32(file, e + 12);
        if (size == 0 || offset > file.size() || size > file.size() - offset) {
            error = std::string("damaged ") + kind + " image " + std::to_string(i);
            return false;
        }
        ByteWriter image;
        if (cursor) {
            image.U16(planesOrHotX);
            image.U16(bitsOrHotY);
        }
        image.Bytes(file.data() + offset, size);
        std::uint32_t ordinal = set.FreeOrdinal(imageType);
        if (ordinal > 0xFFFF) {
            error = "no free image ordinal";
            return false;
        }
        set.Add(ResId::Ordinal(imageType), ResId::Ordinal(ordinal), std::move(image.Data()));
        if (cursor) {
            // A cursor's group entry gives the height of the colour and mask
            // bitmaps together, and the real bit depth of the image.
            std::uint16_t bits = size >= 16 && ReadU32(file, offset) == 40 ? ReadU16(file, offset + 14) : 1;
            dir.U16(width == 0 ? 256 : width);
            dir.U16(static_cast<std::uint16_t>((height == 0 ? 256 : height) * 2));
            dir.U16(1);
            dir.U16(bits);
            dir.U32(size + 4);
        } else {
            dir.U8(width);
            dir.U8(height);
            dir.U8(colors);
            dir.U8(0);
            dir.U16(planesOrHotX);
            dir.U16(bitsOrHotY);
            dir.U32(size);
        }
        dir.U16(static_cast<std::uint16_t>(ordinal));
    }
    group = std::move(dir.Data());
    return true;
}

} // namespace rescomp
