#include "Win32/Sb/Document/SBDoc.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Win/User/Clipboard.h"
#include "Platform/Win/User/MessageBox.h"
#include "Win32/Imaging/SharedPalette.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr UINT kMissingFilterMessage = 2026;
constexpr UINT kNoSuchFileMessage = 2018;
constexpr UINT kUnusableMediaMessage = 3375;
constexpr UINT kSceneRefusedMessage = 2029;
constexpr UINT kImportTitle = 62;
constexpr UINT kFilterParts[] = {65, 66, 67};
constexpr double kLastSlotLimit = 0x7FFF;

CSBDocHost g_standardHost;
CSBDocHost* g_host = &g_standardHost;
CDocProduction* g_production = nullptr;

// The text of string `id` with "%s" replaced by `argument`.
CString FormatLanguageString(UINT id, LPCSTR argument)
{
    CString text;
    text.Format(CSBDoc::LoadLanguageString(id), argument);
    return text;
}

double SecondsOf(const StoryboardItem* item)
{
    return item != nullptr ? item->GetDuration().GetSeconds() : 0.0;
}

// The overlap of the transition in `slot`, 0 for none or one without effect.
double OverlapAt(const Storyboard& storyboard, INT slot)
{
    const StoryboardItem* item = storyboard.GetItem(slot);
    if (item == nullptr || item->GetKind() != StoryboardItem::kKindTransition)
        return 0.0;
    return static_cast<const Transition*>(item)->GetOverlapDuration();
}

BOOL IsStillOrGenerated(const StoryboardItem* item)
{
    if (item == nullptr || item->GetKind() != StoryboardItem::kKindScene)
        return FALSE;
    const INT kind = static_cast<const Scene*>(item)->GetMediaKind();
    return kind == Scene::kMediaStill || kind == Scene::kMediaColor;
}

} // namespace

int CSBDocHost::ShowMessage(HWND, LPCSTR text, LPCSTR caption, UINT flags)
{
    if (caption == nullptr)
        return AfxMessageBox(text, flags);
    return CShellServices::Get().MessageBox(text, caption, flags);
}

CDocProducer* CSBDocHost::CreateProducer(Storyboard& storyboard, CProductionSettings& settings)
{
    return g_production != nullptr ? g_production->CreateProducer(storyboard, settings) : nullptr;
}

INT CSBDocHost::EstimateProduction(Storyboard& storyboard, CProductionSettings& settings, INT first, INT last,
                                   double* seconds, INT* frames, DWORD* audioBytesPerSecond, WAVEFORMATEX* audioFormat)
{
    if (g_production == nullptr)
        return 0;
    return g_production->EstimateProduction(storyboard, settings, first, last, seconds, frames, audioBytesPerSecond,
                                            audioFormat);
}

CDocProduction* CDocProduction::Get()
{
    return g_production;
}

CDocProduction* CDocProduction::Set(CDocProduction* production)
{
    CDocProduction* previous = g_production;
    g_production = production;
    return previous;
}

CSBDocHost& CSBDocHost::Get()
{
    return *g_host;
}

CSBDocHost* CSBDocHost::Set(CSBDocHost* host)
{
    CSBDocHost* previous = g_host;
    g_host = host != nullptr ? host : &g_standardHost;
    return previous;
}

IMPLEMENT_DYNCREATE(CSBDoc, CDocument)

CString CSBDoc::LoadLanguageString(UINT id)
{
    CResourceSwitch language(kResourceLanguage);
    CString text;
    text.LoadString(id);
    return text;
}
IMPLEMENT_DYNAMIC(KLSingleDocTemplate, CSingleDocTemplate)

CDocument* KLSingleDocTemplate::OpenDocumentFile(LPCSTR path, BOOL makeVisible)
{
    if (path == nullptr || *path == '\0')
        return CSingleDocTemplate::OpenDocumentFile(path, makeVisible);
    return CSingleDocTemplate::OpenDocumentFile(path, FALSE);
}

CSBDoc::CSBDoc()
{
    m_pStoryboard = new Storyboard;
    m_pProductionSettings = new CProductionSettings;
}

CSBDoc::~CSBDoc()
{
    delete m_pPaletteHolder;
    delete m_pStoryboard;
    delete m_pProductionSettings;
    delete m_pDefaultTextStyle;
    delete m_pPendingScene;
}

void CSBDoc::Serialize(CArchive&)
{
    // The document's file form is the storyboard profile, never an archive.
}

BOOL CSBDoc::OnOpenDocument(LPCSTR path)
{
    return CSBDocHost::Get().OpenStoryboardFile(path);
}

StoryboardItem* CSBDoc::GetItem(INT index) const
{
    return index < 0 ? nullptr : m_pStoryboard->GetItem(index);
}

INT CSBDoc::GetLastIndex() const
{
    return m_pStoryboard->GetLastIndex();
}

INT CSBDoc::ClearStoryboard()
{
    return m_pStoryboard->Clear();
}

BOOL CSBDoc::IsStoryboardModified() const
{
    return m_pStoryboard->IsModified();
}

BOOL CSBDoc::CanUndo() const
{
    return m_pStoryboard->HasUndo();
}

INT CSBDoc::Undo()
{
    return m_pStoryboard->Undo();
}

void CSBDoc::SetNotifyWindow(HWND window)
{
    m_pStoryboard->SetNotifyWindow(window);
}

INT CSBDoc::SetItemAt(StoryboardItem* item, INT index)
{
    if (!Storyboard::IsSceneIndex(index))
        return Storyboard::kResultParityMismatch;
    return m_pStoryboard->SetItem(item, index);
}

INT CSBDoc::InsertOrSetItem(StoryboardItem* item, INT index)
{
    if (!Storyboard::IsSceneIndex(index))
        return Storyboard::kResultParityMismatch;
    if (m_pStoryboard->GetItem(index) != nullptr)
        return m_pStoryboard->InsertItem(item, index);
    return m_pStoryboard->SetItem(item, index);
}

INT CSBDoc::RemoveRange(INT first, INT last)
{
    return m_pStoryboard->RemoveRange(first, last);
}

INT CSBDoc::MoveRange(INT first, INT last, INT target)
{
    return m_pStoryboard->MoveRange(target, first, last);
}

TransitionEffect* CSBDoc::GetTransitionEffect(INT index) const
{
    if (!Storyboard::IsTransitionIndex(index))
        return nullptr;
    StoryboardItem* item = m_pStoryboard->GetItem(index);
    if (item == nullptr || item->GetKind() != StoryboardItem::kKindTransition)
        return nullptr;
    return static_cast<Transition*>(item)->GetEffect();
}

INT CSBDoc::GetCellWidth(INT index) const
{
    return CSBDocHost::Get().GetCellWidth(index);
}

INT CSBDoc::GetStripHeight() const
{
    return CSBDocHost::Get().GetStripHeight();
}

void CSBDoc::ShowMessage(HWND owner, UINT textId, UINT captionId, UINT flags) const
{
    CSBDocHost::Get().ShowMessage(owner, LoadLanguageString(textId), LoadLanguageString(captionId), flags);
}

BOOL CSBDoc::SaveStoryboard(LPCSTR path)
{
    CString target = path != nullptr ? CString(path) : m_strStoryboardPath;
    CString folder = target;
    StripToDirectory(folder);
    std::unique_ptr<CProfile> profile(BuildStoryboardProfile(folder, -1, -1));
    if (profile == nullptr)
        return FALSE;
    // The profile goes to a new file that replaces the old one only once it
    // is complete; a failed write leaves the old file and the modified flag.
    if (target.IsEmpty() || profile->Save(target) != CProfile::kOk)
        return FALSE;
    m_pStoryboard->SetModified(FALSE);
    return TRUE;
}

BOOL CSBDoc::PutRangeOnClipboard(INT first, INT last)
{
    // An empty folder: the clipboard carries full media paths.
    std::unique_ptr<CProfile> profile(BuildStoryboardProfile("", first, last));
    return profile != nullptr && profile->CopyToClipboard(CSBDocHost::Get().GetStripWindow());
}

BOOL CSBDoc::CopyToClipboard(INT first, INT last)
{
    if (!PutRangeOnClipboard(first, last))
        return FALSE;
    m_pStoryboard->CopyRange(first, last);
    return TRUE;
}

BOOL CSBDoc::CutToClipboard(INT first, INT last)
{
    // The items leave the storyboard only once they are on the clipboard.
    if (!PutRangeOnClipboard(first, last))
        return FALSE;
    m_pStoryboard->CutRange(first, last);
    return TRUE;
}

void CSBDoc::Paste(INT slot)
{
    CSBDocHost& host = CSBDocHost::Get();
    const HWND strip = host.GetStripWindow();
    if (!::OpenClipboard(strip))
        return;
    host.BeginWaitCursor();
    const INT target = (slot & 1) != 0 ? slot + 1 : slot;
    if (::IsClipboardFormatAvailable(CF_HDROP)) {
        if (HANDLE files = ::GetClipboardData(CF_HDROP))
            host.DropFilesOnCell(target, files);
    } else {
        InsertStoryboardFile(nullptr, target);
    }
    ::CloseClipboard();
    host.EndWaitCursor();
}

void CSBDoc::GetMediaFileFilter(CString& filter) const
{
    filter.Empty();
    CResourceSwitch language(kResourceLanguage);
    for (UINT id : kFilterParts) {
        CString part;
        if (!part.LoadString(id)) {
            filter.Empty();
            return;
        }
        filter += part;
    }
}

void CSBDoc::SetPendingScene(Scene* scene)
{
    if (scene != m_pPendingScene)
        delete m_pPendingScene;
    m_pPendingScene = scene;
}

INT CSBDoc::ImportMediaFile()
{
    CSBDocHost& host = CSBDocHost::Get();
    SetPendingScene(nullptr);
    CString filter;
    GetMediaFileFilter(filter);
    if (filter.IsEmpty()) {
        ShowMessage(host.GetStripWindow(), kMissingFilterMessage);
        return 0;
    }
    CString path;
    if (!host.ChooseFileToOpen("scn", filter, LoadLanguageString(kImportTitle), path))
        return 0;
    host.BeginWaitCursor();
    if (!FileExistsStr(path)) {
        host.ShowMessage(host.GetStripWindow(), FormatLanguageString(kNoSuchFileMessage, path), nullptr,
                         MB_ICONEXCLAMATION);
        host.EndWaitCursor();
        return 0;
    }
    const int dot = path.ReverseFind('.');
    if (dot > 0) {
        CString extension = path.Mid(dot);
        INT target = host.GetStripCurrentSlot();
        if (target < 0)
            target = GetLastIndex() + 1;
        if ((target & 1) != 0)
            ++target;
        if (extension.CompareNoCase(".SBD") == 0) {
            InsertStoryboardFile(path, target);
        } else {
            auto* scene = new (std::nothrow) Scene(static_cast<LPCSTR>(path));
            if (scene == nullptr || !scene->IsValid() || scene->IsPassThroughCandidate()) {
                delete scene;
                host.ShowMessage(host.GetStripWindow(), FormatLanguageString(kUnusableMediaMessage, path), nullptr,
                                 MB_ICONEXCLAMATION);
                host.EndWaitCursor();
                return 0;
            }
            SetPendingScene(scene);
            host.CallLibrary(path, 0, 0);
            PlacePendingScene(target);
        }
        host.SelectSlot(target);
    }
    host.EndWaitCursor();
    return m_pPendingScene != nullptr ? 1 : 0;
}

BOOL CSBDoc::PlacePendingScene(INT slot)
{
    if (m_pPendingScene == nullptr || !Storyboard::IsSceneIndex(slot))
        return FALSE;
    Scene* scene = m_pPendingScene;
    m_pPendingScene = nullptr;
    if (InsertOrSetItem(scene, slot) != Storyboard::kResultOk) {
        // The storyboard refused it (no room below the slot limit): the
        // scene goes rather than being left nowhere.
        delete scene;
        ShowMessage(CSBDocHost::Get().GetStripWindow(), kSceneRefusedMessage);
        return FALSE;
    }
    return TRUE;
}

INT CSBDoc::AddScene(Scene* scene, INT slot)
{
    if (scene != nullptr && scene->IsValid() && Storyboard::IsSceneIndex(slot)) {
        const bool occupied = m_pStoryboard->GetItem(slot) != nullptr;
        const INT result = occupied ? m_pStoryboard->InsertItem(scene, slot) : m_pStoryboard->SetItem(scene, slot);
        if (result == Storyboard::kResultOk)
            return occupied ? kSceneInserted : kSceneSet;
    }
    ShowMessage(CSBDocHost::Get().GetStripWindow(), kSceneRefusedMessage);
    delete scene;
    return kSceneRefused;
}

INT CSBDoc::AddSceneFromFile(INT slot, LPCSTR path)
{
    if ((slot & 1) != 0)
        return kSceneRefused;
    CSBDocHost& host = CSBDocHost::Get();
    host.BeginWaitCursor();
    host.UpdateStripParent();
    const INT result = AddScene(new (std::nothrow) Scene(path), slot);
    host.EndWaitCursor();
    return result;
}

double CSBDoc::AvailableLength(INT sceneSlot, INT farSlot) const
{
    double length = SecondsOf(m_pStoryboard->GetItem(sceneSlot));
    if (farSlot >= 0 && m_pStoryboard->GetItem(farSlot) != nullptr)
        length -= OverlapAt(*m_pStoryboard, farSlot);
    return std::max(0.0, length);
}

void CSBDoc::InitTransitionDurations(TransitionEffect* effect, INT slot)
{
    if (effect == nullptr)
        return;
    const double still = Scene::DefaultStillDuration().GetSeconds();
    if (slot > 0 && m_pStoryboard->GetItem(slot - 1) != nullptr) {
        effect->SetADuration(static_cast<float>(AvailableLength(slot - 1, slot - 2)));
        effect->SetAUseColor(0);
    } else {
        if (effect->GetAUseColor() == 0)
            effect->SetADuration(static_cast<float>(still));
        effect->SetAUseColor(1);
    }
    if (m_pStoryboard->GetItem(slot + 1) != nullptr) {
        effect->SetBDuration(static_cast<float>(AvailableLength(slot + 1, slot + 2)));
        effect->SetBUseColor(0);
    } else {
        if (effect->GetBUseColor() == 0)
            effect->SetBDuration(static_cast<float>(still));
        effect->SetBUseColor(1);
    }
    const float shorter = std::min(effect->GetADuration(), effect->GetBDuration());
    if (effect->GetOverlapDuration() > shorter)
        effect->SetOverlapDuration(shorter);
    if (effect->GetOverlapDuration() == 0.0f)
        effect->SetOverlapDuration(1.0f);
}

void CSBDoc::ClampTransition(TransitionEffect* effect, INT slot)
{
    if (effect == nullptr)
        return;
    double maxA = 0.0;
    double maxB = 0.0;
    if (slot > 0 && m_pStoryboard->GetItem(slot - 1) != nullptr) {
        maxA = AvailableLength(slot - 1, slot - 2);
        effect->SetADuration(static_cast<float>(std::min<double>(effect->GetADuration(), maxA)));
    }
    if (m_pStoryboard->GetItem(slot + 1) != nullptr) {
        maxB = AvailableLength(slot + 1, slot + 2);
        effect->SetBDuration(static_cast<float>(std::min<double>(effect->GetBDuration(), maxB)));
    }
    effect->SetOverlapDuration(static_cast<float>(std::min({static_cast<double>(effect->GetOverlapDuration()), maxA, maxB})));
}

void CSBDoc::ApplyTransition(TransitionEffect* effect, INT slot, BOOL reapply)
{
    if (!Storyboard::IsTransitionIndex(slot)) {
        if (!reapply)
            delete effect;
        return;
    }
    if (effect == nullptr || effect->GetRendererFamily() == 0 || slot <= 0) {
        m_pStoryboard->ClearRange(slot, slot);
        if (!reapply)
            delete effect;
        return;
    }
    struct Side {
        INT slot;
        COLORREF colour;
        float seconds;
    };
    for (const Side& side : {Side{slot - 1, effect->GetAColor(), effect->GetADuration()},
                             Side{slot + 1, effect->GetBColor(), effect->GetBDuration()}}) {
        StoryboardItem* item = m_pStoryboard->GetItem(side.slot);
        if (item != nullptr) {
            if (item->GetKind() == StoryboardItem::kKindScene
                && static_cast<Scene*>(item)->GetMediaKind() == Scene::kMediaColor)
                static_cast<Scene*>(item)->DropThumbnail();
            continue;
        }
        auto* colour = new (std::nothrow) Scene(side.colour);
        if (colour == nullptr)
            continue;
        CMediaTime length;
        length.SetSeconds(side.seconds != 0.0f ? side.seconds : 1.0);
        colour->SetDuration(length);
        if (m_pStoryboard->SetItem(colour, side.slot) != Storyboard::kResultOk)
            delete colour;
    }
    if (reapply)
        return;
    ClampTransition(effect, slot);
    auto* transition = new (std::nothrow) Transition(effect);
    if (transition == nullptr) {
        delete effect;
        return;
    }
    if (m_pStoryboard->SetItem(transition, slot) != Storyboard::kResultOk)
        delete transition;
}

void CSBDoc::ClampNeighbourTransitions(INT slot)
{
    if ((slot & 1) != 0)
        return;
    if (slot > 0)
        ClampTransition(GetTransitionEffect(slot - 1), slot - 1);
    ClampTransition(GetTransitionEffect(slot + 1), slot + 1);
}

INT CSBDoc::ClampAllTransitions()
{
    bool changed = false;
    for (INT i = 1; i < GetLastIndex(); i += 2) {
        TransitionEffect* effect = GetTransitionEffect(i);
        if (effect == nullptr)
            continue;
        const float overlap = effect->GetOverlapDuration();
        ClampTransition(effect, i);
        changed = changed || effect->GetOverlapDuration() != overlap;
    }
    // Shorter overlaps move the scenes after them: the times follow at once.
    if (changed)
        m_pStoryboard->RecomputeTimes();
    return GetLastIndex();
}

BOOL CSBDoc::ResolveRange(BOOL useSelection, INT* first, INT* last) const
{
    const INT lastIndex = GetLastIndex();
    if (lastIndex < 0)
        return FALSE;
    *first = 0;
    *last = std::min<INT>(static_cast<INT>(kLastSlotLimit), lastIndex);
    INT selectedFirst = 0;
    INT selectedLast = 0;
    if (useSelection && CSBDocHost::Get().GetStripSelection(&selectedFirst, &selectedLast)) {
        *first = std::max(0, selectedFirst);
        *last = std::min(selectedLast, lastIndex);
    }
    return TRUE;
}

BOOL CSBDoc::RangeHasStillScenes(BOOL selection) const
{
    INT first = 0;
    INT last = 0;
    if (!ResolveRange(selection, &first, &last))
        return FALSE;
    for (INT i = first + (first & 1); i <= last; i += 2) {
        if (IsStillOrGenerated(m_pStoryboard->GetItem(i)))
            return TRUE;
    }
    return FALSE;
}

void CSBDoc::SetStillSceneDurations(double seconds, BOOL wholeStoryboard)
{
    INT first = 0;
    INT last = 0;
    if (!ResolveRange(!wholeStoryboard, &first, &last))
        return;
    const double length = seconds != 0.0 ? seconds : 1.0;
    for (INT i = first + (first & 1); i <= last; i += 2) {
        StoryboardItem* item = m_pStoryboard->GetItem(i);
        if (!IsStillOrGenerated(item))
            continue;
        static_cast<Scene*>(item)->SetDuration(CMediaTime(0, 0, 0, length * CMediaTime::kMicroseconds));
        m_pStoryboard->SetModified(TRUE);
    }
    m_pStoryboard->RecomputeTimes();
    ClampAllTransitions();
}
