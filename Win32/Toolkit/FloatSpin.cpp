#include "Win32/Toolkit/FloatSpin.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <climits>

#include "Win32/Toolkit/SkinBitmaps.h"
#include "Win32/Utils/FileUtils.h"

namespace {

// Arrow bitmaps by style: left normal, left pressed, right normal, right
// pressed.
constexpr UINT kArrowBitmaps[2][4] = {{594, 595, 592, 593}, {946, 947, 948, 949}};
// The bitmap whose width sets the arrow areas.
constexpr UINT kMeasuredArrow = 592;
// A value read back from its own two-decimal text lands a hair below its
// step (1.15 x 20 = 22.999...): this much is not lost to truncation.
constexpr double kStepTolerance = 1e-9;

} // namespace

BEGIN_MESSAGE_MAP(KLFloatSpin, CSpinButtonCtrl)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_NOTIFY_REFLECT(UDN_DELTAPOS, OnDeltaPos)
END_MESSAGE_MAP()

KLFloatSpin::KLFloatSpin(HWND hSpin, int nBuddyId, double scale, int arrowStyle)
    : m_nArrowStyle(arrowStyle), m_dScale(scale)
{
    if (!::IsWindow(hSpin))
        return;
    if (!CWnd::FromHandlePermanent(hSpin) && SubclassWindow(hSpin)) {
        HWND buddy = nBuddyId ? ::GetDlgItem(::GetParent(hSpin), nBuddyId)
                              : reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY));
        if (buddy && m_dScale > 0.0) {
            m_hBuddy = buddy;
            SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy));
            Layout();
            m_bActive = TRUE;
        }
    }
    ::ShowWindow(hSpin, SW_SHOW);
}

KLFloatSpin::~KLFloatSpin()
{
    if (m_hWnd && CWnd::FromHandlePermanent(m_hWnd) == this)
        UnsubclassWindow();
}

void KLFloatSpin::Layout()
{
    HWND parent = ::GetParent(m_hWnd);
    CRect spin;
    CRect buddy;
    ::GetWindowRect(m_hWnd, &spin);
    ::GetWindowRect(m_hBuddy, &buddy);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&spin), 2);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&buddy), 2);
    // The spin covers the buddy and itself; widths of one parity centre
    // the buddy exactly.
    if (buddy.right < spin.right)
        spin.left = buddy.left;
    else
        spin.right = buddy.right;
    if ((spin.Width() - buddy.Width()) % 2 != 0)
        spin.right += 1;
    MoveWindow(&spin, TRUE);
    int half = (spin.Width() - buddy.Width()) / 2;
    buddy.OffsetRect(spin.left + half - buddy.left, 0);
    CBitmap arrow;
    if (LoadSkinBitmap(arrow, kMeasuredArrow)) {
        const int arrowWidth = SkinBitmapSize(arrow).cx;
        buddy.InflateRect(half - arrowWidth, 0);
        half = (spin.Width() - buddy.Width()) / 2;
    }
    ::SetWindowPos(m_hBuddy, HWND_TOP, buddy.left, spin.top, buddy.Width(), spin.Height() - 1, SWP_SHOWWINDOW);
    m_rcLeftArrow = CRect(0, 0, half, spin.Height());
    m_rcRightArrow = CRect(spin.Width() - half, 0, spin.Width(), spin.Height());
}

char KLFloatSpin::Separator() const
{
    return m_chDecimal ? m_chDecimal : GetUserDecimalSeparator();
}

long long KLFloatSpin::ToPositions(double value) const
{
    if (std::isnan(value))
        return 0;
    // Far beyond any 16-bit position, so an infinite text clamps to an end.
    const double scaled = std::clamp(value * m_dScale, -1e9, 1e9);
    return static_cast<long long>(std::trunc(scaled + (value < 0 ? -kStepTolerance : kStepTolerance)));
}

void KLFloatSpin::GetPositionRange(int& low, int& high) const
{
    const DWORD range = GetRange();
    const int upper = static_cast<SHORT>(LOWORD(range));
    const int lower = static_cast<SHORT>(HIWORD(range));
    low = std::min(upper, lower);
    high = std::max(upper, lower);
}

CString KLFloatSpin::FormatValue(double value) const
{
    CString text;
    text.Format("%-4.2f", value);
    LocalizeDecimalPointStr(text, Separator());
    return text;
}

double KLFloatSpin::SetValue(double value)
{
    if (!m_bActive)
        return value;
    int low = 0;
    int high = 0;
    GetPositionRange(low, high);
    if (std::isnan(value))
        value = 0.0;
    if (value * m_dScale < low)
        value = low / m_dScale;
    else if (value * m_dScale > high)
        value = high / m_dScale;
    // Adding zero turns -0 into 0, which shows without a sign.
    value += 0.0;
    const CString text = FormatValue(value);
    CString shown;
    CWnd::FromHandle(m_hBuddy)->GetWindowText(shown);
    if (shown != text)
        ::SetWindowTextA(m_hBuddy, text);
    return value;
}

double KLFloatSpin::GetValue()
{
    if (!m_bActive)
        return 0.0;
    CString text;
    CWnd::FromHandle(m_hBuddy)->GetWindowText(text);
    DelocalizeDecimalPoint(text, Separator());
    return SetValue(std::atof(text));
}

void KLFloatSpin::SetRange(double upper, double lower)
{
    if (!m_hWnd || m_dScale <= 0.0)
        return;
    auto position = [this](double value) {
        return static_cast<WORD>(std::clamp<long long>(ToPositions(value), SHRT_MIN, SHRT_MAX));
    };
    SendMessage(UDM_SETRANGE, 0, MAKELPARAM(position(upper), position(lower)));
    GetValue();
}

void KLFloatSpin::Enable(BOOL enable)
{
    if (m_hBuddy) {
        ::SendMessageA(m_hBuddy, EM_SETREADONLY, !enable, 0);
        ::EnableWindow(m_hBuddy, enable);
    }
    if (m_hWnd) {
        EnableWindow(enable);
        ShowWindow(enable ? SW_SHOW : SW_HIDE);
    }
}

int KLFloatSpin::PartAt(CPoint point) const
{
    if (m_rcLeftArrow.PtInRect(point))
        return kLeftArrow;
    if (m_rcRightArrow.PtInRect(point))
        return kRightArrow;
    return 0;
}

bool KLFloatSpin::InMiddle(CPoint point) const
{
    return point.x >= m_rcLeftArrow.right && point.x < m_rcRightArrow.left;
}

void KLFloatSpin::DrawPart(CDC& dc, int part, BOOL pressed)
{
    const UINT* bitmaps = kArrowBitmaps[m_nArrowStyle == 0 ? 0 : 1];
    const int slot = (part == kLeftArrow ? 0 : 2) + (pressed ? 1 : 0);
    CBitmap arrow;
    if (LoadSkinBitmap(arrow, bitmaps[slot]))
        StretchSkinBitmap(dc, arrow, part == kLeftArrow ? m_rcLeftArrow : m_rcRightArrow);
}

void KLFloatSpin::DrawPartNow(int part, BOOL pressed)
{
    if (!part)
        return;
    CClientDC dc(this);
    DrawPart(dc, part, pressed);
}

void KLFloatSpin::OnPaint()
{
    CPaintDC dc(this);
    for (int part : {kLeftArrow, kRightArrow})
        DrawPart(dc, part, part == m_nPressedPart && m_bPressedLook);
}

BOOL KLFloatSpin::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void KLFloatSpin::OnLButtonDown(UINT, CPoint point)
{
    m_nPressedPart = PartAt(point);
    if (m_nPressedPart) {
        DrawPartNow(m_nPressedPart, TRUE);
        m_bPressedLook = TRUE;
        m_bLeftToMiddle = FALSE;
    }
    Default();
}

void KLFloatSpin::OnLButtonUp(UINT, CPoint)
{
    if (m_nPressedPart) {
        DrawPartNow(m_nPressedPart, FALSE);
        m_bPressedLook = FALSE;
        m_nPressedPart = 0;
    }
    Default();
}

void KLFloatSpin::OnMouseMove(UINT nFlags, CPoint point)
{
    const int hit = PartAt(point);
    if (m_bLeftToMiddle && (nFlags & MK_LBUTTON) && hit == m_nPressedPart && GetCapture() != this) {
        SendMessage(WM_LBUTTONDOWN, nFlags, MAKELPARAM(point.x, point.y));
        return;
    }
    if (m_nPressedPart && !(nFlags & MK_LBUTTON)) {
        // The button came up over another window: the press is over.
        DrawPartNow(m_nPressedPart, FALSE);
        m_bPressedLook = FALSE;
        m_bLeftToMiddle = FALSE;
        m_nPressedPart = 0;
    } else if (m_nPressedPart) {
        if (hit == m_nPressedPart && !m_bPressedLook) {
            DrawPartNow(m_nPressedPart, TRUE);
            m_bPressedLook = TRUE;
        } else if (hit != m_nPressedPart && m_bPressedLook) {
            DrawPartNow(m_nPressedPart, FALSE);
            m_bPressedLook = FALSE;
        }
        if (InMiddle(point)) {
            m_bPressedLook = FALSE;
            m_bLeftToMiddle = TRUE;
            if (GetCapture() == this)
                ReleaseCapture();
        }
    }
    Default();
}

void KLFloatSpin::OnDeltaPos(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    if (!m_bActive)
        return;
    const auto* change = reinterpret_cast<const NMUPDOWN*>(pNMHDR);
    CString text;
    CWnd::FromHandle(m_hBuddy)->GetWindowText(text);
    DelocalizeDecimalPoint(text, Separator());
    const double value = std::atof(text);
    int low = 0;
    int high = 0;
    GetPositionRange(low, high);
    const long long position = std::clamp<long long>(ToPositions(value) + change->iDelta, low, high);
    ::SetWindowTextA(m_hBuddy, FormatValue(static_cast<double>(position) / m_dScale));
}
