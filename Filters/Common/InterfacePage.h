#pragma once
// The base of the plug-ins' property pages: a page that talks to its
// object through one interface, held from connect to disconnect, and that
// knows whether it is active (between OnActivate and OnDeactivate).

#include "Platform/DShow/DShow.h"

template <typename Interface, const IID& Iid> class CInterfacePage : public CBasePropertyPage {
public:
    using CBasePropertyPage::CBasePropertyPage;

    // E_POINTER for no object, E_NOINTERFACE when it lacks the interface.
    HRESULT OnConnect(IUnknown* object) override
    {
        CheckPointer(object, E_POINTER);
        return object->QueryInterface(Iid, reinterpret_cast<void**>(&m_held));
    }
    // E_UNEXPECTED when nothing is held.
    HRESULT OnDisconnect() override
    {
        if (!m_held)
            return E_UNEXPECTED;
        m_held->Release();
        m_held = nullptr;
        return S_OK;
    }
    HRESULT OnActivate() override
    {
        m_active = true;
        return S_OK;
    }
    HRESULT OnDeactivate() override
    {
        m_active = false;
        return S_OK;
    }

protected:
    // Sets the dirty flag and tells the page site, once, while active.
    void MarkDirty()
    {
        if (m_active && !m_bDirty)
            SetDirty();
    }

    Interface* m_held = nullptr;
    bool m_active = false;
};
