#pragma once
// CTextRasterizer: turns a text effect's text into 8-bit coverage masks and
// blends them, coloured, into 24-bit frames.
//
// All glyph work happens once, when it is made: the text is drawn with a
// GDI font at four times the wanted size into a one-bit bitmap, which is
// reduced 4 x 4 into coverage masks, one per sub-pixel phase in use (row
// offset 0-3 x bit shift 0-3, index row x 4 + shift; phase 0 always), with
// an outline ring and a soft shadow derived from each. A frame then only
// picks the mask of its fractional position and blends shadow, outline and
// face.
//
// Mask rows run from the bottom of the text up, and positions are measured
// from the bottom-left of the frame; a frame whose rows run from the top is
// drawn with `flip` set. Colours are 0xAARRGGBB with A the transparency (0
// opaque).
//
// The animation (SetAnimation, DrawFrame) gives every frame of its span one
// interpolated state, or one per line when lines enter or leave one after
// another. The states are worked out from the four key states and each
// line's windows when a frame is drawn, so a span of any length costs no
// memory.
//
// Every public operation holds the process-wide mutex "TGBUSY", so two
// rasterisers never work at the same time.

#include <array>
#include <optional>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Gdi/LogFont.h"

struct TextRasterizerSetup {
    LOGFONTW m_lf;
    INT m_nAlign;
    INT m_nStyle;
    LPCWSTR m_pszText;
    float m_fScaleY;
    float m_fScaleX;
    float m_fOutline;
    float m_fSoftness;
};

// One state of the animation, and one entry of its frame tables.
struct TextFrameState {
    DWORD m_crFace = 0;
    DWORD m_crOutline = 0;
    DWORD m_crShadow = 0;
    // 0x1, 0x2, 0x4: horizontal anchor 0, 0.5, 1; 0x100, 0x200, 0x400:
    // vertical anchor 0, 0.5, 1 (the larger bit wins); no bit: the floats.
    INT m_nAnchor = 0;
    float m_fX = 0.0f;
    float m_fY = 0.0f;
    float m_fAnchorX = 0.0f;
    float m_fAnchorY = 0.0f;
    // Above 0 shrinks the text by 1 / (zoom + 1).
    float m_fZoom = 0.0f;
};
static_assert(sizeof(TextFrameState) == 36);

struct TextAnimation {
    // Only the bits 0x20 and 0x40 count.
    INT m_nFlags = 0;
    INT m_nStart = 0;
    INT m_nEnterEnd = 0;
    INT m_nExitStart = 0;
    INT m_nStop = 0;
    TextFrameState m_states[4];
};

// The ring around a coverage mask of w x h: the mask dilated over a disc of
// width + 2 without the mask itself. Offsets that would leave the mask at a
// side add nothing.
std::vector<BYTE> TextOutlineMask(const std::vector<BYTE>& mask, int w, int h, int width);
// The mask dilated over a disc of `width`, then blurred over a Gaussian of
// `radius` whose weights add up to 3 (no blur for a radius below 1).
std::vector<BYTE> TextShadowMask(const std::vector<BYTE>& mask, int w, int h, int width, int radius);

class CTextRasterizer {
public:
    // Style bits.
    static constexpr INT kOutline = 0x1;
    static constexpr INT kShadow = 0x2;
    static constexpr INT kShadowUnder = 0x4;
    static constexpr INT kFace = 0x10;
    static constexpr INT kLinesEnter = 0x20;
    static constexpr INT kLinesLeave = 0x40;
    static constexpr INT kTwoColumnPhases = 0x100;
    static constexpr INT kFourColumnPhases = 0x200;
    static constexpr INT kTwoRowPhases = 0x1000;
    static constexpr INT kFourRowPhases = 0x2000;
    static constexpr int kPhaseCount = 16;

    explicit CTextRasterizer(const TextRasterizerSetup& setup);
    ~CTextRasterizer();
    CTextRasterizer(const CTextRasterizer&) = delete;
    CTextRasterizer& operator=(const CTextRasterizer&) = delete;

    bool IsValid() const { return m_bValid != 0; }

    // Blends shadow, outline and face at (x, y), fractions of the frame,
    // into `bits` (rows `stride` bytes apart). 1 when not valid, else 0.
    INT DrawLayers(BYTE* bits, INT width, INT height, INT stride, DWORD face, DWORD outline, DWORD shadow, float x,
                   float y, float zoom, INT flip);
    // -1 outside 0..200, else the distance becomes `percent` of a line's
    // height and 0 is returned.
    INT SetShadowDistance(float percent);
    // -1 outside -180..180 degrees, else 0.
    INT SetShadowAngle(float degrees);
    // 1 when not valid, else 0.
    INT SetAnimation(const TextAnimation& animation);
    // 1 when not valid or without an animation, 2 for a frame outside it,
    // else 0.
    INT DrawFrame(BYTE* bits, INT width, INT height, INT stride, INT frame, INT flip);
    void FreeBuffers();

    // The mask phase a layer at (u, v) pixels of the frame is drawn with:
    // row offset x 4 + shift, 3 in a direction at a whole position when it
    // has four phases.
    int PhaseAt(double u, double v) const;

    INT GetLineCount() const { return m_nLineCount; }
    INT GetRowsPerLine() const { return m_nRowsPerLine; }
    INT GetMaskWidth() const { return m_nWidth; }
    INT GetMaskHeight() const { return m_nHeight; }
    INT GetStyle() const { return m_nStyle; }
    INT GetShadowX() const { return m_nShadowX; }
    INT GetShadowY() const { return m_nShadowY; }
    // Null for a phase that is not in use.
    const BYTE* GetGlyphMask(int phase) const;
    const BYTE* GetOutlineMask(int phase) const;
    const BYTE* GetShadowMask(int phase) const;
    // The state of `frame` (of text line `line`, counted from the top, when
    // lines enter or leave one after another); none outside the animation.
    std::optional<TextFrameState> GetFrameState(INT frame, INT line = 0) const;

private:
    using Mask = std::vector<BYTE>;
    using MaskSet = std::array<Mask, kPhaseCount>;
    enum class Layer { Shadow, Outline, Face };

    void Build(const TextRasterizerSetup& setup);
    void ComputeShadowOffset();
    void BlendLayer(Layer layer, BYTE* bits, INT width, INT height, INT stride, DWORD color, float x, float y,
                    float zoom, INT flip);
    // The frames one line (or the whole text) enters and leaves over.
    struct LineWindow {
        INT enterStart;
        INT enterStop;
        INT leaveStart;
        INT leaveStop;
    };
    TextFrameState StateOf(INT frame, const LineWindow& window) const;

    MaskSet m_glyph;
    MaskSet m_outline;
    MaskSet m_shadow;
    Mask m_scratch;
    INT m_nWidth = 0;
    INT m_nHeight = 0;
    INT m_nAlign = 0;
    INT m_nStyle = 0;
    INT m_nShadowX = 0;
    INT m_nShadowY = 0;
    INT m_nLineCount = 0;
    INT m_nRowsPerLine = 0;
    // Coverage rows below the last line.
    INT m_nBottomPad = 0;
    INT m_nCurrentLine = -1;
    float m_fScaleY = 1.0f;
    float m_fScaleX = 1.0f;
    float m_fShadowDistance = 0.0f;
    float m_fShadowAngle = 45.0f;
    float m_fSoftness = 0.0f;
    float m_fOutline = 0.0f;
    BYTE m_bValid = 0;
    BYTE m_bMmx = 0;
    HANDLE m_hMutex = nullptr;
    INT m_nFirstFrame = 0;
    INT m_nLastFrame = -1;
    TextFrameState m_states[4];
    // One window for the whole text, or one per line from the top.
    std::vector<LineWindow> m_windows;
};
