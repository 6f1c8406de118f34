// CRect, CPoint and CSize; the DC and GDI object wrappers; CBitmapButton's
// bitmaps.

#include <functional>
#include <string>

#include "Platform/Mfc/tests/MfcTestSupport.h"

using namespace mfc_test;

namespace {

class GdiTest : public MfcTest {};

TEST(GeometryTest, RectanglesPointsAndSizesCombine)
{
    struct Case {
        const char* what;
        std::function<CRect()> make;
        CRect expected;
    };
    const CRect a(0, 0, 10, 10);
    const CRect b(5, 5, 20, 15);
    const Case cases[] = {
        {"intersection", [&] { return a & b; }, CRect(5, 5, 10, 10)},
        {"union", [&] { return a | b; }, CRect(0, 0, 20, 15)},
        {"offset by a point", [&] { return a + CPoint(3, 4); }, CRect(3, 4, 13, 14)},
        {"offset back", [&] { return b - CPoint(5, 5); }, CRect(0, 0, 15, 10)},
        {"inflated", [&] { CRect r(a); r.InflateRect(2, 3); return r; }, CRect(-2, -3, 12, 13)},
        {"deflated by sides", [&] { CRect r(a); r.DeflateRect(1, 2, 3, 4); return r; }, CRect(1, 2, 7, 6)},
        {"normalized", [] { CRect r(10, 10, 0, 0); r.NormalizeRect(); return r; }, CRect(0, 0, 10, 10)},
        {"from point and size", [] { return CRect(CPoint(2, 3), CSize(4, 5)); }, CRect(2, 3, 6, 8)},
        {"empty intersection", [&] { return a & CRect(30, 30, 40, 40); }, CRect(0, 0, 0, 0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.make(), c.expected) << c.what;
    EXPECT_EQ(b.Width(), 15);
    EXPECT_EQ(b.Height(), 10);
    EXPECT_EQ(b.CenterPoint(), CPoint(12, 10));
    EXPECT_TRUE(a.PtInRect(CPoint(9, 9)));
    EXPECT_FALSE(a.PtInRect(CPoint(10, 9))) << "the right edge is outside";
    EXPECT_EQ(CPoint(5, 7) - CPoint(2, 3), CSize(3, 4));
    EXPECT_EQ(CPoint(MAKELPARAM(static_cast<WORD>(-4), 9)), CPoint(-4, 9));
    EXPECT_TRUE(CRect(3, 3, 3, 8).IsRectEmpty());
    // Values of the same class compare directly, and with the plain structures.
    EXPECT_TRUE(a == CRect(0, 0, 10, 10) && a != b && a == static_cast<const RECT&>(a));
    EXPECT_TRUE(CPoint(1, 2) == CPoint(1, 2) && CPoint(1, 2) != CPoint(2, 1) && (CPoint(1, 2) == POINT{1, 2}));
    EXPECT_TRUE(CSize(1, 2) == CSize(1, 2) && CSize(1, 2) != CSize(2, 1) && (CSize(1, 2) == SIZE{1, 2}));
}

TEST_F(GdiTest, MemoryDcDrawsThroughTheWrappers)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(10, 10, 1, 32, nullptr));
    CBitmap* old = dc.SelectObject(&bitmap);
    ASSERT_NE(old, nullptr);
    EXPECT_TRUE(old->IsKindOf(RUNTIME_CLASS(CBitmap))) << "a temporary of the asked kind";

    dc.FillSolidRect(0, 0, 10, 10, RGB(255, 255, 255));
    dc.FillSolidRect(2, 2, 3, 3, RGB(255, 0, 0));
    EXPECT_EQ(dc.GetPixel(3, 3), RGB(255, 0, 0));
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetBkColor(), RGB(255, 0, 0)) << "FillSolidRect leaves its colour as the background";

    dc.Draw3dRect(CRect(5, 5, 10, 10), RGB(0, 0, 255), RGB(0, 255, 0));
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(9, 9), RGB(0, 255, 0));
    EXPECT_EQ(dc.GetPixel(7, 7), RGB(255, 255, 255));

    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* oldPen = dc.SelectObject(&pen);
    dc.MoveTo(0, 9);
    dc.LineTo(5, 9);
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(5, 9));
    EXPECT_EQ(dc.GetPixel(2, 9), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetCurrentPen(), &pen) << "the permanent object of the selected pen";
    dc.SelectObject(oldPen);

    EXPECT_EQ(dc.SelectObject(old), &bitmap);
}

TEST_F(GdiTest, ObjectsDescribeThemselves)
{
    CPen pen(PS_DASH, 8, RGB(1, 2, 3));
    LOGPEN logPen{};
    ASSERT_NE(pen.GetLogPen(&logPen), 0);
    EXPECT_EQ(logPen.lopnStyle, static_cast<UINT>(PS_DASH));
    EXPECT_EQ(logPen.lopnWidth.x, 8);
    EXPECT_EQ(logPen.lopnColor, RGB(1, 2, 3));

    CFont font;
    ASSERT_TRUE(font.CreatePointFont(80, "MS Sans Serif"));
    LOGFONTA logFont{};
    ASSERT_NE(font.GetLogFont(&logFont), 0);
    EXPECT_LT(logFont.lfHeight, 0) << "a character height";

    CBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadBitmap("PICKU"));
    BITMAP info{};
    ASSERT_NE(bitmap.GetBitmap(&info), 0);
    EXPECT_EQ(info.bmWidth, 8);
    EXPECT_EQ(info.bmHeight, 6);

    HGDIOBJ stock = GetStockObject(GRAY_BRUSH);
    CGdiObject* plain = CGdiObject::FromHandle(stock);
    CBrush* brush = CBrush::FromHandle(static_cast<HBRUSH>(stock));
    EXPECT_TRUE(brush->IsKindOf(RUNTIME_CLASS(CBrush)));
    EXPECT_EQ(brush->m_hObject, plain->m_hObject);
    AfxDeleteTempMaps();
    EXPECT_EQ(GetObjectType(stock), static_cast<DWORD>(OBJ_BRUSH)) << "temporaries leave their objects alone";
}

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST_F(GdiTest, BitmapButtonShowsTheBitmapOfItsState)
{
    HWND dialog = CreateDialogParamA(Fixture(), MAKEINTRESOURCEA(IDD_EXCHANGE), nullptr, QuietDialog, 0);
    ASSERT_NE(dialog, nullptr);
    CBitmapButton button;
    ASSERT_TRUE(button.AutoLoad(IDC_PICK, CWnd::FromHandle(dialog)));
    CRect placed;
    button.GetWindowRect(&placed);
    EXPECT_EQ(placed.Size(), CSize(8, 6)) << "sized to its up bitmap";

    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap surface;
    ASSERT_TRUE(surface.CreateBitmap(8, 6, 1, 32, nullptr));
    CBitmap* old = dc.SelectObject(&surface);
    struct Case {
        UINT state;
        COLORREF colour;
    };
    const Case cases[] = {
        {0, RGB(255, 0, 0)},
        {ODS_SELECTED | ODS_FOCUS, RGB(0, 255, 0)},
        {ODS_FOCUS, RGB(0, 0, 255)},
        {ODS_DISABLED, RGB(128, 128, 128)},
    };
    for (const Case& c : cases) {
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_BUTTON;
        draw.CtlID = IDC_PICK;
        draw.itemAction = ODA_DRAWENTIRE;
        draw.itemState = c.state;
        draw.hwndItem = button.m_hWnd;
        draw.hDC = dc.m_hDC;
        draw.rcItem = RECT{0, 0, 8, 6};
        button.DrawItem(&draw);
        EXPECT_EQ(dc.GetPixel(4, 3), c.colour) << c.state;
    }
    dc.SelectObject(old);
    button.UnsubclassWindow();
    DestroyWindow(dialog);
}

} // namespace
