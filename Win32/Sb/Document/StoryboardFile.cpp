// The storyboard profile: writing slots of the storyboard into it and
// merging one, read from a file or the clipboard, into the storyboard.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>

#include "Platform/Win/User/Clipboard.h"
#include "Win32/Sb/Document/AudioClipList.h"
#include "Win32/Sb/Document/Effect.h"
#include "Win32/Sb/Document/ProfileKeys.h"
#include "Win32/Sb/Document/SBDoc.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/SceneAudio.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/Profile.h"

namespace {

// Untranslated names of the frame.
constexpr UINT kHeaderComment = 1103;
constexpr UINT kHeaderSection = 1104;
constexpr UINT kIndexSection = 1105;
constexpr UINT kFileTypeKey = 1106;
constexpr UINT kVersionKey = 1107;
constexpr UINT kFileType = 1108;
constexpr UINT kVersion = 1109;
constexpr UINT kCountKey = 1110;
constexpr UINT kReservedName = 1111;
constexpr UINT kFirstKey = 1112;
constexpr UINT kItemPrefix = 1113;
constexpr UINT kKindKey = 1114;
constexpr UINT kSceneKind = 1115;
constexpr UINT kTransitionKind = 1116;
constexpr UINT kReservedWriterName1 = 1117;
constexpr UINT kReservedWriterName2 = 1118;
constexpr UINT kLibraryNameKey = 1119;
constexpr UINT kLibraryPathKey = 1124;
constexpr UINT kSettingsSection = 1280;
constexpr char kSaveLibraryEntry[] = "SaveLibraryWithProduction";
// The older layout, whose items stand one slot off.
constexpr char kOlderVersion[] = "1.0";

// Language strings.
constexpr UINT kExtension = 69;
constexpr UINT kTooManyMessage = 2019;
constexpr UINT kFromFile = 2020;
constexpr UINT kFromClipboard = 2021;
constexpr UINT kNothingReadMessage = 2023;
constexpr UINT kNotMergedMessage = 2024;
constexpr UINT kDroppedMessage = 2025;
constexpr UINT kCaption = 2003;
constexpr UINT kMediaShortenedMessage = 35071;

bool AllLoaded(const CProfileKeys& names, std::initializer_list<UINT> ids)
{
    for (UINT id : ids) {
        if (names.Name(id) == nullptr)
            return false;
    }
    return true;
}

CString ItemSection(const CProfileKeys& names, INT slot)
{
    CString section;
    section.Format("%s_%d", names.Name(kItemPrefix), slot);
    return section;
}

// A decimal integer entry within low..high; FALSE when it is missing, not
// a number or out of range (a damaged index is refused, never wrapped).
BOOL GetBoundedInt(const CProfile& profile, LPCSTR section, LPCSTR entry, long low, long high, INT* value)
{
    LPCSTR text = profile.GetValue(section, entry);
    if (text == nullptr)
        return FALSE;
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text, &end, 10);
    while (end != nullptr && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == text || end == nullptr || *end != '\0' || errno == ERANGE || number < low || number > high)
        return FALSE;
    *value = static_cast<INT>(number);
    return TRUE;
}

// The longest duration or time an item read from a storyboard may hold: a
// day. No recording a scene is cut from runs that long, and within a day
// the counts the program derives from an item (milliseconds in 32 bits,
// frames at the rates it plays, reference time) stay far from overflowing.
// A time stored negative reads back with a huge unsigned field, so it lies
// past the day too.
constexpr double kLongestItemSeconds = 24.0 * 60.0 * 60.0;

bool WithinADay(double seconds)
{
    return std::isfinite(seconds) && seconds >= 0.0 && seconds <= kLongestItemSeconds;
}

bool WithinADay(const CMediaTime& time)
{
    return WithinADay(time.GetSeconds());
}

bool MillisecondsWithinADay(INT milliseconds)
{
    return WithinADay(milliseconds / 1000.0);
}

bool ClipsWithinADay(const SceneAudio& audio)
{
    for (INT track = 0; track < SceneAudio::kTrackCount; ++track) {
        AudioClipList* clips = audio.GetTrack(track);
        for (INT i = 0; clips != nullptr && i < clips->GetCount(); ++i) {
            const AudioClip* clip = clips->GetAt(i);
            if (clip != nullptr
                && (!MillisecondsWithinADay(clip->GetInPoint()) || !MillisecondsWithinADay(clip->GetOutPoint())
                    || !MillisecondsWithinADay(clip->GetStartOffset())))
                return false;
        }
    }
    return true;
}

// The scene's length, in point and thumbnail time, its effects' key times
// and its sound clips' times, and the same of every overlay it carries.
bool SceneWithinADay(const Scene& scene)
{
    for (const Scene* layer = &scene; layer != nullptr; layer = layer->GetOverlayScene()) {
        if (!WithinADay(layer->GetDuration()) || !WithinADay(layer->GetInPoint())
            || !WithinADay(layer->GetThumbnailTime()) || !ClipsWithinADay(*layer->GetAudio()))
            return false;
        const EffectList& effects = layer->GetEffects();
        for (INT i = 0; i < effects.GetCount(); ++i) {
            const Effect* effect = effects.GetAt(i);
            for (int key = 0; effect != nullptr && key < 4; ++key) {
                if (!WithinADay(effect->GetKeyTime(key)))
                    return false;
            }
        }
    }
    return true;
}

bool TransitionWithinADay(const Transition& transition)
{
    const TransitionEffect* effect = transition.GetEffect();
    return effect == nullptr
        || (WithinADay(effect->GetADuration()) && WithinADay(effect->GetBDuration())
            && WithinADay(effect->GetOverlapDuration()));
}

// The item of one item section, or null when the section gives none that
// can be used: no kind or one of neither item, a scene without material or
// a transition that does not read (a section cut short leaves either), or a
// duration or time outside a day.
StoryboardItem* ReadItem(const CProfileKeys& names, CProfile& profile, const CString& section,
                         const CString& folder)
{
    LPCSTR kind = profile.GetValue(section, names.Name(kKindKey));
    if (kind == nullptr)
        return nullptr;
    if (std::strcmp(kind, names.Name(kSceneKind)) == 0) {
        std::unique_ptr<Scene> scene(new (std::nothrow) Scene(folder, &profile, section));
        if (scene == nullptr || !scene->IsValid() || !SceneWithinADay(*scene))
            return nullptr;
        return scene.release();
    }
    if (std::strcmp(kind, names.Name(kTransitionKind)) == 0) {
        std::unique_ptr<Transition> transition(new (std::nothrow) Transition(&profile, section));
        if (transition == nullptr || !transition->IsValid() || !TransitionWithinADay(*transition))
            return nullptr;
        return transition.release();
    }
    return nullptr;
}

// The names of `ids`, none when one of them does not load.
std::optional<CProfileKeys> LoadNames(std::initializer_list<UINT> ids)
{
    std::optional<CProfileKeys> names(std::in_place, ids);
    if (!AllLoaded(*names, ids))
        names.reset();
    return names;
}

// A warning over the strip, under the document's caption.
void ShowWarning(HWND strip, const CString& text)
{
    CSBDocHost::Get().ShowMessage(strip, text, CSBDoc::LoadLanguageString(kCaption), 0x30);
}

// A storyboard profile read from a file or from the clipboard, and what
// its header says of it.
struct StoryboardText {
    CProfile profile;
    bool fromFile = false;
    // A file's folder, where its relative media paths start.
    CString folder;
    // The older layout, whose items stand one slot off its index.
    bool older = false;
};

// The profile of the file at `path`, whose name must end in the storyboard
// extension, or of the clipboard for a null path; kCannotRead when there
// is none.
INT LoadStoryboardText(LPCSTR path, HWND strip, StoryboardText& board)
{
    board.fromFile = path != nullptr;
    if (!board.fromFile)
        return board.profile.IsClipboardAvailable(strip) && board.profile.PasteFromClipboard(strip)
            ? 0
            : CSBDoc::kCannotRead;
    if (board.profile.Load(path) != CProfile::kOk)
        return CSBDoc::kCannotRead;
    const CString extension = CSBDoc::LoadLanguageString(kExtension);
    const CString name(path);
    if (extension.GetLength() < 4 || name.GetLength() < 4 || name.Right(4).CompareNoCase(extension.Right(4)) != 0)
        return CSBDoc::kCannotRead;
    board.folder = name;
    StripToDirectory(board.folder);
    return 0;
}

// 0 for the header of a storyboard of the current or (`older` set) the
// older layout; kNoHeader, kBadFileType or kBadVersion for any other.
INT ReadHeader(const CProfileKeys& names, const CProfile& profile, bool* older)
{
    LPCSTR header = names.Name(kHeaderSection);
    if (!profile.HasSection(header))
        return CSBDoc::kNoHeader;
    LPCSTR fileType = profile.GetValue(header, names.Name(kFileTypeKey));
    if (fileType == nullptr || std::strcmp(fileType, names.Name(kFileType)) != 0)
        return CSBDoc::kBadFileType;
    LPCSTR version = profile.GetValue(header, names.Name(kVersionKey));
    if (version == nullptr)
        return CSBDoc::kBadVersion;
    *older = std::strcmp(version, kOlderVersion) == 0;
    if (!*older && std::strcmp(version, names.Name(kVersion)) != 0)
        return CSBDoc::kBadVersion;
    return 0;
}

// Opens the library a file's header names, its path taken from the file's
// folder.
void OpenHeaderLibrary(const CProfileKeys& names, const StoryboardText& board)
{
    LPCSTR header = names.Name(kHeaderSection);
    LPCSTR libraryPath = board.profile.GetValue(header, names.Name(kLibraryPathKey));
    LPCSTR libraryName = board.profile.GetValue(header, names.Name(kLibraryNameKey));
    if (libraryPath == nullptr || *libraryPath == '\0' || libraryName == nullptr)
        return;
    CString library(libraryPath);
    ResolveRelativePath(board.folder, library);
    CSBDocHost::Get().OpenLibrary(library, libraryName);
}

// The slots the index names: `count` of them from `first`.
struct SlotIndex {
    INT first = 0;
    INT count = 0;
};

// FALSE when there is no index. A damaged count or first slot reads as no
// index at all: nothing is inserted.
bool ReadIndex(const CProfileKeys& names, const CProfile& profile, SlotIndex* index)
{
    LPCSTR section = names.Name(kIndexSection);
    INT count = 0;
    if (!profile.HasSection(section)
        || !GetBoundedInt(profile, section, names.Name(kCountKey), -1, Storyboard::kMaxSlots - 1, &count)
        || !GetBoundedInt(profile, section, names.Name(kFirstKey), 0, Storyboard::kMaxSlots - 1, &index->first))
        return false;
    index->count = count + 1;
    return true;
}

// What reading the item sections gave.
struct SlotsRead {
    // Whether any item went into the scratch storyboard.
    bool any = false;
    // The items left out.
    INT dropped = 0;
    // Where the items stand from the slots their sections name: 1 in a file
    // of the older layout, -1 when such a file lacks its first section.
    INT shift = 0;
};

// Reads the items of the index's slots into `scratch`.
SlotsRead ReadSlots(const CProfileKeys& names, StoryboardText& board, const SlotIndex& index, Storyboard& scratch,
                    HWND strip)
{
    SlotsRead read;
    read.shift = board.fromFile && board.older ? 1 : 0;
    INT lastSection = -1;
    for (INT i = 0; i < index.count; ++i) {
        const INT slot = index.first + i;
        const CString section = ItemSection(names, slot);
        if (!board.profile.HasSection(section)) {
            if (i == 0 && read.shift == 1)
                read.shift = -1;
            continue;
        }
        lastSection = i;
        // A section that gives no usable item is left out and counted.
        StoryboardItem* item = ReadItem(names, board.profile, section, board.folder);
        if (item == nullptr) {
            ++read.dropped;
            continue;
        }
        if (item->GetKind() == StoryboardItem::kKindScene && static_cast<Scene*>(item)->IsMediaMissing()) {
            CSBDocHost::Get().ShowMessage(strip, CSBDoc::LoadLanguageString(kMediaShortenedMessage), nullptr, 0);
            static_cast<Scene*>(item)->ClearMediaMissing();
        }
        // An item the storyboard refuses (the wrong parity after the older
        // layout's shift, or a slot past the limit) is left out and counted.
        if (scratch.SetItem(item, slot + read.shift) != Storyboard::kResultOk) {
            delete item;
            ++read.dropped;
            continue;
        }
        read.any = true;
    }
    // A storyboard file is written up to the last slot its index names,
    // which holds the storyboard's last item; a file without that section
    // was cut short (a partial copy or download), and every slot after its
    // last section counts as an item lost with the rest of the file. (A
    // range saved up to empty slots reads the same way: a word too many is
    // better than a storyboard shortened in silence.) The clipboard hands
    // its text over whole, and the older layout's items stand one slot off
    // its index, so neither is judged so.
    if (board.fromFile && !board.older)
        read.dropped += index.count - 1 - lastSection;
    return read;
}

// Moves the items read into `storyboard` at `slot`, or one slot away when
// their range starts on the other parity; the storyboard's result.
INT MergeSlots(Storyboard& storyboard, Storyboard& scratch, INT slot, const SlotIndex& index, INT shift)
{
    // The range from the first slot to where the shift moved the last one;
    // none when the shift left nothing (-1 would mean the last index).
    // Slots past the limit held nothing that could be placed.
    const INT last = std::min(index.first + index.count + shift - 1, Storyboard::kMaxSlots - 1);
    if (last < index.first)
        return Storyboard::kResultWrongKind;
    const INT merged = storyboard.InsertFrom(scratch, slot, index.first, last);
    if (merged == Storyboard::kResultOk)
        return merged;
    return storyboard.InsertFrom(scratch, slot == 0 ? 1 : slot - 1, index.first, last);
}

} // namespace

CProfile* CSBDoc::BuildStoryboardProfile(LPCSTR folder, INT first, INT last)
{
    const CProfileKeys names({kHeaderComment, kHeaderSection, kIndexSection, kFileTypeKey, kVersionKey, kFileType,
                              kVersion, kCountKey, kReservedName, kFirstKey, kItemPrefix, kKindKey, kSceneKind,
                              kTransitionKind, kReservedWriterName1, kReservedWriterName2, kLibraryNameKey,
                              kLibraryPathKey, kSettingsSection});
    if (!AllLoaded(names, {kHeaderComment, kHeaderSection, kIndexSection, kFileTypeKey, kVersionKey, kFileType,
                           kVersion, kCountKey, kReservedName, kFirstKey, kItemPrefix, kKindKey, kSceneKind,
                           kTransitionKind, kReservedWriterName1, kReservedWriterName2, kLibraryNameKey,
                           kLibraryPathKey}))
        return nullptr;
    if (folder == nullptr)
        folder = "";

    INT count = 0;
    if (first == -1 && last == -1) {
        first = 0;
        count = GetLastIndex();
    } else {
        if (first < 0 || last < 0)
            return nullptr;
        if (last < first)
            std::swap(first, last);
        count = last - first;
    }

    auto* profile = new (std::nothrow) CProfile;
    if (profile == nullptr)
        return nullptr;
    LPCSTR header = names.Name(kHeaderSection);
    profile->SetHeader(names.Name(kHeaderComment));
    profile->SetSection(header);
    profile->SetValue(header, names.Name(kFileTypeKey), names.Name(kFileType));
    profile->SetValue(header, names.Name(kVersionKey), names.Name(kVersion));
    if (names.Name(kSettingsSection) != nullptr
        && CShellServices::Get().GetProfileInt(names.Name(kSettingsSection), kSaveLibraryEntry, 0) != 0) {
        CSBDocHost& host = CSBDocHost::Get();
        profile->SetValue(header, names.Name(kLibraryNameKey), host.GetLibraryName());
        CString libraryPath = host.GetLibraryPath();
        if (*folder != '\0')
            CShellServices::Get().MakePathRelative(folder, &libraryPath);
        profile->SetValue(header, names.Name(kLibraryPathKey), libraryPath);
    }

    LPCSTR index = names.Name(kIndexSection);
    profile->SetSection(index);
    profile->SetInt(index, names.Name(kCountKey), count);
    profile->SetInt(index, names.Name(kFirstKey), first);
    for (INT i = 0; i <= count; ++i) {
        const INT slot = first + i;
        StoryboardItem* item = GetItem(slot);
        if (item == nullptr)
            continue;
        const CString section = ItemSection(names, slot);
        if (item->GetKind() == StoryboardItem::kKindScene) {
            profile->SetValue(section, names.Name(kKindKey), names.Name(kSceneKind));
            static_cast<Scene*>(item)->Save(folder, profile, section);
        } else {
            profile->SetValue(section, names.Name(kKindKey), names.Name(kTransitionKind));
            static_cast<Transition*>(item)->Save(profile, section);
        }
    }
    return profile;
}

INT CSBDoc::InsertStoryboardFile(LPCSTR path, INT slot)
{
    CSBDocHost& host = CSBDocHost::Get();
    const HWND strip = host.GetStripWindow();
    m_nDroppedItems = 0;
    host.ResetMissingMediaSearch();

    StoryboardText board;
    if (const INT loaded = LoadStoryboardText(path, strip, board); loaded != 0)
        return loaded;
    const std::optional<CProfileKeys> names =
        LoadNames({kHeaderSection, kIndexSection, kFileTypeKey, kVersionKey, kFileType, kVersion, kCountKey,
                   kReservedName, kFirstKey, kItemPrefix, kKindKey, kSceneKind, kTransitionKind, kLibraryNameKey,
                   kLibraryPathKey});
    if (!names)
        return kCannotRead;
    if (const INT header = ReadHeader(*names, board.profile, &board.older); header != 0)
        return header;
    if (board.fromFile)
        OpenHeaderLibrary(*names, board);
    SlotIndex index;
    if (!ReadIndex(*names, board.profile, &index))
        return 0;
    if (slot + index.count >= Storyboard::kMaxSlots) {
        CString text;
        text.Format(LoadLanguageString(kTooManyMessage),
                    static_cast<LPCSTR>(LoadLanguageString(board.fromFile ? kFromFile : kFromClipboard)),
                    Storyboard::kMaxSlots / 2 - 1);
        ShowWarning(strip, text);
        return 0;
    }
    if (index.count == 0)
        return 0;

    m_bMediaRelocated = 0;
    const INT lastBefore = GetLastIndex();
    Storyboard scratch;
    const SlotsRead read = ReadSlots(*names, board, index, scratch, strip);
    m_nDroppedItems += read.dropped;

    if (MergeSlots(*m_pStoryboard, scratch, slot, index, read.shift) != Storyboard::kResultOk) {
        ShowMessage(strip, read.any ? kNotMergedMessage : kNothingReadMessage);
    } else if (board.fromFile) {
        if (!m_bMediaRelocated)
            m_pStoryboard->SetModified(FALSE);
        for (INT i = 1; i <= GetLastIndex(); i += 2) {
            if (TransitionEffect* effect = GetTransitionEffect(i)) {
                ClampTransition(effect, i);
                ApplyTransition(effect, i, TRUE);
            }
        }
    }
    if (GetLastIndex() != lastBefore && lastBefore != -1)
        m_pStoryboard->SetModified(TRUE);
    if (m_nDroppedItems > 0) {
        CString text;
        text.Format(LoadLanguageString(kDroppedMessage), m_nDroppedItems);
        ShowWarning(strip, text);
    }
    return index.count;
}

BOOL CSBDoc::CanPaste()
{
    const HWND strip = CSBDocHost::Get().GetStripWindow();
    if (::OpenClipboard(strip)) {
        const BOOL files = ::IsClipboardFormatAvailable(CF_HDROP);
        ::CloseClipboard();
        if (files)
            return TRUE;
    }
    CProfile profile;
    if (!profile.IsClipboardAvailable(strip) || !profile.PasteFromClipboard(strip))
        return FALSE;
    const std::optional<CProfileKeys> names =
        LoadNames({kHeaderSection, kIndexSection, kFileTypeKey, kVersionKey, kFileType, kVersion});
    if (!names)
        return FALSE;
    // Only the current version: the clipboard never held the older layout.
    bool older = false;
    return ReadHeader(*names, profile, &older) == 0 && !older && profile.HasSection(names->Name(kIndexSection));
}
