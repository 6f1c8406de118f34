// Storyboard files (".SBD") as the document reads them
// (CSBDoc::InsertStoryboardFile). Any bytes give a result code, 0 or the
// number of slots the index names, with no more items left out than that;
// nothing read lasts longer than a day or less than nothing; and a
// storyboard that reads saves and reads back to the same slots, leaving
// nothing out. No media file is opened: an input may name any path, so
// every media file is missing and no reader is made.

#include <algorithm>
#include <cstdlib>
#include <string>

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/AfxMessageBoxHandler.h"
#include "Platform/Mfc/AfxResources.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Win32/Sb/Document/SBDoc.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/StoryboardItem.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr double kDay = 24.0 * 60.0 * 60.0;

// The shell asks nobody: no media file is found, no setting is set, every
// message is answered at once.
class QuietShell : public CShellServices {
public:
    INT FindMissingMedia(CString*, INT, INT) override { return 0; }
    INT GetProfileInt(LPCSTR, LPCSTR, INT missing) override { return missing; }
    CString GetProfileString(LPCSTR, LPCSTR, LPCSTR missing) override { return missing; }
    int MessageBox(LPCSTR, LPCSTR, UINT) override { return IDOK; }
    void Beep(UINT) override {}
};

class NoReaders : public CMediaReaderFactory {
public:
    CMediaSource* CreateDShowReader(LPCSTR) override { return nullptr; }
    CMediaSource* CreateAviFileReader(LPCSTR) override { return nullptr; }
    CMediaSource* CreateStillImageReader(LPCSTR) override { return nullptr; }
    CMediaSource* CreateRealMediaReader(LPCSTR) override { return nullptr; }
};

// 'S' scene, 'T' transition, '.' empty, slot by slot.
std::string Layout(const CSBDoc& doc)
{
    std::string layout;
    for (INT i = 0; i <= doc.GetLastIndex(); ++i) {
        const StoryboardItem* item = doc.GetItem(i);
        layout += item == nullptr ? '.' : item->GetKind() == StoryboardItem::kKindScene ? 'S' : 'T';
    }
    return layout;
}

bool WithinADay(double seconds)
{
    return seconds >= 0.0 && seconds <= kDay;
}

void CheckTimes(const CSBDoc& doc)
{
    for (INT i = 0; i <= doc.GetLastIndex(); ++i) {
        const StoryboardItem* item = doc.GetItem(i);
        if (item == nullptr)
            continue;
        const std::string where = "slot " + std::to_string(i) + " of " + Layout(doc);
        if (item->GetKind() == StoryboardItem::kKindScene) {
            const auto* scene = static_cast<const Scene*>(item);
            FUZZ_CHECK(WithinADay(scene->GetDuration().GetSeconds()), where);
            FUZZ_CHECK(WithinADay(scene->GetInPoint().GetSeconds()), where);
        } else if (const TransitionEffect* effect = static_cast<const Transition*>(item)->GetEffect()) {
            FUZZ_CHECK(WithinADay(effect->GetADuration()), where);
            FUZZ_CHECK(WithinADay(effect->GetBDuration()), where);
            FUZZ_CHECK(WithinADay(effect->GetOverlapDuration()), where);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The document's settings live in a registry of the run's own.
    setenv("KESTRELON_REGISTRY_DIR", fuzz::ScratchFolder().c_str(), 1);
    // The section and entry names come from the resource modules beside
    // the program, kept with the application's default switch for the
    // whole run, as the application keeps them.
    struct Resources {
        CResourceSwitch application;
        CResourceModules modules;
    };
    static Resources* resources = new Resources();
    FUZZ_CHECK(resources->modules.IsLoaded(), "the resource modules load from the program's folder");
    AfxSetResourceHandle(GetModuleHandleA(nullptr));
    static QuietShell shell;
    CShellServices::Set(&shell);
    static NoReaders readers;
    CMediaFile::SetReaderFactory(&readers);
    AfxSetMessageBoxHandler([](LPCSTR, UINT, UINT) { return IDOK; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input = fuzz::WriteScratchFile("input.sbd", data, size);
    CSBDoc doc;
    const INT result = doc.InsertStoryboardFile(input.c_str(), 0);
    FUZZ_CHECK(result >= CSBDoc::kCannotRead && result <= Storyboard::kMaxSlots, std::to_string(result));
    FUZZ_CHECK(result > 0 || doc.IsStoryboardEmpty(), std::to_string(result));
    FUZZ_CHECK(doc.GetDroppedItemCount() >= 0 && doc.GetDroppedItemCount() <= std::max(result, 0),
               std::to_string(doc.GetDroppedItemCount()) + " left out of " + std::to_string(result));
    CheckTimes(doc);
    // A storyboard that fills every slot cannot be read back: the reader
    // takes at most 4095 slots at slot 0.
    if (doc.IsStoryboardEmpty() || doc.GetLastIndex() + 1 >= Storyboard::kMaxSlots)
        return 0;

    // Saved and read back: the same slots, nothing left out.
    const std::string output = fuzz::ScratchFolder() + "/output.sbd";
    FUZZ_CHECK(doc.SaveStoryboard(output.c_str()), output);
    CSBDoc again;
    FUZZ_CHECK(again.InsertStoryboardFile(output.c_str(), 0) == doc.GetLastIndex() + 1, Layout(doc));
    FUZZ_CHECK(Layout(again) == Layout(doc), Layout(doc) + " read back as " + Layout(again));
    FUZZ_CHECK(again.GetDroppedItemCount() == 0, Layout(doc));
    return 0;
}
