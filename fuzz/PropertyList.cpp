// The graphics archive and the property lists stored in it: any bytes, read
// through an archive with a small or a direct buffer. A list that loads is
// stored again, and what was stored loads to the same items.

#include <vector>

#include "Win32/Imaging/GfxArchive.h"
#include "Win32/Imaging/PropertyList.h"
#include "fuzz/FuzzSupport.h"

namespace {

// Loads a list from `bytes`; the result of Serialize.
INT Loaded(const std::vector<BYTE>& bytes, BOOL direct, DWORD bufferSize, CPropertyList& list)
{
    CGfxMemoryFile file(bytes, direct);
    CGfxArchive archive(file, CGfxArchive::kLoad, bufferSize);
    return list.Serialize(archive);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the buffer: direct, or of 1 to 127 bytes.
    const BOOL direct = (data[0] & 0x80) != 0;
    const DWORD bufferSize = 1 + (data[0] & 0x7F);
    const std::vector<BYTE> bytes(data + 1, data + size);

    CPropertyList list;
    if (Loaded(bytes, direct, bufferSize, list) != 0)
        return 0;
    for (INT i = 0; i < list.GetItemCount(); ++i)
        (void)list.GetProperty(i);

    CGfxMemoryFile stored;
    {
        CGfxArchive archive(stored, CGfxArchive::kStore);
        if (list.Serialize(archive) != 0)
            return 0;
    }
    CPropertyList again;
    FUZZ_CHECK(Loaded(stored.GetBytes(), FALSE, 0, again) == 0, "a stored list loads");
    FUZZ_CHECK(again.GetItemCount() == list.GetItemCount(), "with as many items");

    // The archive's own fields, over the same bytes.
    CGfxMemoryFile file(bytes, direct);
    CGfxArchive archive(file, CGfxArchive::kLoad, bufferSize);
    BYTE u8 = 0;
    WORD u16 = 0;
    DWORD u32 = 0;
    ULONGLONG u64 = 0;
    float f = 0;
    double d = 0;
    while (archive.ReadU8(u8) && archive.ReadU16(u16) && archive.ReadU32(u32) && archive.ReadU64(u64) &&
           archive.ReadFloat(f) && archive.ReadDouble(d)) {
    }
    return 0;
}
