#pragma once
// An 8-bit single-channel mask used as the per-pixel alpha of
// CIplImage::BlendWithMask (0 shows the destination, 255 the source), filled
// from a frame by an exact or a soft colour key, or drawn through a lent
// drawing surface: a 24-bit work image that GDI draws into through a memory
// DC and whose first channel is then copied into the mask.
//
// The surface is a monochrome memory DC, so whatever is drawn reads back
// as 0 or 255.
//
// Deleting a mask frees it, as Free does; Free clears every field, so Free
// followed by delete stays safe.

#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"

class CIplImage;

class CIplAlphaMask {
public:
    // A mask of that size filled with 0; its image is null when IPL fails.
    CIplAlphaMask(int width, int height);
    ~CIplAlphaMask();

    CIplAlphaMask(const CIplAlphaMask&) = delete;
    CIplAlphaMask& operator=(const CIplAlphaMask&) = delete;

    // Sets every field to zero without releasing anything.
    void Reset();
    // 1 channel, colour model and sequence "A", rows aligned to 8, filled
    // with 0; null on an IPL error.
    static IplImage* CreateMaskImage(int width, int height);
    // 3 channels "RGB", rows aligned to 4 (the rows of a 24-bit DIB),
    // filled with 0, with a whole-image ROI whose coi is 1; null on an IPL
    // error.
    static IplImage* CreateWorkImage(int width, int height);
    // The 24-bit header of the drawing surface, made from the mask's size.
    void BuildBitmapInfo();

    // The drawing work image, made on first use; null without a mask.
    IplImage* GetWorkImage();
    // Opens the drawing surface (a memory DC whose bitmap starts as the work
    // image left it) and returns its DC, or the DC already open; null
    // without a mask or when no DC can be made.
    HDC GetDC();
    // Closes the surface: the drawing is read back into the work image and
    // copied into the mask (CopyWorkToMask). Nothing when it is not open.
    void ReleaseDC(int mirror);
    // The closing half of the drawing surface: channel 1 of the work image
    // (rows as GetDIBits leaves them, bottom-up) goes into the mask, turned
    // upside down when `mirror` is non-zero so that the mask rows run
    // top-down. Nothing without a mask or work image.
    void CopyWorkToMask(int mirror);

    // Exact key: pixels equal to `key` give 0, others percent x 255 / 100
    // (clamped to 0..255). Scans the source's ROI, or the whole source.
    void BuildColorKey(const CIplImage* source, COLORREF key, int percent);
    // Soft key: transparent within a band of +-h levels of the key, ramping
    // to opaque over the next 2h, where h = (100 - percent) x 2.55.
    void BuildSoftColorKey(const CIplImage* source, COLORREF key, int percent);
    // Replaces the mask by its mirror (of the ROI size): left to right when
    // `flag` is non-zero, else upside down.
    void Mirror(int flag);
    // Releases the mask, the work image and the header.
    void Free();

    IplImage* GetImage() const { return m_pMask; }
    const BITMAPINFOHEADER* GetBitmapInfo() const { return m_pInfo; }

private:
    IplImage* m_pMask;
    IplImage* m_pWork;
    BITMAPINFOHEADER* m_pInfo;
    HDC m_hDC;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOldBitmap;
};
