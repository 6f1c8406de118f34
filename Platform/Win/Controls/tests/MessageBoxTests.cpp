#include <gtest/gtest.h>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"

namespace {

using namespace controls_test;

class MessageBoxes : public ControlsTest {};

// Keys pressed from a timer once the box is up; `look` sees the box first.
struct Answer {
    std::vector<UINT> keys;
    std::function<void(HWND box)> look;
    bool done = false;
};
Answer* g_answer = nullptr;

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = GetActiveWindow();
    if (!g_answer || g_answer->done || !box)
        return;
    char name[16] = {};
    GetClassNameA(box, name, sizeof name);
    if (std::string(name) != "#32770")
        return;
    KillTimer(nullptr, id);
    g_answer->done = true;
    if (g_answer->look)
        g_answer->look(box);
    for (UINT key : g_answer->keys) {
        if (key == VK_SHIFT + 0x100) {
            KeyWith(VK_SHIFT, VK_TAB);
            continue;
        }
        Key(key);
    }
}

int Ask(HWND owner, UINT type, Answer answer, const char* caption = "Question")
{
    g_answer = &answer;
    SetTimer(nullptr, 0, 10, AnswerTimer);
    int result = MessageBoxA(owner, "Is this the text?", caption, type);
    g_answer = nullptr;
    return result;
}

TEST_F(MessageBoxes, KeysAnswerByTypeAndDefaultButton)
{
    struct Case {
        UINT type;
        std::vector<UINT> keys;
        int expected;
    };
    const Case cases[] = {
        {MB_OK, {VK_RETURN}, IDOK},
        {MB_OK, {VK_ESCAPE}, IDOK},
        {MB_OKCANCEL, {VK_ESCAPE}, IDCANCEL},
        {MB_OKCANCEL | MB_DEFBUTTON2, {VK_RETURN}, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON2, {VK_RETURN}, IDNO},
        {MB_YESNO, {VK_ESCAPE, VK_RETURN}, IDYES},
        {MB_YESNO, {'N'}, IDNO},
        {MB_YESNOCANCEL, {VK_TAB, VK_RETURN}, IDNO},
        {MB_YESNOCANCEL, {VK_ESCAPE}, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {VK_RETURN}, IDIGNORE},
        {MB_ABORTRETRYIGNORE, {'R'}, IDRETRY},
        {MB_RETRYCANCEL, {VK_ESCAPE}, IDCANCEL},
    };
    HWND owner = MakeTopLevel(RECT{100, 100, 500, 400}, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    for (const Case& c : cases)
        EXPECT_EQ(Ask(owner, c.type, Answer{c.keys, nullptr}), c.expected) << "type " << c.type;
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(MessageBoxes, TheBoxShowsTheStockIconTextAndCaptionWhileTheOwnerWaits)
{
    HWND owner = MakeTopLevel(RECT{100, 100, 500, 400}, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    bool ownerDisabled = false;
    HICON icon = nullptr;
    std::string text;
    std::string caption;
    Answer answer{{VK_RETURN}, [&](HWND box) {
                      ownerDisabled = !IsWindowEnabled(owner);
                      icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, 20, STM_GETICON, 0, 0));
                      text = WindowText(GetDlgItem(box, 0xFFFF));
                      caption = WindowText(box);
                  }};
    EXPECT_EQ(Ask(owner, MB_OKCANCEL | MB_ICONQUESTION, answer, "Caption"), IDOK);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(icon, LoadIconA(nullptr, IDI_QUESTION));
    EXPECT_EQ(text, "Is this the text?");
    EXPECT_EQ(caption, "Caption");
}

TEST_F(MessageBoxes, AnOwnerlessBoxIsCentredOnTheScreenAndCaptionedError)
{
    RECT place{};
    std::string caption;
    Answer answer{{VK_RETURN}, [&](HWND box) {
                      GetWindowRect(box, &place);
                      caption = WindowText(box);
                  }};
    g_answer = &answer;
    SetTimer(nullptr, 0, 10, AnswerTimer);
    EXPECT_EQ(MessageBoxA(nullptr, "Unable to load resource DLLs.", nullptr, MB_OK), IDOK);
    g_answer = nullptr;
    EXPECT_EQ(caption, "Error");
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_LE(std::abs((place.left + place.right) / 2 - screenWidth / 2), 1);
}

TEST_F(MessageBoxes, AnUnknownTypeShowsOk)
{
    HWND owner = MakeTopLevel(RECT{100, 100, 500, 400}, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_EQ(Ask(owner, 0x0F, Answer{{VK_RETURN}, nullptr}), IDOK);
}

} // namespace
