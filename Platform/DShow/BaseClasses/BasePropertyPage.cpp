#include "Platform/DShow/BaseClasses/BasePropertyPage.h"

#include <cstring>
#include <string>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Controls/DialogBuilding.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/Resources.h"

namespace {

// An address inside this copy of the base classes: a plug-in library's
// copy finds its own library by it.
const char kModuleAnchor = 0;

// The dialog procedure of a dialog made only to be measured.
INT_PTR CALLBACK MeasureProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

LPOLESTR TaskMemText(const std::u16string& text)
{
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (copy) {
        std::memcpy(copy, text.data(), text.size() * sizeof(OLECHAR));
        copy[text.size()] = 0;
    }
    return copy;
}

} // namespace

CBasePropertyPage::CBasePropertyPage(LPCTSTR name, LPUNKNOWN outer, int dialogId, int titleId)
    : CUnknown(name, outer), m_TitleId(titleId), m_DialogId(dialogId)
{
}

CBasePropertyPage::~CBasePropertyPage()
{
    if (m_hwnd && IsWindow(m_hwnd))
        DestroyWindow(m_hwnd);
    if (m_pPageSite)
        m_pPageSite->Release();
}

HINSTANCE CBasePropertyPage::ModuleInstance()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       &kModuleAnchor, &module);
    return module;
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

HWND CBasePropertyPage::MakeDialog(HWND parent, DLGPROC proc, LPARAM param) const
{
    const HINSTANCE module = ModuleInstance();
    win::ResourceBytes bytes = win::FindDialogTemplate(module, MAKEINTRESOURCEA(m_DialogId));
    win::DialogDescription d;
    if (!bytes || !win::ReadDialogTemplate(bytes.data, bytes.size, &d))
        return nullptr;
    // A child of the frame's page area, placed by Move and shown by Show.
    win::controls::MakeChildPage(d);
    return win::controls::CreateDialogFromDescription(module, d, parent, proc, param);
}

INT_PTR CALLBACK CBasePropertyPage::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    CBasePropertyPage* page = nullptr;
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        page = reinterpret_cast<CBasePropertyPage*>(lParam);
        if (page)
            page->m_Dlg = dialog;
    } else {
        page = reinterpret_cast<CBasePropertyPage*>(GetWindowLongPtrA(dialog, DWLP_USER));
    }
    if (!page)
        return message == WM_INITDIALOG;
    return page->OnReceiveMessage(dialog, message, wParam, lParam);
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Activate(HWND parent, LPCRECT rect, BOOL)
{
    CheckPointer(rect, E_POINTER);
    if (m_hwnd)
        return E_UNEXPECTED;
    HWND dialog = MakeDialog(parent, DialogProc, reinterpret_cast<LPARAM>(this));
    if (!dialog)
        return E_OUTOFMEMORY;
    m_hwnd = dialog;
    m_Dlg = dialog;
    OnActivate();
    Move(rect);
    return Show(SW_SHOWNORMAL);
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Deactivate()
{
    if (!m_hwnd)
        return E_UNEXPECTED;
    HRESULT hr = OnDeactivate();
    HWND dialog = m_hwnd;
    m_hwnd = nullptr;
    m_Dlg = nullptr;
    if (IsWindow(dialog)) {
        // The procedure no longer reaches a page that is not active.
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        DestroyWindow(dialog);
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::GetPageInfo(PROPPAGEINFO* info)
{
    CheckPointer(info, E_POINTER);
    std::memset(info, 0, sizeof *info);
    info->cb = sizeof *info;
    std::string title;
    win::LoadStringText(ModuleInstance(), static_cast<UINT>(m_TitleId), title);
    info->pszTitle = TaskMemText(win::Utf8ToUtf16(title));
    if (!info->pszTitle)
        return E_OUTOFMEMORY;
    // The size of the dialog as it will be made: measured on a hidden copy.
    if (HWND measured = MakeDialog(GetDesktopWindow(), MeasureProc, 0)) {
        RECT r{};
        GetWindowRect(measured, &r);
        info->size.cx = r.right - r.left;
        info->size.cy = r.bottom - r.top;
        DestroyWindow(measured);
    }
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

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Show(UINT command)
{
    if (!m_hwnd)
        return E_UNEXPECTED;
    if (command != SW_SHOW && command != SW_SHOWNORMAL && command != SW_HIDE)
        return E_INVALIDARG;
    ShowWindow(m_hwnd, static_cast<int>(command));
    InvalidateRect(m_hwnd, nullptr, TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Move(LPCRECT rect)
{
    CheckPointer(rect, E_POINTER);
    if (!m_hwnd)
        return E_UNEXPECTED;
    MoveWindow(m_hwnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
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

void CBasePropertyPage::SetDirty()
{
    m_bDirty = TRUE;
    if (m_pPageSite)
        m_pPageSite->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

INT_PTR CBasePropertyPage::OnReceiveMessage(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
