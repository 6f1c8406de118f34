#pragma once
// CSBDocHost: what the storyboard document asks of the windows and services
// above it: the storyboard strip and view, the application's file dialogs
// and message boxes, the media library, the item-properties sheet and the
// producer. The shell installs its own host; until it does (and in tests,
// which install recording ones) the standard host has no windows: no strip,
// no selection, dialogs cancelled, messages through the shell services; it
// produces through the installed production (CDocProduction).

#include "Platform/Mfc/Collections.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"

class CProductionSettings;
class CSBDoc;
class Scene;
class Storyboard;
class Transition;

// One production of the storyboard (the producer of the production
// subsystem behind it).
class CDocProducer {
public:
    virtual ~CDocProducer() = default;
    // 0 when the range first..last can be produced, else the producer's code.
    virtual INT Prepare(INT reserved, INT selectionOnly, INT first, INT last) = 0;
    // 0 on success with the produced file's name in `outputName`, else the
    // producer's code.
    virtual INT Produce(CString& outputName) = 0;
};

// The production subsystem's side of producing a document. It sits above
// the document, so the program installs it when it starts; until it
// does (and in tests that install none) nothing can be produced and the
// estimate is empty.
class CDocProduction {
public:
    virtual ~CDocProduction() = default;
    // A new producer of the storyboard with the settings (the caller's), or
    // null when none can be made.
    virtual CDocProducer* CreateProducer(Storyboard& storyboard, CProductionSettings& settings) = 0;
    // The frame count of slots first..last; their length, frame count,
    // largest audio byte rate and audio format go to the outputs.
    virtual INT EstimateProduction(Storyboard& storyboard, CProductionSettings& settings, INT first, INT last,
                                   double* seconds, INT* frames, DWORD* audioBytesPerSecond,
                                   WAVEFORMATEX* audioFormat) = 0;

    // The production installed now, or null.
    static CDocProduction* Get();
    // Installs `production` (null: none) and returns the one installed
    // before.
    static CDocProduction* Set(CDocProduction* production);
};

class CSBDocHost {
public:
    virtual ~CSBDocHost() = default;

    // The main window opens a storyboard file; FALSE without a main window.
    virtual BOOL OpenStoryboardFile(LPCSTR /*path*/) { return FALSE; }

    // The strip: its window (owner of messages and the clipboard; null
    // without a strip), cell widths and height, current slot (-1: none),
    // selection, and the slot it shows as selected.
    virtual HWND GetStripWindow() { return nullptr; }
    virtual BOOL HasStrip() { return FALSE; }
    virtual INT GetCellWidth(INT slot) { return (slot & 1) != 0 ? 76 : 36; }
    virtual INT GetStripHeight() { return 76; }
    virtual INT GetStripCurrentSlot() { return -1; }
    // TRUE with the selected slots when the strip has a selection.
    virtual BOOL GetStripSelection(INT* /*first*/, INT* /*last*/) { return FALSE; }
    virtual void SelectSlot(INT /*slot*/) {}
    // Repaints the strip's parent window before slow work.
    virtual void UpdateStripParent() {}
    // Hands a dropped file list to the strip's cell of `slot`; FALSE when
    // the slot has no cell window.
    virtual BOOL DropFilesOnCell(INT /*slot*/, HANDLE /*files*/) { return FALSE; }

    // The wait cursor around slow work.
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}

    // Messages. A null caption is a message of the application's own message
    // dialog (AfxMessageBox).
    virtual int ShowMessage(HWND owner, LPCSTR text, LPCSTR caption, UINT flags);

    // File dialogs: TRUE with the chosen path on OK.
    virtual BOOL ChooseFileToOpen(LPCSTR /*defaultExt*/, LPCSTR /*filter*/, LPCSTR /*title*/, CString& /*path*/)
    {
        return FALSE;
    }
    virtual BOOL ChooseFileToSave(LPCSTR /*defaultExt*/, LPCSTR /*initialName*/, LPCSTR /*filter*/, CString& /*path*/)
    {
        return FALSE;
    }

    // The view and the library window.
    virtual void CallLibrary(LPCSTR /*path*/, INT /*a*/, INT /*b*/) {}
    virtual CString GetLibraryName() { return CString(); }
    virtual CString GetLibraryPath() { return CString(); }
    virtual void OpenLibrary(LPCSTR /*path*/, LPCSTR /*name*/) {}
    // A media file got a new name: the library's items follow it.
    virtual void MediaRenamed(LPCSTR /*oldPath*/, LPCSTR /*newPath*/) {}
    virtual INT SaveStoryboardRange(CSBDoc& /*document*/, INT /*first*/, INT /*last*/) { return 0; }
    virtual void ReleasePreviewedMedia(LPCSTR /*path*/) {}
    virtual void UpdateCommandButtons(INT /*producing*/, INT /*flag*/) {}
    virtual void EnablePreviewSlider(INT /*enable*/) {}
    // The application's missing-media search forgets its remembered answer.
    virtual void ResetMissingMediaSearch() {}

    // The item-properties sheet: TRUE when it closed with OK.
    virtual BOOL RunItemProperties(LPCSTR /*caption*/, LPCSTR /*title*/, Scene* /*scene*/, Transition* /*transition*/)
    {
        return FALSE;
    }

    // Production: a new producer (the caller's), or null when none can be
    // made; the estimate of a range. Both go to the installed production.
    virtual CDocProducer* CreateProducer(Storyboard& storyboard, CProductionSettings& settings);
    virtual INT EstimateProduction(Storyboard& storyboard, CProductionSettings& settings, INT first, INT last,
                                   double* seconds, INT* frames, DWORD* audioBytesPerSecond,
                                   WAVEFORMATEX* audioFormat);

    // The host installed now; Set(null) restores the standard one and
    // returns the one installed before.
    static CSBDocHost& Get();
    static CSBDocHost* Set(CSBDocHost* host);
};
