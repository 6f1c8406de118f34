#include "Platform/DShow/BaseClasses/BasePropertyPage.h"

#include <cstring>

CBasePropertyPage::CBasePropertyPage(LPCTSTR name, LPUNKNOWN outer, int dialogId, int titleId)
    : CUnknown(name, outer), m_TitleId(titleId), m_DialogId(dialogId)
{
}

CBasePropertyPage::~CBasePropertyPage()
{
    if (m_pPageSite)
        m_pPageSite->Release();
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IPropertyPage)
        return GetInterface(static_cast<IPropertyPage*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::SetPageSite(IPropertyPageSite* site)
{
    if (site) {
        if (m_pPageSite)
            return E_UNEXPECTED;
        m_pPageSite = site;
        m_pPageSite->AddRef();
    } else {
        if (!m_pPageSite)
            return E_UNEXPECTED;
        m_pPageSite->Release();
        m_pPageSite = nullptr;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Activate(HWND, LPCRECT, BOOL) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Deactivate()
{
    if (!m_hwnd)
        return E_UNEXPECTED;
    HRESULT hr = OnDeactivate();
    m_hwnd = nullptr;
    m_Dlg = nullptr;
    return hr;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::GetPageInfo(PROPPAGEINFO* info)
{
    CheckPointer(info, E_POINTER);
    // The title and size come from the module's resources with the dialog
    // layer; until then the page reports an empty title and no size.
    std::memset(info, 0, sizeof *info);
    info->cb = sizeof *info;
    info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(OLECHAR)));
    if (!info->pszTitle)
        return E_OUTOFMEMORY;
    info->pszTitle[0] = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::SetObjects(ULONG count, IUnknown** objects)
{
    if (count == 1) {
        if (!objects || !*objects)
            return E_POINTER;
        m_bObjectSet = TRUE;
        return OnConnect(*objects);
    }
    if (count == 0) {
        m_bObjectSet = FALSE;
        return OnDisconnect();
    }
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Show(UINT) { return m_hwnd ? E_NOTIMPL : E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Move(LPCRECT rect)
{
    CheckPointer(rect, E_POINTER);
    return m_hwnd ? E_NOTIMPL : E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Apply()
{
    if (!m_bObjectSet || !m_pPageSite)
        return E_UNEXPECTED;
    if (!m_bDirty)
        return S_OK;
    HRESULT hr = OnApplyChanges();
    if (SUCCEEDED(hr))
        m_bDirty = FALSE;
    return hr;
}

INT_PTR CBasePropertyPage::OnReceiveMessage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
