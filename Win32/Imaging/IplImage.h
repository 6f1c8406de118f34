#pragma once
// The frame image of the media pipeline: an owned 24-bit IPL image (blue,
// green, red bytes; rows on 8-byte boundaries; channel 1 is blue), with
// scaling, regions and channels of interest, fills, blends, colour
// adjustment, conversion to and from in-memory DIBs, the field operations of
// interlaced video and the picture-in-picture composite.
//
// Colours handed in are COLORREF values (red in bits 0-7), so channel 1
// takes bits 16-23, channel 2 bits 8-15 and channel 3 bits 0-7. Rectangles
// are RECTs with right and bottom excluded.
//
// Deleting a CIplImage frees its image: the pipeline's owners delete frames
// without calling Free first, and Free clears the pointer, so Free followed
// by delete stays safe.

#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"

class CIplAlphaMask;

// Placement of one frame in another (CompositeImageIntoRect). Only the mode,
// the key colour and the percent are read here; the other fields travel
// with the record to its other users.
struct CompositeParams {
    static constexpr INT kSoftColorKey = 4;
    static constexpr INT kConstantOpacity = 6;
    static constexpr INT kExactColorKey = 7;

    INT m_nMode;
    INT m_crKey;
    INT m_crKey2;
    INT m_nKeyLevel;
    // Mode 6: opacity of the source; mode 7: opacity of the pixels that do
    // not match the key; mode 4: exactness of the key match (100 = exact).
    INT m_nPercent;
    INT m_bEnable;
    INT m_nReserved;
};
static_assert(sizeof(CompositeParams) == 28);

class CIplImage {
public:
    CIplImage() = default;
    // A black image; each non-zero byte of `fillColor` is written into its
    // channel. Empty when the image cannot be made.
    CIplImage(int width, int height, unsigned fillColor);
    // A deep copy of the whole source picture, without ROI; the source's ROI
    // is kept. Empty for a null or empty source.
    explicit CIplImage(const CIplImage* source);
    // The DIB's picture; with `deleteDib` the block is released with FreeDib
    // afterwards, whether or not the conversion worked.
    CIplImage(BITMAPINFOHEADER* dib, bool deleteDib);
    // The picture of bitmap resource `resourceId` (its low 16 bits), from
    // the first resource module that holds it. Empty when the bitmap is
    // missing or cannot be read.
    explicit CIplImage(UINT resourceId);
    ~CIplImage();

    CIplImage(const CIplImage&) = delete;
    CIplImage& operator=(const CIplImage&) = delete;

    // Takes ownership of `image` (an image held before is not released).
    void Attach(IplImage* image);
    // Releases the image with IPL_IMAGE_ALL; nothing when empty.
    void Free();
    // Forgets the image without releasing it.
    void Clear();
    IplImage* GetImage() const { return m_pImage; }

    // A new image of the asked size holding the scaled picture; null when
    // empty, when the size is the current one, or when an image (the result
    // or the intermediate of a mixed enlarge-and-reduce) cannot be made.
    IplImage* ScaleTo(int width, int height) const;
    // Replaces the image by ScaleTo's result; otherwise changes nothing.
    void Resize(int width, int height);
    // A new object owning ScaleTo's result; null when that is null.
    CIplImage* CreateResized(int width, int height) const;

    void SetRoi(const RECT* rect, int coi = 0);
    // The ROI's rectangle and coi, or the whole image and 0 without one;
    // 0 when empty, else 1.
    int GetRoi(RECT* rect, int* coi = nullptr) const;
    void FreeRoi();
    // Sets the ROI's coi and returns the previous one; an image without ROI
    // gets a whole-image ROI with that coi, and 0 is returned.
    static int SetChannelOfInterest(IplImage* image, int coi);
    // iplCopy from the other image into this one, within the ROIs set.
    void CopyFrom(const CIplImage* other);
    // Replaces the image by its mirror (of the ROI size): left to right when
    // `flag` is non-zero, else upside down.
    void Mirror(int flag);

    // Leaves a whole-image ROI with coi 0 behind when there was none.
    void FillChannel(int channel, int value);
    void FillColor(COLORREF color);
    // `source` over this image with `alpha` (0 this image, 255 the source),
    // into `destination`, or into this image when that is null. 0 when
    // this image or the source is missing or a work image cannot be made.
    int BlendConstant(const CIplImage* source, int alpha, CIplImage* destination = nullptr);
    // The same through a per-pixel mask (255 shows the source).
    int BlendWithMask(const CIplImage* source, const CIplAlphaMask* mask, CIplImage* destination = nullptr);
    // The colour effect's six settings (50 / 256 of a level for the colour
    // offsets, neutral at 0), over the whole image row by row; releases the
    // ROI. Nothing happens when all six are 0.
    void AdjustColors(int red, int green, int blue, int saturation, int brightness, int contrast);

    // iplConvertToDIB with Floyd-Steinberg dithering; 0 when the DIB or the
    // image is missing, else 1.
    int ToDib(BITMAPINFOHEADER* dib) const;
    // Stretches the whole picture into `rect` of the DC through a 24-bit
    // DIB, leaving the DC in COLORONCOLOR stretch mode. Nothing when empty.
    void Draw(HDC dc, const RECT& rect) const;

private:
    IplImage* m_pImage = nullptr;
};

// The frame image form: 3 channels of 8 bits, colour model "RGB", channel
// sequence "BGR", rows aligned to 8 bytes, filled with 0; null on an IPL
// error.
IplImage* CreateIplRgbImage(int width, int height);
// CreateIplRgbImage of the DIB's size with its picture; null for a null DIB
// or a failed conversion.
IplImage* CreateIplImageFromDib(const BITMAPINFOHEADER* dib);
void IplToDib(BITMAPINFOHEADER* dib, const IplImage* image, int dither, int paletteConversion);

// An in-memory DIB: header, colour table or masks, bottom-up rows padded to
// 4 bytes. Kinds: 0 8-bit with a 256-entry table, 1 16-bit 5-5-5, 2 16-bit
// 5-6-5 masks, 3 24-bit, 4 32-bit. Null for another kind, a size below 1
// or when memory is short. The block starts zeroed and is released with
// FreeDib.
BITMAPINFOHEADER* AllocDib(int kind, int width, int height);
void FreeDib(BITMAPINFOHEADER* dib);
// The pixels of an 8-, 16-, 24- or 32-bit DIB laid out as AllocDib does;
// null for other depths or a null DIB.
BYTE* GetDibBits(BITMAPINFOHEADER* dib);
// The row stride of an 8-, 16-, 24- or 32-bit DIB; 0 otherwise.
int GetDibStride(const BITMAPINFOHEADER* dib);

// Field operations copy whole rows. L, the frame rows that take part, is
// twice the (first) field's height when that is less than the frame's,
// else the frame's height. A field narrower than the frame takes the part
// of each row that fits.
void SplitFields(CIplImage* frame, CIplImage* first, CIplImage* second);
void ExtractField(CIplImage* frame, CIplImage* field);
void InterleaveFields(CIplImage* frame, CIplImage* first, CIplImage* second);

// Lays `source` into `rect` of `destination` by the params' mode, scaling a
// copy of the source to the rectangle's size when needed (field by field
// when `interlaced`); the caller's source keeps its size and loses its ROI.
void CompositeImageIntoRect(CIplImage* destination, CIplImage* source, int interlaced,
                            const CompositeParams* params, const RECT* rect);
