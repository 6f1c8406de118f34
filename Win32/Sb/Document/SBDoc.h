#pragma once
// CSBDoc: the program's one document. It owns the storyboard and the
// production settings, turns every storyboard edit the user starts into
// storyboard operations, clipboard transfers, file reads and writes and
// messages, keeps a transition's durations within its neighbouring scenes,
// and offers the services on the whole storyboard: producing it, keeping
// media paths up to date, the library transfer, the program palette and the
// default text style.
//
// Storyboard files (".SBD") and storyboard items on the clipboard (format
// 129) are the same profile text: a header section (file type, version,
// optionally the library), an index section (count and first slot) and one
// section per occupied slot, named by the slot.

#include "Platform/Mfc/Collections.h"
#include "Platform/Mfc/DocTemplate.h"
#include "Platform/Mfc/Document.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Win32/Sb/Document/SBDocHost.h"

class CProductionSettings;
class CProfile;
class CSharedPalette;
class Scene;
class Storyboard;
class StoryboardItem;
class TextEffect;
class Transition;
class TransitionEffect;

class CSBDoc : public CDocument {
    DECLARE_DYNCREATE(CSBDoc)
public:
    // Results of InsertStoryboardFile besides the number of slots read.
    static constexpr INT kBadVersion = -7;
    static constexpr INT kBadFileType = -8;
    static constexpr INT kNoHeader = -9;
    static constexpr INT kCannotRead = -10;
    // Results of AddScene.
    static constexpr INT kSceneRefused = 0;
    static constexpr INT kSceneInserted = 1;
    static constexpr INT kSceneSet = 2;

    CSBDoc();
    ~CSBDoc() override;
    void Serialize(CArchive& archive) override;
    BOOL OnOpenDocument(LPCSTR path) override;

    // Storyboard access.
    StoryboardItem* GetItem(INT index) const;
    INT GetLastIndex() const;
    BOOL IsStoryboardEmpty() const { return GetLastIndex() == -1; }
    INT ClearStoryboard();
    BOOL IsStoryboardModified() const;
    BOOL CanUndo() const;
    INT Undo();
    void SetNotifyWindow(HWND window);
    Storyboard* GetStoryboard() const { return m_pStoryboard; }
    CProductionSettings* GetProductionSettings() const { return m_pProductionSettings; }
    const CString& GetStoryboardPath() const { return m_strStoryboardPath; }
    void SetStoryboardPath(LPCSTR path) { m_strStoryboardPath = path; }
    INT SetItemAt(StoryboardItem* item, INT index);
    INT InsertOrSetItem(StoryboardItem* item, INT index);
    INT RemoveRange(INT first, INT last);
    INT MoveRange(INT first, INT last, INT target);
    TransitionEffect* GetTransitionEffect(INT index) const;
    INT GetCellWidth(INT index) const;
    INT GetStripHeight() const;
    // Set by the missing-media search when the user pointed a scene at
    // another file while a storyboard was read.
    void SetMediaRelocated(INT relocated) { m_bMediaRelocated = relocated; }
    INT GetMediaRelocated() const { return m_bMediaRelocated; }

    // Files and the clipboard.
    // TRUE when the storyboard was written to `path` (null: the storyboard
    // path); the old file stays whole and the storyboard stays modified
    // when it could not be.
    BOOL SaveStoryboard(LPCSTR path);
    // The profile of slots first..last (-1, -1: the whole storyboard), the
    // caller's; null when a name is missing or the range is negative. Media
    // paths are written relative to `folder`, in full when it is empty.
    CProfile* BuildStoryboardProfile(LPCSTR folder, INT first, INT last);
    // Reads a storyboard file (null: the clipboard) into the storyboard at
    // `slot`: the number of slots the file names, 0, or kBadVersion ..
    // kCannotRead with the storyboard untouched.
    INT InsertStoryboardFile(LPCSTR path, INT slot);
    // Items of the last read that were left out: those the storyboard
    // refused, sections that gave no usable item (one with a duration or
    // time outside a day among them) and, in a file cut short, the slots
    // its index names past its last section.
    INT GetDroppedItemCount() const { return m_nDroppedItems; }
    // Cut succeeds only once the items are on the clipboard; both return
    // whether they were.
    BOOL CutToClipboard(INT first, INT last);
    BOOL CopyToClipboard(INT first, INT last);
    BOOL CanPaste();
    void Paste(INT slot);

    // Scenes from media files.
    INT ImportMediaFile();
    INT AddScene(Scene* scene, INT slot);
    INT AddSceneFromFile(INT slot, LPCSTR path);
    // Places the pending scene (or deletes it when it cannot be placed);
    // TRUE when it was placed.
    BOOL PlacePendingScene(INT slot);
    Scene* GetPendingScene() const { return m_pPendingScene; }
    void SetPendingScene(Scene* scene);
    void GetMediaFileFilter(CString& filter) const;

    // Transition durations.
    void InitTransitionDurations(TransitionEffect* effect, INT slot);
    void ApplyTransition(TransitionEffect* effect, INT slot, BOOL reapply);
    void ClampTransition(TransitionEffect* effect, INT slot);
    void ClampNeighbourTransitions(INT slot);
    INT ClampAllTransitions();
    BOOL RangeHasStillScenes(BOOL selection) const;
    void SetStillSceneDurations(double seconds, BOOL wholeStoryboard);

    void ShowMessage(HWND owner, UINT textId, UINT captionId = 2003, UINT flags = 0x30) const;
    // String `id` of the language module.
    static CString LoadLanguageString(UINT id);

    // Services on the whole storyboard.
    INT GetProductionEstimate(double* seconds, INT* frames, DWORD* audioBytesPerSecond, WAVEFORMATEX* audioFormat);
    INT Produce();
    INT ShowProduceResult(INT code, INT flag) const;
    BOOL EditCurrentItemProperties();
    BOOL EditSceneOrTransitionProperties(StoryboardItem* item);
    BOOL EditItemProperties(Scene* scene);
    BOOL EditMediaProperties(LPCSTR path);
    INT SaveRangeToLibrary(INT first, INT last);
    // Gives the media file of the scene at `slot` a new name, and every
    // scene and audio clip of the storyboard that used it follows.
    void RenameSceneMedia(INT slot);
    void RelinkMedia(LPCSTR oldPath, LPCSTR newPath, INT ignored, INT lastIndex);
    INT CollectMediaPaths(CStringList* paths);
    void MarkMissingMedia();
    INT DropMediaThumbnails(LPCSTR path);
    BOOL RefreshScenesUsingMedia(LPCSTR path, INT ignored, INT lastIndex);
    int RealizePalette(HWND viewWindow);
    void ReleasePalette();
    void ApplyDefaultTextStyle(TextEffect* effect);
    void SetDefaultTextStyle(const TextEffect* effect);
    const TextEffect* GetDefaultTextStyle() const { return m_pDefaultTextStyle; }

private:
    struct ReadState;

    BOOL PutRangeOnClipboard(INT first, INT last);
    double AvailableLength(INT sceneSlot, INT farSlot) const;
    // The range of the strip selection or of the whole storyboard, with the
    // last slot limited to the last index; FALSE for an empty storyboard.
    BOOL ResolveRange(BOOL useSelection, INT* first, INT* last) const;
    // Every scene of slots 0..lastIndex (-1: the last index) with its
    // overlays, deepest first.
    template <typename Visit>
    void ForEachScene(INT lastIndex, Visit visit) const;

    CProductionSettings* m_pProductionSettings = nullptr;
    CSharedPalette* m_pPaletteHolder = nullptr;
    TextEffect* m_pDefaultTextStyle = nullptr;
    HPALETTE m_hPalette = nullptr;
    HPALETTE m_hPreviousPalette = nullptr;
    CString m_strStoryboardPath;
    Storyboard* m_pStoryboard = nullptr;
    Scene* m_pPendingScene = nullptr;
    INT m_bMediaRelocated = 0;
    INT m_nDroppedItems = 0;
};

// The document template of the document, the main frame and the view; a
// file is opened without showing the frame until it has been read.
class KLSingleDocTemplate : public CSingleDocTemplate {
    DECLARE_DYNAMIC(KLSingleDocTemplate)
public:
    KLSingleDocTemplate(UINT resourceId, CRuntimeClass* documentClass, CRuntimeClass* frameClass,
                        CRuntimeClass* viewClass)
        : CSingleDocTemplate(resourceId, documentClass, frameClass, viewClass)
    {
    }
    CDocument* OpenDocumentFile(LPCSTR path, BOOL makeVisible = TRUE) override;
};
