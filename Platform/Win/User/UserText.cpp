// Typed text from the desktop's text input: one WM_CHAR per byte, queued
// with the keyboard input so that it arrives in order with the keys.

#include <atomic>

#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

namespace {

std::atomic<bool> g_hostTypesText{false};

} // namespace

bool HostTypesText() { return g_hostTypesText; }

void SetHostTypesText(bool hostTypes) { g_hostTypesText = hostTypes; }

void InjectText(const std::string& text, DWORD time)
{
    Guard lock(Lock());
    UserState& state = State();
    Window* active = FindLocked(state.active);
    if (!active || text.empty())
        return;
    MessageQueue* queue = QueueOfLocked(active->thread);
    if (!queue)
        return;
    for (unsigned char byte : text) {
        InputEvent event;
        event.kind = InputKind::Char;
        event.vk = byte;
        event.time = time ? time : Now();
        event.pt = state.cursorPos;
        queue->m_input.push_back(event);
    }
    queue->Note(QS_KEY);
    Wake();
}

} // namespace win::user
