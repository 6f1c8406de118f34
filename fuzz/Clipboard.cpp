// The program's clipboard format: a storyboard item pasted as CF_DSPTEXT,
// a 4-byte length and the profile text. Any block on the clipboard under
// that format is taken or refused whole, and a profile pasted from it
// copies back to the clipboard and pastes again the same.

#include <cstring>
#include <string>

#include "Platform/Win/Win32.h"
#include "Win32/Utils/GlobalBlob.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/tests/ProfileRoundTrip.h"
#include "fuzz/FuzzSupport.h"

namespace {

void PutOnClipboard(const uint8_t* data, size_t size)
{
    FUZZ_CHECK(OpenClipboard(nullptr), "the clipboard opens");
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block) {
        if (size)
            std::memcpy(GlobalLock(block), data, size);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_DSPTEXT, block))
            GlobalFree(block);
    }
    CloseClipboard();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Pasting goes through a temporary file.
    setenv("TMPDIR", fuzz::ScratchFolder().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PutOnClipboard(data, size);
    CGlobalBlob blob;
    if (blob.GetFromClipboard(nullptr, CF_DSPTEXT))
        FUZZ_CHECK(blob.GetUsed() + 4 <= size, "no more than the block holds");
    CProfile pasted;
    if (!pasted.PasteFromClipboard(nullptr))
        return 0;
    FUZZ_CHECK(pasted.CopyToClipboard(nullptr), "a pasted profile copies");
    CProfile again;
    FUZZ_CHECK(again.PasteFromClipboard(nullptr), "and pastes again");
    const std::string difference = profile_test::Difference(pasted, again);
    FUZZ_CHECK(difference.empty(), difference);
    return 0;
}
