// The skinned message box: answers by click, Enter and Esc, the buttons'
// layout and captions, the icon, the default button, growing for long
// texts, an owner window, and the framework's message boxes routed to it.

#include "Win32/Toolkit/MessageBoxDialog.h"

#include <string>

#include "Platform/Mfc/AfxMessageBoxHandler.h"
#include "Win32/Toolkit/SkinnedControls.h"
#include "Win32/Toolkit/tests/DialogTestSupport.h"

using namespace dialog_test;

namespace {

constexpr int kMiddle = KLMsgBoxDialog::kMiddleButton;
constexpr int kText = KLMsgBoxDialog::kTextStatic;

class MessageBox : public DialogTest {
protected:
    // Shows a message box of `style`; `look` sees its window, then Esc
    // ends it. Returns the answer.
    int Show(UINT style, const std::string& text, const std::function<void(HWND)>& look, const char* caption = "")
    {
        KLMsgBoxDialog box(text.c_str(), style, 0, caption, nullptr);
        return static_cast<int>(RunWith({[&] { look(box.m_hWnd); }, [] { PressKey(VK_ESCAPE); }},
                                        [&] { return box.DoModal(); }));
    }
    static RECT PlaceOf(HWND dialog, int id)
    {
        RECT r{};
        ::GetWindowRect(::GetDlgItem(dialog, id), &r);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static std::string TextOf(HWND dialog, int id)
    {
        char text[4096] = {};
        ::GetDlgItemTextA(dialog, id, text, sizeof text);
        return text;
    }
};

enum class Act { Click, Enter, Esc };

struct AnswerCase {
    UINT type;
    Act act;
    int button; // the button clicked, or focused before Enter
    int answer;
};

TEST_F(MessageBox, EveryTypeAnswersByClickEnterAndEsc)
{
    const AnswerCase cases[] = {
        {MB_OK, Act::Click, IDOK, IDOK},
        {MB_OK, Act::Enter, IDOK, IDOK},
        {MB_OK, Act::Esc, 0, IDCANCEL},
        {MB_OKCANCEL, Act::Click, IDOK, IDOK},
        {MB_OKCANCEL, Act::Click, IDCANCEL, IDCANCEL},
        {MB_OKCANCEL, Act::Enter, IDOK, IDOK},
        {MB_OKCANCEL, Act::Enter, IDCANCEL, IDOK},
        {MB_OKCANCEL, Act::Esc, 0, IDCANCEL},
        {MB_ABORTRETRYIGNORE, Act::Click, IDOK, IDABORT},
        {MB_ABORTRETRYIGNORE, Act::Click, kMiddle, IDRETRY},
        {MB_ABORTRETRYIGNORE, Act::Click, IDCANCEL, IDIGNORE},
        {MB_ABORTRETRYIGNORE, Act::Enter, IDOK, IDABORT},
        {MB_ABORTRETRYIGNORE, Act::Enter, kMiddle, IDABORT},
        {MB_ABORTRETRYIGNORE, Act::Enter, IDCANCEL, IDABORT},
        {MB_ABORTRETRYIGNORE, Act::Esc, 0, IDIGNORE},
        {MB_YESNOCANCEL, Act::Click, IDOK, IDYES},
        {MB_YESNOCANCEL, Act::Click, kMiddle, IDNO},
        {MB_YESNOCANCEL, Act::Click, IDCANCEL, IDCANCEL},
        {MB_YESNOCANCEL, Act::Enter, IDOK, IDYES},
        {MB_YESNOCANCEL, Act::Enter, kMiddle, IDNO},
        {MB_YESNOCANCEL, Act::Enter, IDCANCEL, IDCANCEL},
        {MB_YESNOCANCEL, Act::Esc, 0, IDCANCEL},
        {MB_YESNO, Act::Click, IDOK, IDYES},
        {MB_YESNO, Act::Click, IDCANCEL, IDNO},
        {MB_YESNO, Act::Enter, IDOK, IDYES},
        {MB_YESNO, Act::Enter, IDCANCEL, IDNO},
        {MB_YESNO, Act::Esc, 0, IDNO},
        {MB_RETRYCANCEL, Act::Click, IDOK, IDRETRY},
        {MB_RETRYCANCEL, Act::Click, IDCANCEL, IDCANCEL},
        {MB_RETRYCANCEL, Act::Enter, IDOK, IDRETRY},
        {MB_RETRYCANCEL, Act::Enter, IDCANCEL, IDRETRY},
        {MB_RETRYCANCEL, Act::Esc, 0, IDCANCEL},
        {6, Act::Click, IDOK, IDOK},
        {6, Act::Click, IDCANCEL, IDCANCEL},
        {6, Act::Enter, kMiddle, IDOK},
        {15, Act::Esc, 0, IDCANCEL},
    };
    for (const AnswerCase& c : cases) {
        KLMsgBoxDialog box("Question?", c.type, 0, "", nullptr);
        std::vector<std::function<void()>> steps;
        if (c.act == Act::Click) {
            steps.push_back([&] { Click(CentreOf(::GetDlgItem(box.m_hWnd, c.button))); });
        } else if (c.act == Act::Enter) {
            steps.push_back([&] {
                ::SendMessageA(box.m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(box.m_hWnd, c.button)), TRUE);
            });
            steps.push_back([] { PressKey(VK_RETURN); });
        } else {
            steps.push_back([] { PressKey(VK_ESCAPE); });
        }
        const INT_PTR answer = RunWith(std::move(steps), [&] { return box.DoModal(); });
        EXPECT_EQ(answer, c.answer) << "type " << c.type << " act " << static_cast<int>(c.act) << " button " << c.button;
    }
}

TEST_F(MessageBox, TheMiddleButtonOfAnUnknownTypeAnswersNothing)
{
    KLMsgBoxDialog box("Question?", 9, 0, "", nullptr);
    bool open = false;
    const INT_PTR answer = RunWith({[&] { Click(CentreOf(::GetDlgItem(box.m_hWnd, kMiddle))); },
                                    [&] {
                                        open = ::IsWindow(box.m_hWnd) != FALSE;
                                        PressKey(VK_ESCAPE);
                                    }},
                                   [&] { return box.DoModal(); });
    EXPECT_TRUE(open);
    EXPECT_EQ(answer, IDCANCEL);
}

enum class Layout { OkOnly, Pair, Three };

struct LayoutCase {
    UINT type;
    Layout layout;
    const char* captions[3]; // IDOK, 4353, IDCANCEL
};

TEST_F(MessageBox, TheTypeChoosesTheButtonsTheirCaptionsAndPlaces)
{
    const LayoutCase cases[] = {
        {MB_OK, Layout::OkOnly, {"OK", "Middle", "Cancel"}},
        {MB_OKCANCEL, Layout::Pair, {"OK", "Middle", "Cancel"}},
        {MB_ABORTRETRYIGNORE, Layout::Three, {"&Abort", "&Retry", "&Ignore"}},
        {MB_YESNOCANCEL, Layout::Three, {"&Yes", "&No", "Cancel"}},
        {MB_YESNO, Layout::Pair, {"&Yes", "Middle", "&No"}},
        {MB_RETRYCANCEL, Layout::Pair, {"&Retry", "Middle", "Cancel"}},
        {6, Layout::Three, {"OK", "Middle", "Cancel"}},
        {15, Layout::Three, {"OK", "Middle", "Cancel"}},
    };
    // The template's places: three buttons in a row, as an unknown type shows them.
    RECT ok{};
    RECT middle{};
    RECT cancel{};
    Show(6, "Text", [&](HWND d) {
        ok = PlaceOf(d, IDOK);
        middle = PlaceOf(d, kMiddle);
        cancel = PlaceOf(d, IDCANCEL);
    });
    const LONG half = (middle.right - middle.left) / 2;
    for (const LayoutCase& c : cases) {
        Show(c.type, "Text", [&](HWND d) {
            const bool middleShown = c.layout == Layout::Three;
            const bool cancelShown = c.layout != Layout::OkOnly;
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(d, IDOK)));
            EXPECT_EQ(::IsWindowVisible(::GetDlgItem(d, kMiddle)) != FALSE, middleShown) << c.type;
            EXPECT_EQ(::IsWindowVisible(::GetDlgItem(d, IDCANCEL)) != FALSE, cancelShown) << c.type;
            EXPECT_EQ(TextOf(d, IDOK), c.captions[0]) << c.type;
            EXPECT_EQ(TextOf(d, kMiddle), c.captions[1]) << c.type;
            EXPECT_EQ(TextOf(d, IDCANCEL), c.captions[2]) << c.type;
            const LONG okShift = c.layout == Layout::OkOnly ? middle.left - ok.left : c.layout == Layout::Pair ? half : 0;
            EXPECT_EQ(PlaceOf(d, IDOK).left, ok.left + okShift) << c.type;
            EXPECT_EQ(PlaceOf(d, IDCANCEL).left, cancel.left - (c.layout == Layout::Pair ? half : 0)) << c.type;
        });
    }
}

TEST_F(MessageBox, TheIconFollowsTheIconFlags)
{
    const struct {
        UINT flags;
        LPCSTR icon;
    } cases[] = {
        {0, IDI_ASTERISK},          {MB_ICONHAND, IDI_HAND},   {MB_ICONQUESTION, IDI_QUESTION},
        {MB_ICONEXCLAMATION, IDI_EXCLAMATION}, {MB_ICONASTERISK, IDI_ASTERISK}, {0x50, IDI_ASTERISK},
        {0xF0, IDI_ASTERISK},
    };
    for (const auto& c : cases) {
        Show(MB_OK | c.flags, "Text", [&](HWND d) {
            EXPECT_EQ(reinterpret_cast<HICON>(::SendDlgItemMessageA(d, KLMsgBoxDialog::kIconStatic, STM_GETICON, 0, 0)),
                      ::LoadIconA(nullptr, c.icon))
                << std::hex << c.flags;
        });
    }
}

TEST_F(MessageBox, TheDefaultButtonFollowsTheFlagsOrIsTheFirst)
{
    const struct {
        UINT style;
        int defaultId;
    } cases[] = {
        {MB_YESNOCANCEL | MB_DEFBUTTON1, IDOK},   {MB_YESNOCANCEL | MB_DEFBUTTON2, kMiddle},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL}, {MB_YESNO | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON3, IDOK},          {MB_OK | MB_DEFBUTTON2, IDOK},
        {MB_OKCANCEL | 0x300, IDOK},               {MB_OKCANCEL | 0xF00, IDOK},
    };
    for (const auto& c : cases) {
        Show(c.style, "Text", [&](HWND d) {
            EXPECT_EQ(LOWORD(::SendMessageA(d, DM_GETDEFID, 0, 0)), c.defaultId) << std::hex << c.style;
        });
    }
}

// What the box looks like once it has its text.
struct Measured {
    RECT window;
    RECT text;
    RECT ok;
    int textNeeds; // the height the text needs in the static, as the static draws
};

class MessageBoxSize : public MessageBox {
protected:
    Measured Measure(const std::string& text)
    {
        Measured m{};
        Show(MB_YESNOCANCEL, text, [&](HWND d) {
            ::GetWindowRect(d, &m.window);
            m.text = PlaceOf(d, kText);
            m.ok = PlaceOf(d, IDOK);
            HWND stat = ::GetDlgItem(d, kText);
            RECT need = ClientRectOf(stat);
            HDC dc = ::GetDC(stat);
            HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(stat, WM_GETFONT, 0, 0)));
            ::DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
            ::SelectObject(dc, old);
            ::ReleaseDC(stat, dc);
            m.textNeeds = need.bottom - need.top;
            EXPECT_EQ(TextOf(d, kText), text.substr(0, 4095));
        });
        return m;
    }
    static LONG Height(const RECT& r) { return r.bottom - r.top; }
    static RECT WorkArea()
    {
        RECT work{};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        return work;
    }
};

std::string Lines(int count, const std::string& line)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += line + "\n";
    return text;
}

TEST_F(MessageBoxSize, ALongTextGrowsTheBoxByItsOverflowAndSixAndCentresIt)
{
    const Measured fits = Measure("Short.");
    // Many lines, and one paragraph that only word-wrapping makes tall.
    std::string paragraph;
    for (int i = 0; i < 12; ++i)
        paragraph += "The message wraps at the edge of the box. ";
    for (const std::string& text : {Lines(12, "A line of the message."), paragraph}) {
        const Measured m = Measure(text);
        const LONG grow = m.textNeeds - Height(fits.text) + 6;
        ASSERT_GT(grow, 6) << text;
        EXPECT_EQ(Height(m.window), Height(fits.window) + grow) << text;
        EXPECT_EQ(Height(m.text), Height(fits.text) + grow);
        EXPECT_EQ(m.ok.top, fits.ok.top + grow);
        const RECT work = WorkArea();
        EXPECT_NEAR((m.window.top + m.window.bottom) / 2, (work.top + work.bottom) / 2, 1) << "centred";
        EXPECT_NEAR((m.window.left + m.window.right) / 2, (work.left + work.right) / 2, 1);
    }
}

TEST_F(MessageBoxSize, BadTextsShowWithoutHarm)
{
    const Measured fits = Measure("Short.");
    const RECT work = WorkArea();
    struct Case {
        std::string text;
        bool grows;
    };
    const Case cases[] = {
        {"", false},
        {std::string(300, 'W'), false}, // one word longer than the box stays one line
        {"Gr\xc3\xbc\xc3\x9f" "e \xe2\x80\x94 \xe6\x97\xa5\xe6\x9c\xac", false},
        {"Save & quit && go", false},
        {Lines(30, "ab"), true},
        {Lines(2000, "Thousands of lines"), true},
    };
    for (const Case& c : cases) {
        const Measured m = Measure(c.text);
        EXPECT_EQ(Height(m.window) > Height(fits.window), c.grows) << c.text.substr(0, 40);
        EXPECT_LE(Height(m.window), work.bottom - work.top) << "no taller than the work area";
        if (c.grows) {
            EXPECT_GE(m.window.top, work.top);
            EXPECT_LE(m.window.bottom, work.bottom) << "the buttons stay on screen";
        }
    }
}

TEST_F(MessageBox, AnEmptyCaptionKeepsTheTemplatesTitle)
{
    for (const char* caption : {"", "Saving"}) {
        Show(MB_OK, "Text", [&](HWND d) {
            char title[64] = {};
            ::GetWindowTextA(d, title, sizeof title);
            EXPECT_STREQ(title, *caption ? caption : "Kestrelon");
        }, caption);
    }
}

TEST_F(MessageBox, KLMessageBoxShowsOverItsOwner)
{
    HWND owner = MakeTopLevel(RECT{50, 50, 450, 350}, WS_POPUP | WS_VISIBLE | WS_CAPTION);
    HWND shown = nullptr;
    const int answer = RunWith({[&] {
                                   shown = ::GetActiveWindow();
                                   EXPECT_EQ(::GetWindow(shown, GW_OWNER), owner);
                                   EXPECT_FALSE(::IsWindowEnabled(owner));
                                   char title[64] = {};
                                   ::GetWindowTextA(shown, title, sizeof title);
                                   EXPECT_STREQ(title, "Owner's question");
                                   CWnd* object = CWnd::FromHandlePermanent(shown);
                                   EXPECT_TRUE(object && object->IsKindOf(RUNTIME_CLASS(KLMsgBoxDialog)));
                                   PressKey(VK_ESCAPE);
                               }},
                               [&] { return KLMessageBox(owner, "Go on?", "Owner's question", MB_YESNO); });
    EXPECT_EQ(answer, IDNO);
    EXPECT_NE(shown, nullptr);
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

// The application the tests stand in for: every framework message box
// comes up skinned.
class CSkinnedTestApp : public CWinApp {
public:
    CSkinnedTestApp() : CWinApp("Kestrelon Dialog Test") {}
    int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt) override
    {
        return SkinnedMessageBox(lpszPrompt, nType, nIDPrompt);
    }
};

TEST_F(MessageBox, FrameworkMessageBoxesComeUpSkinned)
{
    CSkinnedTestApp app;
    AfxMessageBoxHandler previous = AfxSetMessageBoxHandler(nullptr);
    bool skinned = false;
    std::string text;
    const int answer = RunWith({[&] {
                                   HWND shown = ::GetActiveWindow();
                                   CWnd* object = CWnd::FromHandlePermanent(shown);
                                   skinned = object && object->IsKindOf(RUNTIME_CLASS(KLMsgBoxDialog));
                                   text = TextOf(shown, kText);
                                   EXPECT_EQ(::GetWindow(shown, GW_OWNER), nullptr);
                                   PressKey(VK_RETURN);
                               }},
                               [&] { return AfxMessageBox("Saved.", MB_OKCANCEL | MB_ICONEXCLAMATION); });
    AfxSetMessageBoxHandler(previous);
    EXPECT_TRUE(skinned);
    EXPECT_EQ(text, "Saved.");
    EXPECT_EQ(answer, IDOK);
}

} // namespace
