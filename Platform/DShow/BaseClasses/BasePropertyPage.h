#pragma once
// CBasePropertyPage: a property page built from a dialog template of the
// module. The page keeps the dirty flag and the page site; a derived page
// connects to its object in OnConnect and applies its changes in
// OnApplyChanges.
//
// The page's dialog (Activate, Show, Move and the dialog procedure that
// calls OnReceiveMessage) comes with the dialog layer; until then Activate,
// Show and Move answer E_NOTIMPL and m_hwnd stays null.

#include "Platform/DShow/BaseClasses/ComBase.h"

class CBasePropertyPage : public CUnknown, public IPropertyPage {
public:
    CBasePropertyPage(LPCTSTR name, LPUNKNOWN outer, int dialogId, int titleId);
    ~CBasePropertyPage() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
    // One object connects (OnConnect), none disconnects (OnDisconnect);
    // more than one is E_UNEXPECTED.
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
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
    virtual INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    HWND m_hwnd = nullptr;
    HWND m_Dlg = nullptr;
    IPropertyPageSite* m_pPageSite = nullptr;
    BOOL m_bObjectSet = FALSE;
    BOOL m_bDirty = FALSE;
    int m_TitleId;
    int m_DialogId;
};
