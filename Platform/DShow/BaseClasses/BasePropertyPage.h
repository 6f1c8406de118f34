#pragma once
// CBasePropertyPage: a property page built from a dialog template of the
// module it lives in (a plug-in library's own resource module; the program
// for the copy in the platform runtime). The page keeps the dirty flag and
// the page site; a derived page connects to its object in OnConnect, fills
// its dialog in OnActivate, reads it back in OnDeactivate, applies its
// changes in OnApplyChanges and handles its dialog's messages in
// OnReceiveMessage.
//
// Activate makes the dialog (template m_DialogId) a child of the frame's
// window, whatever style its template gives it; GetPageInfo gives the
// title (string m_TitleId of the module) and the dialog's size in pixels.

#include "Platform/DShow/BaseClasses/ComBase.h"
#include "Platform/Win/Controls/Dialogs.h"

class CBasePropertyPage : public CUnknown, public IPropertyPage {
public:
    CBasePropertyPage(LPCTSTR name, LPUNKNOWN outer, int dialogId, int titleId);
    ~CBasePropertyPage() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
    // Makes the dialog, calls OnActivate, moves it to `rect` and shows it;
    // E_UNEXPECTED when already active, E_OUTOFMEMORY when the dialog
    // cannot be made (no template in the module).
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    // Calls OnDeactivate while the dialog still exists, then destroys it.
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
    // One object connects (OnConnect), none disconnects (OnDisconnect);
    // more than one is E_UNEXPECTED.
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
    // SW_SHOW, SW_SHOWNORMAL or SW_HIDE (else E_INVALIDARG).
    HRESULT STDMETHODCALLTYPE Show(UINT command) override;
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE IsPageDirty() override { return m_bDirty ? S_OK : S_FALSE; }
    // Calls OnApplyChanges when dirty; E_UNEXPECTED without an object or a
    // site.
    HRESULT STDMETHODCALLTYPE Apply() override;
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return E_NOTIMPL; }

    virtual HRESULT OnConnect(IUnknown*) { return S_OK; }
    virtual HRESULT OnDisconnect() { return S_OK; }
    virtual HRESULT OnActivate() { return S_OK; }
    virtual HRESULT OnDeactivate() { return S_OK; }
    virtual HRESULT OnApplyChanges() { return S_OK; }
    // Every message of the page's dialog from WM_INITDIALOG on, answered as
    // a dialog procedure answers: TRUE for WM_INITDIALOG, FALSE for the rest.
    virtual INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Sets the dirty flag and tells the page site (PROPPAGESTATUS_DIRTY),
    // which enables the frame's Apply.
    void SetDirty();
    // The module the page's template and title come from.
    static HINSTANCE ModuleInstance();

    HWND m_hwnd = nullptr;
    HWND m_Dlg = nullptr;
    IPropertyPageSite* m_pPageSite = nullptr;
    BOOL m_bObjectSet = FALSE;
    BOOL m_bDirty = FALSE;
    int m_TitleId;
    int m_DialogId;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // The page's dialog as a hidden child of `parent`, or null.
    HWND MakeDialog(HWND parent, DLGPROC proc, LPARAM param) const;
};
