#pragma once
// A property page site for the tests of property pages: it records every
// status a page reports and answers the rest plainly.

#include <vector>

#include "Platform/Com/Com.h"

namespace dshow_test {

class RecordingPageSite final : public com::Object<com::Implements<IPropertyPageSite, IID_IPropertyPageSite>> {
public:
    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override
    {
        m_flags.push_back(flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override
    {
        if (!locale)
            return E_POINTER;
        *locale = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return E_NOTIMPL; }

    // Every flag reported, in order.
    std::vector<DWORD> m_flags;
};

} // namespace dshow_test
