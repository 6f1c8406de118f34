#pragma once
// The graphics library's colour values: a small polymorphic tree that packs
// itself into a COLORREF (red in bits 0-7, green 8-15, blue 16-23), reads
// single channels (index 0 is blue), clones itself and converts into an
// existing object of another kind.

#include "Platform/Win/Base/WinTypes.h"

class CColor {
public:
    static constexpr int kRGB = 0;
    static constexpr int kRGBI = 1;
    static constexpr int kGray = 2;
    static constexpr int kHSL = 3;

    constexpr CColor() = default;
    constexpr CColor(const CColor&) = default;
    constexpr CColor& operator=(const CColor&) = default;
    constexpr virtual ~CColor() = default;

    virtual int GetKind() const = 0;
    virtual COLORREF GetValue() const = 0;
    // Writes this colour into `target`, which must be an object of `kind`;
    // returns FALSE and leaves the target alone when it is null, of another
    // kind, or `kind` is unknown.
    virtual BOOL ConvertTo(int kind, CColor* target) const = 0;
    // 0 blue, 1 green, 2 red; any other index 0.
    virtual BYTE GetChannel(int index) const = 0;
    // A heap copy of the same kind, or null when memory is short.
    virtual CColor* Clone() const = 0;
};

class CRGBColor : public CColor {
public:
    constexpr CRGBColor() = default;
    // Each channel keeps its low 8 bits.
    constexpr CRGBColor(int r, int g, int b)
        : m_r(static_cast<BYTE>(r)), m_g(static_cast<BYTE>(g)), m_b(static_cast<BYTE>(b)) {}
    constexpr explicit CRGBColor(COLORREF color)
        : m_r(GetRValue(color)), m_g(GetGValue(color)), m_b(GetBValue(color)) {}
    constexpr CRGBColor(const CRGBColor&) = default;
    constexpr CRGBColor& operator=(const CRGBColor&) = default;

    int GetKind() const override { return kRGB; }
    COLORREF GetValue() const override { return ToColorRef(); }
    BOOL ConvertTo(int kind, CColor* target) const override;
    BYTE GetChannel(int index) const override;
    CRGBColor* Clone() const override;
    virtual COLORREF ToColorRef() const;

    bool operator==(const CRGBColor& other) const
    {
        return m_r == other.m_r && m_g == other.m_g && m_b == other.m_b;
    }
    bool operator!=(const CRGBColor& other) const { return !(*this == other); }

    BYTE m_r = 0;
    BYTE m_g = 0;
    BYTE m_b = 0;
};

class CRGBIColor : public CRGBColor {
public:
    // The low byte of the index is the COLORREF flag byte.
    static constexpr DWORD kExplicitRGB = 0;
    static constexpr DWORD kPaletteIndex = 1;
    static constexpr DWORD kPaletteRGB = 2;

    constexpr CRGBIColor() = default;
    constexpr CRGBIColor(int r, int g, int b, DWORD index) : CRGBColor(r, g, b), m_nIndex(index) {}
    constexpr CRGBIColor(const CRGBIColor&) = default;
    constexpr CRGBIColor& operator=(const CRGBIColor&) = default;

    int GetKind() const override { return kRGBI; }
    CRGBIColor* Clone() const override;
    // The RGB packing with the low 8 bits of the index in bits 24-31.
    COLORREF ToColorRef() const override;

    bool operator==(const CRGBIColor& other) const
    {
        return CRGBColor::operator==(other) && m_nIndex == other.m_nIndex;
    }
    bool operator!=(const CRGBIColor& other) const { return !(*this == other); }

    DWORD m_nIndex = 0;
};

class CGrayColor : public CColor {
public:
    constexpr CGrayColor() = default;
    // The level keeps its low 8 bits.
    constexpr explicit CGrayColor(int level) : m_nLevel(static_cast<BYTE>(level)) {}
    constexpr CGrayColor(const CGrayColor&) = default;
    constexpr CGrayColor& operator=(const CGrayColor&) = default;

    int GetKind() const override { return kGray; }
    COLORREF GetValue() const override { return ToColorRef(); }
    BOOL ConvertTo(int kind, CColor* target) const override;
    // The level, whatever the index.
    BYTE GetChannel(int index) const override;
    CGrayColor* Clone() const override;
    COLORREF ToColorRef() const;

    bool operator==(const CGrayColor& other) const { return m_nLevel == other.m_nLevel; }
    bool operator!=(const CGrayColor& other) const { return !(*this == other); }

    BYTE m_nLevel = 0;
};

class CHSLColor : public CColor {
public:
    constexpr CHSLColor() = default;
    constexpr CHSLColor(double hue, double saturation, double lightness)
        : m_dHue(hue), m_dSaturation(saturation), m_dLightness(lightness) {}
    constexpr CHSLColor(const CHSLColor&) = default;
    constexpr CHSLColor& operator=(const CHSLColor&) = default;

    int GetKind() const override { return kHSL; }
    // The RGB conversion, packed.
    COLORREF GetValue() const override;
    BOOL ConvertTo(int kind, CColor* target) const override;
    // A channel of the RGB conversion, as for CRGBColor.
    BYTE GetChannel(int index) const override;
    CHSLColor* Clone() const override;

    CRGBColor ToRGB() const;

    // Hue, saturation and lightness are each nominally 0 to 1; a hue of 1 is
    // the same as 0 and hues outside 0..1 wrap around.
    double m_dHue = 0.0;
    double m_dSaturation = 0.0;
    double m_dLightness = 0.0;
};

// (30 R + 59 G + 11 B) / 100, rounded half up.
BYTE GrayLevelOf(const CRGBColor& color);
// Hue in 0 <= hue < 1 (pure reds give 0).
CHSLColor HSLOf(const CRGBColor& color);

extern const CRGBColor g_rgbBlack;
extern const CRGBColor g_rgbWhite;
extern const CRGBColor g_rgbLightGray;
extern const CRGBColor g_rgbGray;
extern const CRGBColor g_rgbRed;
extern const CRGBColor g_rgbDarkRed;
extern const CRGBColor g_rgbGreen;
extern const CRGBColor g_rgbDarkGreen;
extern const CRGBColor g_rgbBlue;
extern const CRGBColor g_rgbDarkBlue;
extern const CRGBColor g_rgbMagenta;
extern const CRGBColor g_rgbDarkMagenta;
extern const CRGBColor g_rgbCyan;
extern const CRGBColor g_rgbDarkCyan;
extern const CRGBColor g_rgbYellow;
// The same value as g_rgbGray; the library has always kept both.
extern const CRGBColor g_rgbGray2;
