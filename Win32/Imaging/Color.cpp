#include "Win32/Imaging/Color.h"

#include <cmath>
#include <new>

namespace {

// Writes an RGB colour into a target of `kind`. Every conversion passes
// through here except HSL into HSL, which would lose precision.
BOOL WriteFromRGB(const CRGBColor& rgb, int kind, CColor* target)
{
    if (target == nullptr || target->GetKind() != kind)
        return FALSE;
    switch (kind) {
    case CColor::kRGB: {
        auto* out = static_cast<CRGBColor*>(target);
        out->m_r = rgb.m_r;
        out->m_g = rgb.m_g;
        out->m_b = rgb.m_b;
        return TRUE;
    }
    case CColor::kRGBI:
        *static_cast<CRGBIColor*>(target) = CRGBIColor(rgb.m_r, rgb.m_g, rgb.m_b, 0);
        return TRUE;
    case CColor::kGray:
        static_cast<CGrayColor*>(target)->m_nLevel = GrayLevelOf(rgb);
        return TRUE;
    case CColor::kHSL:
        *static_cast<CHSLColor*>(target) = HSLOf(rgb);
        return TRUE;
    default:
        return FALSE;
    }
}

BYTE ChannelOf(const CRGBColor& rgb, int index)
{
    switch (index) {
    case 0:
        return rgb.m_b;
    case 1:
        return rgb.m_g;
    case 2:
        return rgb.m_r;
    default:
        return 0;
    }
}

// x * 255 + 0.5 truncated; components outside 0..1 (from saturations or
// lightnesses outside their nominal range) are held at the ends instead of
// wrapping through the low byte.
BYTE ComponentByte(double x)
{
    double scaled = x * 255.0 + 0.5;
    if (!(scaled > 0.0))
        return 0;
    if (scaled >= 255.0)
        return 255;
    return static_cast<BYTE>(scaled);
}

} // namespace

BYTE GrayLevelOf(const CRGBColor& color)
{
    // Integer form of (30 R + 59 G + 11 B) x 0.01 + 0.5, so that exact halves
    // such as 76.5 round up instead of depending on how 0.01 is represented.
    int weighted = 30 * color.m_r + 59 * color.m_g + 11 * color.m_b;
    int level = (weighted + 50) / 100;
    return static_cast<BYTE>(level > 255 ? 255 : level);
}

CHSLColor HSLOf(const CRGBColor& color)
{
    const double r = color.m_r * (1.0 / 255.0);
    const double g = color.m_g * (1.0 / 255.0);
    const double b = color.m_b * (1.0 / 255.0);
    const double maximum = std::fmax(r, std::fmax(g, b));
    const double minimum = std::fmin(r, std::fmin(g, b));
    const double lightness = (maximum + minimum) / 2.0;
    if (lightness <= 0.0)
        return CHSLColor();

    const double delta = maximum - minimum;
    if (delta <= 0.0)
        return CHSLColor(0.0, 0.0, lightness);

    const double saturation =
        lightness <= 0.5 ? delta / (maximum + minimum) : delta / (2.0 - maximum - minimum);
    const double dr = (maximum - r) / delta;
    const double dg = (maximum - g) / delta;
    const double db = (maximum - b) / delta;
    double sixths;
    if (r == maximum)
        sixths = g == minimum ? 5.0 + db : 1.0 - dg;
    else if (g == maximum)
        sixths = b == minimum ? 1.0 + dr : 3.0 - db;
    else
        sixths = r == minimum ? 3.0 + dg : 5.0 - dr;

    // Reds with green equal to blue come out at a full turn (hue 1.0), as
    // callers have always seen; the conversion back treats 1.0 as 0.
    double hue = sixths * (1.0 / 6.0);
    return CHSLColor(hue, saturation, lightness);
}

BOOL CRGBColor::ConvertTo(int kind, CColor* target) const
{
    return WriteFromRGB(*this, kind, target);
}

BYTE CRGBColor::GetChannel(int index) const
{
    return ChannelOf(*this, index);
}

CRGBColor* CRGBColor::Clone() const
{
    return new (std::nothrow) CRGBColor(*this);
}

COLORREF CRGBColor::ToColorRef() const
{
    return static_cast<COLORREF>(m_r) | (static_cast<COLORREF>(m_g) << 8) | (static_cast<COLORREF>(m_b) << 16);
}

CRGBIColor* CRGBIColor::Clone() const
{
    return new (std::nothrow) CRGBIColor(*this);
}

COLORREF CRGBIColor::ToColorRef() const
{
    return CRGBColor::ToColorRef() | ((m_nIndex & 0xFFu) << 24);
}

BOOL CGrayColor::ConvertTo(int kind, CColor* target) const
{
    return WriteFromRGB(CRGBColor(m_nLevel, m_nLevel, m_nLevel), kind, target);
}

BYTE CGrayColor::GetChannel(int) const
{
    return m_nLevel;
}

CGrayColor* CGrayColor::Clone() const
{
    return new (std::nothrow) CGrayColor(*this);
}

COLORREF CGrayColor::ToColorRef() const
{
    return static_cast<COLORREF>(m_nLevel) * 65793u;
}

CRGBColor CHSLColor::ToRGB() const
{
    const double l = m_dLightness;
    const double s = m_dSaturation;
    const double v = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
    if (!(v > 0.0))
        return CRGBColor();

    const double m = 2.0 * l - v;
    const double sv = (v - m) / v;
    // Every hue lands in a sextant: whole turns are dropped, so 1.0 (where
    // the forward conversion used to put pure reds) is red again.
    double hue = std::isfinite(m_dHue) ? m_dHue - std::floor(m_dHue) : 0.0;
    const double h6 = hue * 6.0;
    int sextant = static_cast<int>(h6);
    if (sextant > 5)
        sextant = 5;
    const double fraction = h6 - sextant;
    const double vsf = v * sv * fraction;
    const double mid1 = m + vsf;
    const double mid2 = v - vsf;

    double red, green, blue;
    switch (sextant) {
    case 0:
        red = v, green = mid1, blue = m;
        break;
    case 1:
        red = mid2, green = v, blue = m;
        break;
    case 2:
        red = m, green = v, blue = mid1;
        break;
    case 3:
        red = m, green = mid2, blue = v;
        break;
    case 4:
        red = mid1, green = m, blue = v;
        break;
    default:
        red = v, green = m, blue = mid2;
        break;
    }
    return CRGBColor(ComponentByte(red), ComponentByte(green), ComponentByte(blue));
}

COLORREF CHSLColor::GetValue() const
{
    return ToRGB().ToColorRef();
}

BOOL CHSLColor::ConvertTo(int kind, CColor* target) const
{
    if (kind == kHSL) {
        if (target == nullptr || target->GetKind() != kHSL)
            return FALSE;
        *static_cast<CHSLColor*>(target) = *this;
        return TRUE;
    }
    return WriteFromRGB(ToRGB(), kind, target);
}

BYTE CHSLColor::GetChannel(int index) const
{
    return ChannelOf(ToRGB(), index);
}

CHSLColor* CHSLColor::Clone() const
{
    return new (std::nothrow) CHSLColor(*this);
}

// Constant-initialised, so code that runs during static initialisation in
// other files already sees the values.
constinit const CRGBColor g_rgbBlack(0, 0, 0);
constinit const CRGBColor g_rgbWhite(255, 255, 255);
constinit const CRGBColor g_rgbLightGray(192, 192, 192);
constinit const CRGBColor g_rgbGray(128, 128, 128);
constinit const CRGBColor g_rgbRed(255, 0, 0);
constinit const CRGBColor g_rgbDarkRed(128, 0, 0);
constinit const CRGBColor g_rgbGreen(0, 255, 0);
constinit const CRGBColor g_rgbDarkGreen(0, 128, 0);
constinit const CRGBColor g_rgbBlue(0, 0, 255);
constinit const CRGBColor g_rgbDarkBlue(0, 0, 128);
constinit const CRGBColor g_rgbMagenta(255, 0, 255);
constinit const CRGBColor g_rgbDarkMagenta(128, 0, 128);
constinit const CRGBColor g_rgbCyan(0, 255, 255);
constinit const CRGBColor g_rgbDarkCyan(0, 128, 128);
constinit const CRGBColor g_rgbYellow(255, 255, 0);
constinit const CRGBColor g_rgbGray2(128, 128, 128);
