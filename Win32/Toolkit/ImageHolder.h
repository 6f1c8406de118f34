#pragma once
// One bitmap of the bitmap resource module (or a named bitmap of the
// program), held and copied opaquely into rectangles of a device context.
// The skin painters, the preview's player panel and the library windows hold
// their pictures this way. A failed load leaves nothing held; every
// operation without a bitmap does nothing. UI thread only.

#include "Platform/Mfc/Mfc.h"

class CGdiBitmap;

class CImageHolder {
public:
    CImageHolder();
    virtual ~CImageHolder();
    CImageHolder(const CImageHolder&) = delete;
    CImageHolder& operator=(const CImageHolder&) = delete;

    // Drops any held bitmap, then makes one from bitmap `id` of the bitmap
    // resource module, without a transparent colour. True when the bitmap
    // object was made; whether its handle loaded is the bitmap's to say.
    BOOL LoadFromResource(UINT id);
    // The same for a named bitmap of the program's own module.
    BOOL LoadByName(LPCSTR name);
    // The held bitmap's size; 0 by 0 without one.
    void GetSize(int& width, int& height) const;
    // Copies the bitmap from (sourceX, sourceY) into `destination` (right and
    // bottom exclusive) with SRCCOPY. Without a bitmap the DC is untouched.
    void Draw(CDC* dc, const CRect& destination, int sourceX, int sourceY);
    void Release();

    CGdiBitmap* GetBitmap() const { return m_pBitmap; }

private:
    CString m_strPath;
    CGdiBitmap* m_pBitmap = nullptr;
};
