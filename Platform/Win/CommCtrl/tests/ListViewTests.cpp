#include <gtest/gtest.h>

#include <string>

#include "Platform/Win/CommCtrl/tests/CommCtrlTestSupport.h"

namespace {

using namespace commctrl_test;

class ListViews : public CommCtrlTest {
protected:
    HWND MakeList(DWORD style = LVS_ICON | LVS_SHOWSELALWAYS, RECT r = RECT{10, 10, 330, 200})
    {
        HWND list = Make(WC_LISTVIEWA, style, r, 1154);
        return list;
    }
    static int Insert(HWND list, int at, const char* text, LPARAM data = 0, int image = -1)
    {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = at;
        item.pszText = const_cast<char*>(text);
        item.lParam = data;
        item.iImage = image;
        return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    static std::string Text(HWND list, int index, int sub = 0)
    {
        char buffer[64] = {};
        LVITEMA item{};
        item.iSubItem = sub;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    static void SetState(HWND list, int index, UINT state, UINT mask)
    {
        LVITEMA item{};
        item.state = state;
        item.stateMask = mask;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
    static std::vector<int> Selected(HWND list)
    {
        std::vector<int> out;
        for (int i = -1; (i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i),
                                                              LVNI_SELECTED))) >= 0;)
            out.push_back(i);
        return out;
    }
    POINT ItemPoint(HWND list, int index)
    {
        RECT r{LVIR_ICON, 0, 0, 0};
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        return Screen(list, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
};

TEST_F(ListViews, InsertSetGetDeleteTable)
{
    HWND list = MakeList();
    EXPECT_EQ(Insert(list, 0, "b", 2), 0);
    EXPECT_EQ(Insert(list, 0, "a", 1), 0);
    EXPECT_EQ(Insert(list, 99, "c", 3), 2) << "past the end appends";
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);

    struct Case {
        int index;
        int sub;
        const char* text;
        BOOL ok;
    } cases[] = {
        {0, 0, "a", TRUE}, {1, 0, "b", TRUE}, {2, 0, "c", TRUE}, {1, 2, "b-2", TRUE},
        {3, 0, "", FALSE}, {-1, 0, "", FALSE}, {0, 99, "", FALSE},
    };
    for (const Case& c : cases) {
        LVITEMA item{};
        item.iSubItem = c.sub;
        item.pszText = const_cast<char*>(c.text);
        if (c.sub) {
            EXPECT_EQ(SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(c.index), reinterpret_cast<LPARAM>(&item)),
                      c.ok);
        }
        if (c.ok)
            EXPECT_EQ(Text(list, c.index, c.sub), c.text) << c.index << "/" << c.sub;
        else
            EXPECT_EQ(Text(list, c.index, c.sub), "") << c.index << "/" << c.sub;
    }

    LVITEMA item{};
    item.mask = LVIF_PARAM | LVIF_IMAGE;
    item.iItem = 2;
    ASSERT_TRUE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.lParam, 3);
    item.iItem = 3;
    EXPECT_FALSE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_FALSE(SendMessageA(list, LVM_GETITEMA, 0, 0));

    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = 2;
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 1);
    find.flags = LVFI_STRING;
    find.psz = "C";
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 2);

    m_notices.clear();
    EXPECT_TRUE(SendMessageA(list, LVM_DELETEITEM, 1, 0));
    EXPECT_FALSE(SendMessageA(list, LVM_DELETEITEM, 7, 0));
    EXPECT_EQ(Text(list, 1), "c");
    EXPECT_TRUE(SendMessageA(list, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(Codes(), (std::vector<UINT>{LVN_DELETEITEM, LVN_DELETEALLITEMS, LVN_DELETEITEM, LVN_DELETEITEM}));
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
}

TEST_F(ListViews, StateChangeNotifiesOncePerItemWithOldAndNewState)
{
    HWND list = MakeList();
    for (const char* name : {"one", "two", "three"})
        Insert(list, 99, name);
    m_notices.clear();
    SetState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    SetState(list, 1, LVIS_SELECTED, LVIS_SELECTED); // no change, no notice
    auto changed = Of(LVN_ITEMCHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].list.iItem, 1);
    EXPECT_EQ(changed[0].list.uOldState, 0u);
    EXPECT_EQ(changed[0].list.uNewState, LVIS_SELECTED);
    EXPECT_EQ(changed[0].list.uChanged, LVIF_STATE);
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);

    // All at once: one notice for each item that changes.
    m_notices.clear();
    SetState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(Of(LVN_ITEMCHANGED).size(), 2u);
    EXPECT_EQ(Selected(list), (std::vector<int>{0, 1, 2}));

    // A parent that refuses the change keeps the state.
    m_answer = [](const NMHDR* h) { return h->code == LVN_ITEMCHANGING ? 1 : 0; };
    SetState(list, 0, 0, LVIS_SELECTED);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 0, LVIS_SELECTED), static_cast<LRESULT>(LVIS_SELECTED));
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 9, LVIS_SELECTED), 0) << "an index past the end";
}

TEST_F(ListViews, ClicksSelectWithControlAndShiftAndReport)
{
    HWND list = MakeList();
    for (int i = 0; i < 5; ++i)
        Insert(list, i, ("item " + std::to_string(i)).c_str(), i);
    PumpUntilIdle();

    ClickAt(ItemPoint(list, 1));
    PumpUntilIdle();
    EXPECT_EQ(Selected(list), (std::vector<int>{1}));
    ASSERT_EQ(Of(NM_CLICK).size(), 1u);
    EXPECT_EQ(Of(NM_CLICK)[0].list.iItem, 1);

    win::user::InjectKey(VK_CONTROL, true);
    ClickAt(ItemPoint(list, 3));
    win::user::InjectKey(VK_CONTROL, false);
    PumpUntilIdle();
    EXPECT_EQ(Selected(list), (std::vector<int>{1, 3}));

    win::user::InjectKey(VK_SHIFT, true);
    ClickAt(ItemPoint(list, 4));
    win::user::InjectKey(VK_SHIFT, false);
    PumpUntilIdle();
    EXPECT_EQ(Selected(list), (std::vector<int>{3, 4})) << "from the anchor of the last Ctrl-click";

    m_notices.clear();
    ClickAt(ItemPoint(list, 0), MouseButton::Right);
    PumpUntilIdle();
    EXPECT_EQ(Selected(list), (std::vector<int>{0}));
    ASSERT_EQ(Of(NM_RCLICK).size(), 1u);
    EXPECT_EQ(Of(NM_RCLICK)[0].list.iItem, 0);

    // Arrows move the selection; Delete reaches the parent as LVN_KEYDOWN.
    m_notices.clear();
    Key(VK_RIGHT);
    Key(VK_DELETE);
    PumpUntilIdle();
    EXPECT_EQ(Selected(list), (std::vector<int>{1}));
    EXPECT_EQ(Of(LVN_KEYDOWN).size(), 2u);
}

TEST_F(ListViews, SingleSelectionKeepsOneItem)
{
    HWND list = MakeList(LVS_ICON | LVS_SINGLESEL);
    for (int i = 0; i < 3; ++i)
        Insert(list, i, "x");
    SetState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    SetState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(Selected(list), (std::vector<int>{2}));
}

TEST_F(ListViews, EnsureVisibleScrolls)
{
    HWND list = MakeList(LVS_ICON, RECT{10, 10, 200, 120});
    for (int i = 0; i < 30; ++i)
        Insert(list, i, "scene");
    RECT before{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, 29, reinterpret_cast<LPARAM>(&before));
    RECT client{};
    GetClientRect(list, &client);
    ASSERT_GT(before.top, client.bottom);
    EXPECT_TRUE(SendMessageA(list, LVM_ENSUREVISIBLE, 29, FALSE));
    RECT after{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, 29, reinterpret_cast<LPARAM>(&after));
    EXPECT_LE(after.bottom, client.bottom);
    EXPECT_GE(after.top, client.top);
    EXPECT_GT(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 0);
    EXPECT_FALSE(SendMessageA(list, LVM_ENSUREVISIBLE, 30, FALSE));

    LVHITTESTINFO hit{};
    hit.pt = POINT{(after.left + after.right) / 2, after.top + 10};
    EXPECT_EQ(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 29);
    EXPECT_EQ(hit.flags, LVHT_ONITEMICON);
}

TEST_F(ListViews, ImageListsBelongToTheViewUnlessShared)
{
    HWND list = MakeList();
    HIMAGELIST images = ImageList_Create(80, 60, ILC_COLOR24, 0, 8);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images)), 0);
    EXPECT_EQ(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0), reinterpret_cast<LRESULT>(images));
    EXPECT_EQ(SendMessageA(list, LVM_GETIMAGELIST, 7, 0), 0);
    EXPECT_TRUE(ImageList_SetImageCount(images, 0));
    DestroyWindow(list);
    EXPECT_FALSE(ImageList_Destroy(images)) << "the view destroyed it";
}

} // namespace

namespace {

using namespace commctrl_test;

class ImageLists : public CommCtrlTest {};

// A 2-image strip: image 0 red with a black corner pixel, image 1 green.
HBITMAP MakeStrip(HDC dc)
{
    HBITMAP strip = CreateCompatibleBitmap(dc, 8, 4);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, strip);
    RECT red{0, 0, 4, 4};
    RECT green{4, 0, 8, 4};
    HBRUSH r = CreateSolidBrush(RGB(255, 0, 0));
    HBRUSH g = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(memory, &red, r);
    FillRect(memory, &green, g);
    SetPixel(memory, 0, 0, RGB(0, 0, 0));
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(r);
    DeleteObject(g);
    return strip;
}

TEST_F(ImageLists, MaskedImagesDrawTransparentlyAndBadIndicesFail)
{
    HDC screen = GetDC(nullptr);
    HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 0, 8);
    HBITMAP strip = MakeStrip(screen);
    EXPECT_EQ(ImageList_AddMasked(list, strip, RGB(0, 0, 0)), 0);
    EXPECT_EQ(ImageList_GetImageCount(list), 2);
    int cx = 0;
    int cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
    EXPECT_EQ(cx, 4);

    HDC memory = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 8, 4);
    HGDIOBJ old = SelectObject(memory, target);
    RECT all{0, 0, 8, 4};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(memory, &all, blue);
    EXPECT_TRUE(ImageList_Draw(list, 0, memory, 0, 0, ILD_TRANSPARENT));
    EXPECT_TRUE(ImageList_Draw(list, 1, memory, 4, 0, ILD_NORMAL));
    EXPECT_EQ(GetPixel(memory, 0, 0), RGB(0, 0, 255)) << "the masked pixel lets the background through";
    EXPECT_EQ(GetPixel(memory, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(memory, 5, 1), RGB(0, 255, 0));
    EXPECT_TRUE(ImageList_Draw(list, 1, memory, 4, 0, ILD_SELECTED));
    EXPECT_NE(GetPixel(memory, 5, 1), RGB(0, 255, 0)) << "blended with the highlight";

    EXPECT_FALSE(ImageList_Draw(list, 2, memory, 0, 0, ILD_NORMAL));
    EXPECT_FALSE(ImageList_Draw(list, -1, memory, 0, 0, ILD_NORMAL));
    EXPECT_FALSE(ImageList_Remove(list, 5));
    EXPECT_TRUE(ImageList_Remove(list, 0));
    EXPECT_EQ(ImageList_GetImageCount(list), 1);
    EXPECT_TRUE(ImageList_SetImageCount(list, 0));
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
    EXPECT_EQ(ImageList_Create(0, 4, ILC_COLOR24, 0, 0), nullptr);

    SelectObject(memory, old);
    DeleteObject(target);
    DeleteObject(blue);
    DeleteDC(memory);
    DeleteObject(strip);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(ImageList_Destroy(list));
    EXPECT_FALSE(ImageList_Destroy(list)) << "a stale handle";
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
}

} // namespace
