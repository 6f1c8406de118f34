// The document's services on the whole storyboard: producing it, the
// item-properties sheet, keeping media paths up to date, the library
// transfer, the program palette and the default text style.

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "Platform/Win/User/MessageBox.h"
#include "Platform/Win/User/User.h"
#include "Win32/Imaging/SharedPalette.h"
#include "Win32/Sb/Document/Material.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/SBDoc.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/TextEffect.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Media/MediaFile.h"

namespace {

constexpr UINT kProduceCaption = 2044;
constexpr UINT kProduceFailed = 2043;
constexpr UINT kPropertiesCaption = 61469;
constexpr UINT kRenameFailedMessage = 61462;
constexpr INT kWholeLastSlot = 0x7FFF;

struct ResultMessage {
    INT code;
    UINT message;
};
constexpr ResultMessage kProduceMessages[] = {
    {257, 2031}, {258, 2032}, {259, 2033}, {260, 2034}, {261, 2035}, {262, 2036}, {263, 2037},
    {-100, 2038}, {-99, 3011}, {-98, 2040}, {-95, 2042}, {-93, 2046},
};

INT MediaTypeOf(LPCSTR path)
{
    INT type = CMediaFile::kTypeNone;
    CMediaFile(path).DetectType(&type);
    return type;
}

bool UsesPath(const Scene* scene, LPCSTR path)
{
    LPCSTR media = scene->GetMediaPath();
    return media != nullptr && path != nullptr && CString(media).CompareNoCase(path) == 0;
}

} // namespace

template <typename Visit>
void CSBDoc::ForEachScene(INT lastIndex, Visit visit) const
{
    if (lastIndex < 0)
        lastIndex = GetLastIndex();
    for (INT i = 0; i <= lastIndex; i += 2) {
        StoryboardItem* item = m_pStoryboard->GetItem(i);
        if (item == nullptr || item->GetKind() != StoryboardItem::kKindScene)
            continue;
        auto* scene = static_cast<Scene*>(item);
        for (INT n = scene->GetOverlayDepth(); n >= 0; --n) {
            if (Scene* layer = scene->GetOverlayAt(n))
                visit(layer);
        }
    }
}

INT CSBDoc::GetProductionEstimate(double* seconds, INT* frames, DWORD* audioBytesPerSecond, WAVEFORMATEX* audioFormat)
{
    INT first = 0;
    INT last = kWholeLastSlot;
    INT selectedFirst = 0;
    INT selectedLast = 0;
    if (CSBDocHost::Get().GetStripSelection(&selectedFirst, &selectedLast)) {
        first = selectedFirst;
        last = std::min(selectedLast, GetLastIndex());
    }
    return CSBDocHost::Get().EstimateProduction(*m_pStoryboard, *m_pProductionSettings, first, last, seconds, frames,
                                                audioBytesPerSecond, audioFormat);
}

INT CSBDoc::Produce()
{
    CSBDocHost& host = CSBDocHost::Get();
    ClampAllTransitions();
    host.UpdateCommandButtons(1, 1);
    std::unique_ptr<CDocProducer> producer(host.CreateProducer(*m_pStoryboard, *m_pProductionSettings));
    INT code = -100;
    if (producer != nullptr) {
        INT first = 0;
        INT last = kWholeLastSlot;
        const INT selectionOnly = m_pProductionSettings->m_bSelectionOnly != 0 ? 1 : 0;
        if (selectionOnly) {
            INT selectedFirst = 0;
            INT selectedLast = 0;
            if (host.GetStripSelection(&selectedFirst, &selectedLast)) {
                first = selectedFirst;
                last = selectedLast;
            }
        }
        code = producer->Prepare(0, selectionOnly, first, last);
        if (code == 0) {
            CString output;
            code = producer->Produce(output);
            if (code == 0 && !output.IsEmpty())
                host.CallLibrary(output, 1, 0);
        }
    }
    host.EnablePreviewSlider(1);
    host.UpdateCommandButtons(0, 0);
    return ShowProduceResult(code, 1);
}

INT CSBDoc::ShowProduceResult(INT code, INT) const
{
    if (code == 0)
        return 1;
    if (code == -97 || code == -96)
        return 0;
    UINT message = kProduceFailed;
    for (const ResultMessage& entry : kProduceMessages) {
        if (entry.code == code)
            message = entry.message;
    }
    ShowMessage(CSBDocHost::Get().GetStripWindow(), message, kProduceCaption, MB_ICONINFORMATION | MB_SYSTEMMODAL);
    return 0;
}

BOOL CSBDoc::EditCurrentItemProperties()
{
    const INT slot = CSBDocHost::Get().GetStripCurrentSlot();
    StoryboardItem* item = GetItem(slot);
    return item != nullptr ? EditSceneOrTransitionProperties(item) : FALSE;
}

BOOL CSBDoc::EditSceneOrTransitionProperties(StoryboardItem* item)
{
    if (item == nullptr)
        return FALSE;
    const CString caption = CSBDoc::LoadLanguageString(kPropertiesCaption);
    if (item->GetKind() == StoryboardItem::kKindScene)
        return CSBDocHost::Get().RunItemProperties(caption, "", static_cast<Scene*>(item), nullptr);
    if (item->GetKind() == StoryboardItem::kKindTransition)
        return CSBDocHost::Get().RunItemProperties(caption, "", nullptr, static_cast<Transition*>(item));
    return FALSE;
}

BOOL CSBDoc::EditItemProperties(Scene* scene)
{
    return CSBDocHost::Get().RunItemProperties(CSBDoc::LoadLanguageString(kPropertiesCaption), "", scene, nullptr);
}

BOOL CSBDoc::EditMediaProperties(LPCSTR path)
{
    if (path == nullptr || *path == '\0')
        return FALSE;
    return CSBDocHost::Get().RunItemProperties(CSBDoc::LoadLanguageString(kPropertiesCaption), path, nullptr, nullptr);
}

INT CSBDoc::SaveRangeToLibrary(INT first, INT last)
{
    CSBDocHost::Get().SaveStoryboardRange(*this, first, last);
    return 0;
}

void CSBDoc::RenameSceneMedia(INT slot)
{
    if (!Storyboard::IsSceneIndex(slot))
        return;
    StoryboardItem* item = m_pStoryboard->GetItem(slot);
    if (item == nullptr || item->GetKind() != StoryboardItem::kKindScene)
        return;
    const CString path = static_cast<Scene*>(item)->GetMediaPath();
    const int dot = path.ReverseFind('.');
    const CString extension = dot >= 0 ? path.Mid(dot) : CString(".*");
    CSBDocHost& host = CSBDocHost::Get();
    CString name;
    if (!host.ChooseFileToSave("*" + extension, path, "*" + extension + "|*" + extension + "||", name))
        return;
    if (name.IsEmpty() || name == path)
        return;
    host.BeginWaitCursor();
    host.ReleasePreviewedMedia(path);
    if (std::rename(path, name) != 0) {
        CString text;
        text.Format(CSBDoc::LoadLanguageString(kRenameFailedMessage), static_cast<LPCSTR>(path));
        host.ShowMessage(host.GetStripWindow(), text, nullptr, 0);
    } else {
        // Every user of the old name follows the file: scenes and overlays,
        // audio clips, and the library's items.
        ForEachScene(-1, [&](Scene* scene) {
            if (UsesPath(scene, path) && scene->GetMaterial() != nullptr)
                scene->GetMaterial()->SetPath(name);
            scene->RelinkAudioPath(path, name);
        });
        host.MediaRenamed(path, name);
        m_pStoryboard->SetModified(TRUE);
    }
    host.EndWaitCursor();
}

void CSBDoc::RelinkMedia(LPCSTR oldPath, LPCSTR newPath, INT, INT lastIndex)
{
    if (oldPath == nullptr || newPath == nullptr)
        return;
    const bool audio = MediaTypeOf(oldPath) == CMediaFile::kTypeAudio;
    ForEachScene(lastIndex, [&](Scene* scene) {
        if (audio)
            scene->RelinkAudioPath(oldPath, newPath);
        else if (UsesPath(scene, oldPath) && scene->GetMaterial() != nullptr)
            scene->GetMaterial()->SetPath(newPath);
    });
}

INT CSBDoc::CollectMediaPaths(CStringList* paths)
{
    if (paths != nullptr) {
        ForEachScene(-1, [&](Scene* scene) {
            if (LPCSTR media = scene->GetMediaPath(); media != nullptr && *media != '\0')
                paths->AddTail(media);
            if (scene->GetAudio()->GetTrackCount() > 0)
                scene->CollectAudioPaths(paths);
        });
    }
    return GetLastIndex();
}

void CSBDoc::MarkMissingMedia()
{
    ForEachScene(-1, [](Scene* scene) {
        const INT kind = scene->GetMediaKind();
        if (kind != Scene::kMediaStill && kind != Scene::kMediaVideo)
            return;
        INT exists = 0;
        CMediaFile(scene->GetMediaPath()).CheckExists(&exists);
        if (!exists)
            scene->DropThumbnail();
    });
}

INT CSBDoc::DropMediaThumbnails(LPCSTR path)
{
    if (MediaTypeOf(path) != CMediaFile::kTypeAudio) {
        ForEachScene(-1, [&](Scene* scene) {
            if (UsesPath(scene, path))
                scene->DropThumbnail();
        });
    }
    return 1;
}

BOOL CSBDoc::RefreshScenesUsingMedia(LPCSTR path, INT, INT lastIndex)
{
    BOOL refreshed = FALSE;
    ForEachScene(lastIndex, [&](Scene* scene) {
        if (UsesPath(scene, path)) {
            scene->ReloadMedia();
            refreshed = TRUE;
        }
    });
    return refreshed;
}

int CSBDoc::RealizePalette(HWND viewWindow)
{
    HDC dc = ::GetDC(viewWindow);
    if (dc == nullptr)
        return 0;
    const int colours = (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0 ? ::GetDeviceCaps(dc, SIZEPALETTE)
                                                                          : ::GetDeviceCaps(dc, NUMCOLORS);
    if (colours > 16) {
        if (m_pPaletteHolder == nullptr) {
            m_pPaletteHolder = new (std::nothrow) CSharedPalette(new (std::nothrow) CPaletteData(256));
            if (m_pPaletteHolder != nullptr && m_pPaletteHolder->m_pData != nullptr) {
                m_pPaletteHolder->BuildStandard();
                // The preview's colour cube: 7 levels of red and green, 5 of
                // blue.
                PALETTEENTRY cube[7 * 7 * 5] = {};
                int n = 0;
                for (int r = 0; r < 7; ++r) {
                    for (int g = 0; g < 7; ++g) {
                        for (int b = 0; b < 5; ++b) {
                            cube[n].peRed = static_cast<BYTE>(r * 255 / 6);
                            cube[n].peGreen = static_cast<BYTE>(g * 255 / 6);
                            cube[n].peBlue = static_cast<BYTE>(b * 255 / 4);
                            ++n;
                        }
                    }
                }
                m_pPaletteHolder->SetEntries(0, n, cube);
            }
        }
        if (m_pPaletteHolder != nullptr && m_pPaletteHolder->m_pData != nullptr) {
            m_hPalette = m_pPaletteHolder->GetHandle();
            m_hPreviousPalette = ::SelectPalette(dc, m_hPalette, FALSE);
            ::RealizePalette(dc);
            ::SelectPalette(dc, m_hPreviousPalette, FALSE);
        }
    }
    return ::ReleaseDC(viewWindow, dc);
}

void CSBDoc::ReleasePalette()
{
    if (m_pPaletteHolder != nullptr && m_pPaletteHolder->m_pData != nullptr)
        m_pPaletteHolder->m_pData->DeleteHandle();
}

void CSBDoc::ApplyDefaultTextStyle(TextEffect* effect)
{
    if (m_pDefaultTextStyle == nullptr)
        m_pDefaultTextStyle = new (std::nothrow) TextEffect;
    if (effect != nullptr && m_pDefaultTextStyle != nullptr)
        effect->m_lf = m_pDefaultTextStyle->m_lf;
}

void CSBDoc::SetDefaultTextStyle(const TextEffect* effect)
{
    if (m_pDefaultTextStyle == nullptr)
        m_pDefaultTextStyle = new (std::nothrow) TextEffect;
    if (effect != nullptr && m_pDefaultTextStyle != nullptr)
        m_pDefaultTextStyle->m_lf = effect->m_lf;
}
