#pragma once
// TextEffect (kind 0): a title drawn over a scene. It holds the text (up to
// 3999 wide characters, several lines), the font and four key states, one
// per key time: where the text stands, how it is anchored there and in
// which colours and transparency it is drawn. The renderer moves and fades
// the text from state to state: entry (key 0 to 1), hold (1 to 2, states 1
// and 2 equal), exit (2 to 3). Font sizes are meant for a 320 x 240 frame;
// the scales of the frame attached to stretch them.
//
// Also here: the 19 style presets (100..118) and 9 motion presets (0..8)
// that the panels and the tools list offer.
//
// The text is stored in UTF-8, the program's multibyte code page; texts of
// older files in a single-byte code page are read back as Windows-1252.

#include <string>

#include "Platform/Win/Gdi/LogFont.h"
#include "Win32/Sb/Document/Effect.h"

// The appearance at one key time. Colours are COLORREF values (red in the
// low byte) with a transparency in the top byte (0 opaque, 255 invisible).
struct TextKeyState {
    DWORD m_crColor1 = 0x00FFFFFF;
    DWORD m_crColor2 = 0x00000000;
    DWORD m_crColor3 = 0x7F000000;
    // Low byte 1, 2, 4: the text block's left edge, centre or right edge
    // lies on the position; second byte likewise in y.
    INT m_nAnchor = 0x0202;
    float m_fX = 0.5f;
    float m_fY = 0.5f;
    float m_fExtra1 = 0.0f;
    float m_fExtra2 = 0.0f;
    INT m_nSpare = 0;
};
static_assert(sizeof(TextKeyState) == 36);

class TextEffect : public Effect {
public:
    static constexpr INT kMaxText = 4000;

    // Style bits.
    static constexpr INT kOutline = 0x01;
    static constexpr INT kShadow = 0x02;
    static constexpr INT kFace = 0x10;
    static constexpr INT kLinesEnter = 0x20;
    static constexpr INT kLinesLeave = 0x40;

    TextEffect();
    TextEffect(const TextEffect& other);
    TextEffect& operator=(const TextEffect& other);
    ~TextEffect() override;

    void SetDefaults();
    void ClearText();
    // The text as UTF-8, and set from UTF-8 (cut at a character boundary
    // to fit).
    std::string GetTextUtf8() const;
    void SetTextUtf8(const std::string& text);
    void SetText(LPCWSTR text);

    // Records the frame's scales (height / 240, width / 320) and the rate,
    // and makes the text renderer.
    bool AttachRenderer(CIplImage* image, double rate, BYTE storyboard) override;
    // Draws the frame the time falls in at the attached rate.
    CIplImage* Render(CIplImage* image, CWaveBuffer* audio, CMediaTime* time) override;
    void Load(CProfile* profile, LPCSTR section, INT flag) override;
    void Save(LPCSTR documentPath, CProfile* profile, LPCSTR sceneSection, INT position) override;
    Effect* Clone() const override { return new TextEffect(*this); }

    // Style presets 100..118 and motion presets 0..8 (other numbers below
    // 100 use motion preset 0); `sceneMilliseconds` is the scene's length.
    // 1, or ApplyStylePreset's result for 108 and above.
    INT ApplyPreset(LONG sceneMilliseconds, INT preset);
    // Presets 108..118; 0 for other numbers, which change nothing.
    INT ApplyStylePreset(INT preset);
    // Places a state on placement cell 0..8 (a cell outside is clamped);
    // state 1 or 2 moves both.
    void SetStatePlacement(INT state, INT cell);
    void GetStatePlacement(INT state, INT* column, INT* row) const;
    void UpdateAnchors();

    INT m_nTextAlign = 6;
    INT m_nStyleFlags = 0x13;
    double m_dScaleY = 1.0;
    double m_dScaleX = 0.0;
    double m_dOffsetPercent = 0.0;
    double m_dEdgePercent = 0.0;
    double m_dOffsetAngle = 0.0;
    double m_dOutlineFraction = 0.0;
    WCHAR m_szText[kMaxText] = {};
    double m_dFrameRate = 1.0;
    LOGFONTW m_lf{};
    TextKeyState m_keyStates[4];

private:
    void LoadOlderLayout(CProfile* profile, LPCSTR section);
    void SetStateColors(DWORD color1, DWORD color2, DWORD color3);
};

// 100 x ceil(0.95 x ln |h|) / |h|: the default shadow distance in percent
// of a font of height h (0 for a height of 0).
double TextOutlinePercent(double height);

INT GetTextEffectPresetCount();
INT GetTextMotionPresetCount();
// Rows 0..18 and 0..8; a row outside is read as row 0.
INT GetTextEffectPresetThumbnailId(INT row);
INT GetTextEffectPresetNameId(INT row);
INT GetTextEffectPresetNumber(INT row);
INT GetTextMotionPresetThumbnailId(INT row);
INT GetTextMotionPresetNameId(INT row);
INT GetTextMotionPresetIndex(INT row);
