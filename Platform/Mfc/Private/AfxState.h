#pragma once
// The framework's per-thread state: the maps from handles to the objects
// that stand for them, the message being handled, the window being created.
//
// Permanent entries belong to objects the program made and attached; the
// map only points at them. Temporary entries are objects the framework
// made to wrap a handle nobody attached (FromHandle); it owns them and
// deletes them, detached from their handles, when the thread next idles.

#include <memory>
#include <set>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "Platform/Mfc/Object.h"
#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/User.h"

class CWnd;
class CDC;
class CGdiObject;
class CMenu;
class CWinThread;

template <class T, class H>
class CHandleMap {
public:
    T* FromPermanent(H handle) const
    {
        auto it = m_permanent.find(handle);
        return it == m_permanent.end() ? nullptr : it->second;
    }
    T* FromTemporary(H handle) const
    {
        auto it = m_temporary.find(handle);
        return it == m_temporary.end() ? nullptr : it->second.get();
    }
    void SetPermanent(H handle, T* object) { m_permanent[handle] = object; }
    // Forgets the handle's permanent object when it is `object`.
    void RemovePermanent(H handle, T* object)
    {
        auto it = m_permanent.find(handle);
        if (it != m_permanent.end() && it->second == object)
            m_permanent.erase(it);
    }
    // The object for a handle: the permanent one, else a temporary made by
    // `make`. With U, the object must be a U: a permanent or temporary
    // object of another kind is passed over and a U is made beside it.
    template <class U = T, class Make>
    U* FromHandle(H handle, Make make)
    {
        if (!handle)
            return nullptr;
        if (T* object = FromPermanent(handle); object && IsA<U>(object))
            return static_cast<U*>(object);
        auto it = m_temporary.find(handle);
        if (it != m_temporary.end() && IsA<U>(it->second.get()))
            return static_cast<U*>(it->second.get());
        U* made = make(handle);
        if (it == m_temporary.end())
            m_temporary.emplace(handle, std::unique_ptr<T, Deleter>(made));
        else
            m_others.emplace_back(made);
        return made;
    }
    void DeleteTemporaries()
    {
        m_temporary.clear();
        m_others.clear();
    }
    size_t TemporaryCount() const { return m_temporary.size() + m_others.size(); }
    // Walks the permanent objects.
    template <class Visit>
    T* FindPermanent(Visit visit) const
    {
        for (auto& [handle, object] : m_permanent)
            if (visit(object))
                return object;
        return nullptr;
    }

private:
    template <class U>
    static bool IsA(T* object)
    {
        if constexpr (std::is_same_v<U, T>)
            return true;
        else
            return object->IsKindOf(U::GetThisClass());
    }

    // A temporary lets go of its handle before it is deleted, so that its
    // destructor leaves the window, DC or object alone.
    static void Detach(T* object);
    struct Deleter {
        void operator()(T* object) const
        {
            Detach(object);
            delete object;
        }
    };
    std::unordered_map<H, T*> m_permanent;
    std::unordered_map<H, std::unique_ptr<T, Deleter>> m_temporary;
    // Temporaries of a more derived kind for handles that had one already.
    std::vector<std::unique_ptr<T, Deleter>> m_others;
};

template <>
void CHandleMap<CWnd, HWND>::Detach(CWnd* object);
template <>
void CHandleMap<CDC, HDC>::Detach(CDC* object);
template <>
void CHandleMap<CGdiObject, HGDIOBJ>::Detach(CGdiObject* object);
template <>
void CHandleMap<CMenu, HMENU>::Detach(CMenu* object);

struct AFX_THREAD_STATE {
    CHandleMap<CWnd, HWND> windows;
    CHandleMap<CDC, HDC> dcs;
    CHandleMap<CGdiObject, HGDIOBJ> gdiObjects;
    CHandleMap<CMenu, HMENU> menus;
    // The message the window procedure is handling now (Default() answers it).
    MSG lastSentMsg{};
    // The object whose window CreateEx is making on this thread.
    CWnd* pWndInit = nullptr;
    // The creation hook that was in place before pWndInit's.
    win::CreationHook creationHookBefore = nullptr;
    // The popup menu CMenu::TrackPopupMenu is showing, for WM_MEASUREITEM.
    HMENU trackingMenu = nullptr;
    CWinThread* pThread = nullptr;
    // The dialog whose UpdateData is moving values: its controls'
    // notifications are not dispatched to it meanwhile.
    HWND lockoutNotifyWindow = nullptr;
    // While above zero, OnIdle keeps the temporary objects.
    int tempMapLock = 0;
    int waitCursorCount = 0;
    HCURSOR cursorBeforeWait = nullptr;
    // Tool tips of the windows that enabled them (EnableToolTips): one tip
    // for the thread and the tool it shows now.
    std::set<HWND> toolTipWindows;
    HWND toolTip = nullptr;
    HWND toolTipOwner = nullptr;
    INT_PTR toolTipLastHit = -1;
    UINT_PTR toolTipLastId = 0;
};

AFX_THREAD_STATE* AfxGetThreadState();

// The application's part in window handling: a window of the calling
// thread's objects has gone (the thread ends with its main window), and the
// caption of message boxes that name none (the application's name).
void AfxWindowGone(CWnd* pWnd);
LPCSTR AfxCaptionText();

// Wait cursors: AfxWaitCursor goes through the application's DoWaitCursor
// when there is an application; AfxDoWaitCursor is the thread's own count
// (1 begins, -1 ends, 0 shows the wait cursor again).
void AfxWaitCursor(int nCode);
void AfxDoWaitCursor(int nCode);
