// The property frame is a property sheet whose pages are containers: empty
// DS_CONTROL dialogs of each property page's size, made by the sheet on
// their first activation. A container activates its IPropertyPage inside
// itself, answers the sheet's PSN_APPLY by applying the page when it is
// dirty, and deactivates it when the sheet goes.

#include "Platform/Win/Shell/PropertyFrame.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Controls/Controls.h"

namespace {

// The frame's font, as the sheet's own.
constexpr WORD kFramePointSize = 8;
constexpr const char* kFrameFace = "MS Shell Dlg";

struct FramePage;

// The site of one page: forwards the page's dirty report to the sheet.
class PageSite final : public com::Object<com::Implements<IPropertyPageSite, IID_IPropertyPageSite>> {
public:
    PageSite(FramePage* page, LCID locale) : m_page(page), m_locale(locale) {}
    // The frame is gone: a page that still holds its site reaches nothing.
    void Detach() { m_page = nullptr; }

    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override
    {
        if (!locale)
            return E_POINTER;
        *locale = m_locale;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** container) override
    {
        if (container)
            *container = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }

private:
    FramePage* m_page;
    LCID m_locale;
};

struct FramePage {
    com::ComPtr<IPropertyPage> page;
    com::ComPtr<PageSite> site;
    std::string title;
    SIZE size{}; // pixels
    std::unique_ptr<win::DialogTemplateBuilder> container;
    HWND window = nullptr; // the container, while it lives
    bool active = false;
};

HRESULT STDMETHODCALLTYPE PageSite::OnStatusChange(DWORD flags)
{
    if (m_page && m_page->window && (flags & PROPPAGESTATUS_DIRTY))
        SendMessageA(GetParent(m_page->window), PSM_CHANGED, reinterpret_cast<WPARAM>(m_page->window), 0);
    return S_OK;
}

void Answer(HWND dialog, LRESULT result) { SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result); }

INT_PTR CALLBACK ContainerProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    auto* fp = reinterpret_cast<FramePage*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        fp = reinterpret_cast<FramePage*>(psp->lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(fp));
        fp->window = dialog;
        RECT area{0, 0, fp->size.cx, fp->size.cy};
        fp->active = SUCCEEDED(fp->page->Activate(dialog, &area, TRUE));
        return FALSE;
    }
    case WM_NOTIFY: {
        const auto* nm = reinterpret_cast<const PSHNOTIFY*>(lParam);
        if (!fp || !nm)
            return FALSE;
        switch (nm->hdr.code) {
        case PSN_SETACTIVE:
            if (fp->active)
                fp->page->Show(SW_SHOW);
            Answer(dialog, 0);
            return TRUE;
        case PSN_KILLACTIVE:
        case PSN_RESET:
            Answer(dialog, FALSE);
            return TRUE;
        case PSN_APPLY: {
            // A page whose changes fail stays in front, for the user to
            // mend them or cancel.
            LRESULT result = PSNRET_NOERROR;
            if (fp->active && fp->page->IsPageDirty() == S_OK && FAILED(fp->page->Apply()))
                result = PSNRET_INVALID_NOCHANGEPAGE;
            Answer(dialog, result);
            return TRUE;
        }
        default:
            return FALSE;
        }
    }
    case WM_DESTROY:
        if (fp) {
            if (fp->active)
                fp->page->Deactivate();
            fp->active = false;
            fp->window = nullptr;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK MeasureProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The dialog base units of the frame's font, measured on a hidden dialog.
SIZE FrameBaseUnits()
{
    win::DialogTemplateBuilder builder(WS_POPUP, 0, 0, 10, 10, "");
    builder.Font(kFramePointSize, kFrameFace);
    SIZE base{8, 16};
    if (HWND probe = CreateDialogFromBytes(nullptr, builder.Data(), builder.Size(), nullptr, MeasureProc, 0)) {
        RECT r{0, 0, 4, 8};
        if (MapDialogRect(probe, &r) && r.right > 0 && r.bottom > 0)
            base = SIZE{r.right, r.bottom};
        DestroyWindow(probe);
    }
    return base;
}

// Pixels to dialog units, rounded up so that the page fits.
short ToUnits(LONG pixels, LONG base, LONG unitsPerBase)
{
    const LONG units = (std::max<LONG>(pixels, 0) * unitsPerBase + base - 1) / base;
    return static_cast<short>(std::min<LONG>(units, 0x7FFF));
}

// Makes the page, gives it its site and the objects and reads its title
// and size; the failure leaves the page out.
HRESULT MakePage(const CLSID& clsid, const OCPFIPARAMS& params, FramePage& fp)
{
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, fp.page.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    fp.site = com::ComPtr<PageSite>(new PageSite(&fp, params.lcid));
    hr = fp.page->SetPageSite(fp.site.Get());
    if (SUCCEEDED(hr)) {
        hr = fp.page->SetObjects(params.cObjects, params.lplpUnk);
        if (FAILED(hr))
            fp.page->SetPageSite(nullptr);
    }
    if (FAILED(hr)) {
        fp.site->Detach();
        return hr;
    }
    PROPPAGEINFO info{};
    info.cb = sizeof info;
    if (SUCCEEDED(fp.page->GetPageInfo(&info))) {
        if (info.pszTitle)
            fp.title = win::Utf16ToUtf8(info.pszTitle);
        fp.size = info.size;
        CoTaskMemFree(info.pszTitle);
        CoTaskMemFree(info.pszDocString);
        CoTaskMemFree(info.pszHelpFile);
    }
    return S_OK;
}

} // namespace

HRESULT OleCreatePropertyFrameIndirect(LPOCPFIPARAMS params)
{
    if (!params)
        return E_POINTER;
    if (params->cbStructSize < sizeof(OCPFIPARAMS) || (params->cObjects && !params->lplpUnk) || !params->cPages ||
        !params->lpPages || params->cPages > 100)
        return E_INVALIDARG;
    for (ULONG i = 0; i < params->cObjects; ++i)
        if (!params->lplpUnk[i])
            return E_INVALIDARG;
    InitCommonControls();

    std::vector<std::unique_ptr<FramePage>> pages;
    HRESULT failure = E_FAIL;
    for (ULONG i = 0; i < params->cPages; ++i) {
        auto fp = std::make_unique<FramePage>();
        HRESULT hr = MakePage(params->lpPages[i], *params, *fp);
        if (FAILED(hr)) {
            failure = hr;
            continue;
        }
        pages.push_back(std::move(fp));
    }
    if (pages.empty())
        return failure;

    const SIZE base = FrameBaseUnits();
    std::vector<PROPSHEETPAGEA> records;
    for (const auto& fp : pages) {
        fp->container = std::make_unique<win::DialogTemplateBuilder>(
            WS_CHILD | DS_CONTROL, 0, 0, ToUnits(fp->size.cx, base.cx, 4), ToUnits(fp->size.cy, base.cy, 8),
            fp->title, WS_EX_CONTROLPARENT);
        fp->container->Font(kFramePointSize, kFrameFace);
        PROPSHEETPAGEA psp{};
        psp.dwSize = sizeof psp;
        psp.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
        psp.pResource = static_cast<LPCDLGTEMPLATEA>(fp->container->Data());
        psp.pszTitle = fp->title.c_str();
        psp.pfnDlgProc = ContainerProc;
        psp.lParam = reinterpret_cast<LPARAM>(fp.get());
        records.push_back(psp);
    }
    std::string caption = "Properties";
    if (params->lpszCaption && *params->lpszCaption)
        caption = win::Utf16ToUtf8(params->lpszCaption) + " Properties";
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE;
    header.hwndParent = params->hWndOwner;
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(records.size());
    header.ppsp = records.data();
    const INT_PTR result = PropertySheetA(&header);

    for (const auto& fp : pages) {
        if (fp->active)
            fp->page->Deactivate();
        fp->page->SetObjects(0, nullptr);
        fp->page->SetPageSite(nullptr);
        fp->site->Detach();
    }
    return result < 0 ? E_FAIL : S_OK;
}

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount, LPUNKNOWN* objects,
                               ULONG pageCount, LPCLSID pages, LCID locale, DWORD, LPVOID)
{
    OCPFIPARAMS params{};
    params.cbStructSize = sizeof params;
    params.hWndOwner = owner;
    params.x = static_cast<int>(x);
    params.y = static_cast<int>(y);
    params.lpszCaption = caption;
    params.cObjects = objectCount;
    params.lplpUnk = objects;
    params.cPages = pageCount;
    params.lpPages = pages;
    params.lcid = locale;
    return OleCreatePropertyFrameIndirect(&params);
}
