#include "Resources/SkinArt/ModeAndBarArt.h"

#include <algorithm>

#include "Resources/SkinArt/Looks.h"

namespace skinart {

using namespace palette;

namespace {

constexpr Rgb kGlyphLight{207, 207, 207};
constexpr Rgb kGlyphBright{240, 244, 244};
constexpr Rgb kGlyphDim{112, 114, 126};
constexpr Rgb kPressedFace{40, 66, 74};
constexpr Rgb kPressedLine{86, 128, 136};
constexpr Rgb kMarkerLit{232, 176, 64};
constexpr Rgb kFilm{28, 29, 34};

struct FaceLook {
    Rgb line, light, face, glyph;
};

FaceLook LookOf(ButtonState state)
{
    switch (state) {
    case ButtonState::Down:
        return {kOutline, kPressedLine, kPressedFace, kGlyphBright};
    case ButtonState::Focus:
        return {kOutline, kGroupLine, kTabLight, kGlyphBright};
    case ButtonState::Disabled:
        return {kOutline, kButtonShade, kButtonShade, kGlyphDim};
    default:
        return {kOutline, kButtonLight, kButtonFace, kGlyphLight};
    }
}

// The face's rounded box, a light line along its top; answers the box
// inside the outline.
Rect PaintBox(Canvas& canvas, ButtonState state)
{
    const FaceLook look = LookOf(state);
    const Rect all{0, 0, canvas.Width(), canvas.Height()};
    if (!canvas.IsKeyed())
        FillRect(canvas, all, kPanelBack);
    FillRoundedRect(canvas, all, 3, look.line);
    const Rect inner = all.Inset(1, 1);
    FillRoundedRect(canvas, inner, 2, look.light);
    FillRoundedRect(canvas, {inner.left, inner.top + 1, inner.right, inner.bottom}, 2, look.face);
    return inner;
}

// The square a glyph is drawn in: the face's height less a margin.
Rect GlyphBox(const Rect& inner)
{
    const int margin = inner.Height() > 24 ? 6 : 3;
    const int side = inner.Height() - 2 * margin;
    const int left = inner.left + (inner.Width() - side) / 2;
    return {left, inner.top + margin, left + side, inner.top + margin + side};
}

// The film in the produce faces: a band with sprocket holes that move
// `shift` pixels to the left.
void FilmBand(Canvas& canvas, const Rect& band, int shift, Rgb holes)
{
    FillRect(canvas, band, kFilm);
    constexpr int kPitch = 6;
    for (int x = band.left + 1 - shift % kPitch; x < band.right; x += kPitch) {
        const int left = std::max(x, band.left + 1), right = std::min(x + 3, band.right - 1);
        if (left >= right)
            continue;
        FillRect(canvas, {left, band.top + 2, right, band.top + 5}, holes);
        FillRect(canvas, {left, band.bottom - 5, right, band.bottom - 2}, holes);
    }
}

void PaintProduce(Canvas& canvas, ButtonState state, int shift, int filled, int steps)
{
    const Rect inner = PaintBox(canvas, state);
    const FaceLook look = LookOf(state);
    const Rect band{inner.left + 3, inner.top + 8, inner.right - 3, inner.top + 32};
    FilmBand(canvas, band, shift, look.glyph);
    RecordDot(canvas, {band.left + band.Width() / 2 - 6, band.top + 6, band.left + band.Width() / 2 + 6, band.top + 18},
              state == ButtonState::Disabled ? kGlyphDim : kMarkerLit);
    // The progress bar under the film.
    const Rect bar{inner.left + 4, inner.bottom - 12, inner.right - 4, inner.bottom - 6};
    FillRect(canvas, bar, kFilm);
    FillRect(canvas, {bar.left, bar.top, bar.left + bar.Width() * filled / steps, bar.bottom}, look.glyph);
}

} // namespace

void PaintGlyphFace(Canvas& canvas, const SkinRow& row, Glyph glyph)
{
    const Rect inner = PaintBox(canvas, row.state);
    glyph(canvas, GlyphBox(inner), LookOf(row.state).glyph);
}

void PlainFace(Canvas& canvas, const SkinRow& row, int)
{
    PaintBox(canvas, row.state);
}

void ProduceFace(Canvas& canvas, const SkinRow& row, int)
{
    PaintProduce(canvas, row.state, 0, 0, 1);
}

void ProduceFrame(Canvas& canvas, const SkinRow& row, int frame)
{
    const int frames = row.columns * row.rows;
    PaintProduce(canvas, ButtonState::Focus, frame, frame + 1, frames);
}

void ModeEmblem(Canvas& canvas, const SkinRow&, int)
{
    const Rect all{0, 0, canvas.Width(), canvas.Height()};
    VerticalGradient(canvas, all, kActiveCaption, kPanelBack);
    FillRect(canvas, {0, all.bottom - 1, all.right, all.bottom}, kOutline);
    // A bird of prey in flight: two swept wings and the tail.
    const int cx = canvas.Width() / 2 * kSub, cy = canvas.Height() / 2 * kSub;
    auto at = [&](int dx, int dy) { return SubPoint{cx + dx * kSub, cy + dy * kSub}; };
    const SubPoint left[] = {at(-26, -10), at(-2, 2), at(0, 8), at(-8, 2)};
    const SubPoint right[] = {at(26, -10), at(2, 2), at(0, 8), at(8, 2)};
    const SubPoint tail[] = {at(-3, 4), at(3, 4), at(4, 16), at(-4, 16)};
    FillPolygon(canvas, left, kGlyphLight);
    FillPolygon(canvas, right, kGlyphLight);
    FillPolygon(canvas, tail, kMarkerLit);
}

void ModeColumnBack(Canvas& canvas, const SkinRow&, int)
{
    FillRect(canvas, {0, 0, canvas.Width(), canvas.Height()}, kPanelBack);
    FillRect(canvas, {canvas.Width() - 1, 0, canvas.Width(), canvas.Height()}, kOutline);
}

void ColumnDecoration(Canvas& canvas, const SkinRow&, int)
{
    const Rect all{0, 0, canvas.Width(), canvas.Height()};
    VerticalGradient(canvas, all, kPanelBack, kActiveCaption);
    for (int y = 2; y < all.bottom - 1; y += 4)
        FillRect(canvas, {4, y, all.right - 4, y + 1}, kPanelLine);
}

void EffectMarkerLit(Canvas& canvas, const SkinRow&, int)
{
    FillRect(canvas, {0, 0, canvas.Width(), canvas.Height()}, kPanelBack);
    FillRoundedRect(canvas, {2, 3, canvas.Width() - 2, canvas.Height() - 3}, 2, kMarkerLit);
}

void EffectMarkerDim(Canvas& canvas, const SkinRow&, int)
{
    FillRect(canvas, {0, 0, canvas.Width(), canvas.Height()}, kPanelBack);
    FillRoundedRect(canvas, {3, 8, canvas.Width() - 3, canvas.Height() - 8}, 1, kButtonShade);
}

void TopBarBack(Canvas& canvas, const SkinRow&, int)
{
    // The title band on top, the tab band below it.
    FillRect(canvas, {0, 0, canvas.Width(), 23}, kActiveCaption);
    FillRect(canvas, {0, 23, canvas.Width(), 24}, kOutline);
    VerticalGradient(canvas, {0, 24, canvas.Width(), canvas.Height() - 1}, kPanelBack, kButtonShade);
    FillRect(canvas, {0, canvas.Height() - 1, canvas.Width(), canvas.Height()}, kOutline);
}

void StatusBarBack(Canvas& canvas, const SkinRow&, int)
{
    FillRect(canvas, {0, 0, canvas.Width(), 1}, kOutline);
    FillRect(canvas, {0, 1, canvas.Width(), canvas.Height()}, kPanelBack);
}

void BarDecoration(Canvas& canvas, const SkinRow& row, int)
{
    const Rgb end = row.state == ButtonState::Down    ? kPressedFace
                    : row.state == ButtonState::Focus ? kTabLight
                                                      : kActiveCaption;
    HorizontalGradient(canvas, {0, 0, canvas.Width(), canvas.Height()}, kPanelBack, end);
    FillRect(canvas, {0, canvas.Height() - 1, canvas.Width(), canvas.Height()}, kOutline);
}

void StatusSeparator(Canvas& canvas, const SkinRow&, int)
{
    FillRect(canvas, {0, 0, 1, canvas.Height()}, kOutline);
    canvas.Set(0, 0, kButtonLight);
}

void AboutFace(Canvas& canvas, const SkinRow& row, int)
{
    const Rect inner = PaintBox(canvas, row.state);
    HelpBadge(canvas, GlyphBox(inner), LookOf(row.state).glyph);
}

} // namespace skinart
