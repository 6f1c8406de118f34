#pragma once
// The skin painter: one bitmap cut into equal vertical cells (cell width
// W / divisor, full height), drawn as a frame (corners at the corners, edges
// tiled between them, the middle untouched), as a frame of scaled pieces,
// or as a fill (the whole bitmap tiled over a rectangle, composed off-screen
// and copied once). The eight cells of a full frame are, in order: top-left
// corner, top edge, left edge, top-right corner, bottom-left corner, right
// edge, bottom edge, bottom-right corner.
//
// The bitmap loads on the first drawing or rectangle operation (from the
// bitmap resource module by id, else by name), which also fixes the frame
// widths that were left at 0: left = right = cell width, top = bottom =
// bitmap height. A bitmap that cannot load makes every drawing do nothing
// and every rectangle operation leave its rectangle unchanged, silently.
// Changing the id or name after a load does not reload. UI thread only.

#include "Platform/Mfc/Mfc.h"
#include "Win32/Toolkit/ImageHolder.h"

class CFrameBitmap : public CObject {
public:
    CFrameBitmap();
    ~CFrameBitmap() override;

    virtual void SetStyle(int style);
    virtual void SetBitmapId(int id);
    virtual int GetBitmapId();
    virtual int GetStyle();
    virtual void SetCellDivisor(int divisor);
    virtual int GetCellDivisor();
    // Stored and read back; drawing is always opaque.
    virtual void SetTransparent(int value);
    virtual int GetTransparent();
    virtual int GetCornersOnly();
    virtual void SetCornersOnly(int flag);
    virtual void Reserved();
    // A copy of the "FRAME_STYLE" resource `id` (low 16 bits) of the bitmap
    // module in a zero-initialised, locked global block the caller frees;
    // null when the resource is missing or empty.
    virtual void* LoadFrameStyle(int id);
    virtual void SetFileName(const char* name);
    virtual const char* GetFileName();
    virtual CRect* InflateByFrame(CRect* rect);
    virtual CRect* DeflateByFrame(CRect* rect);
    virtual CRect* OffsetByFrame(CRect* rect);
    virtual void DrawFrame(CDC* dc, const CRect* rect);
    virtual void DrawFill(CDC* dc, const CRect* rect);
    virtual void DrawScaledFrame(CDC* dc, const CRect* rect, float factor);

    // Loads the bitmap; 0 when there is none to load or it fails.
    BOOL Load();
    BOOL IsLoaded() const { return m_imageWidth > 0 && m_imageHeight > 0; }

protected:
    // Copies the piece of the bitmap at (sourceX, sourceY) into
    // `destination`; every drawing goes through here.
    virtual void DrawPiece(CDC* dc, const CRect& destination, int sourceX, int sourceY);

private:
    BOOL EnsureLoaded();

    CImageHolder m_image;
    int m_nBitmapId = 0;
    CString m_strImageName;
    int m_nCellDivisor = 8;
    int m_nStyle = 1;
    int m_nCornersOnly = 0;
    int m_nTransparent = 0;
    int m_nLeftWidth = 0;
    int m_nTopHeight = 0;
    int m_nRightWidth = 0;
    int m_nBottomHeight = 0;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
};
