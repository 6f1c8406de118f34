// The modal loop base of dialogs, message boxes, menus and frame drags.

#include "Platform/Win/User/ModalLoop.h"
#include "Platform/Win/User/Private/UserInternal.h"

namespace win {

namespace {

thread_local ModalLoop* t_innermost = nullptr;

} // namespace

ModalLoop::ModalLoop(HWND owner) : m_owner(owner)
{
    if (m_owner && IsWindow(m_owner) && IsWindowEnabled(m_owner)) {
        EnableWindow(m_owner, FALSE);
        m_ownerDisabled = true;
    }
}

ModalLoop::~ModalLoop() { ReleaseOwner(); }

void ModalLoop::ReleaseOwner()
{
    if (!m_ownerDisabled)
        return;
    m_ownerDisabled = false;
    if (!IsWindow(m_owner))
        return;
    EnableWindow(m_owner, TRUE);
    HWND active = GetActiveWindow();
    if (!active || active == m_watched)
        SetActiveWindow(m_owner);
}

void ModalLoop::End(INT_PTR result)
{
    if (m_ended)
        return;
    m_ended = true;
    m_result = result;
    // Wakes the loop if it sleeps in GetMessage.
    PostMessageA(nullptr, WM_NULL, 0, 0);
}

ModalLoop* ModalLoop::Find(HWND window)
{
    for (ModalLoop* loop = t_innermost; loop; loop = loop->m_outer)
        if (loop->m_watched == window)
            return loop;
    return nullptr;
}

INT_PTR ModalLoop::Run(HWND watched, INT_PTR fallback)
{
    m_watched = watched;
    m_outer = t_innermost;
    t_innermost = this;
    bool idleDone = false;
    while (!m_ended) {
        if (m_watched && !IsWindow(m_watched))
            break;
        MSG msg{};
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (m_idle && !idleDone) {
                idleDone = true;
                m_idle();
                continue;
            }
            WaitMessage();
            continue;
        }
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            // The quit belongs to the outer loop too.
            m_quit = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        idleDone = false;
        if (m_filter && m_filter(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    t_innermost = m_outer;
    return m_ended ? m_result : fallback;
}

} // namespace win
