#pragma once
// A device-independent bitmap held as a 1064-byte header block (the 40-byte
// BITMAPINFOHEADER and room for 256 colours, whatever the depth) and a pixel
// block, with reading and writing of .BMP/.DIB files, a DIB-section mode the
// DV decoder writes into, and drawing onto a device context.
//
// Files are read with either a Windows BITMAPINFOHEADER (40 bytes) or an
// OS/2 BITMAPCOREHEADER (12 bytes). Everything in a file is checked before
// memory is taken for it: a bad or hostile file makes Load return 0 and
// leaves the object as it was. Saved files always carry bfOffBits 1078 and
// the whole info block.

#include "Platform/Mfc/Forward.h"
#include "Platform/Mfc/Object.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"

// The header block: the info header and 256 colour entries.
constexpr DWORD kDibHeaderBlockSize = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
// The offset of the pixels in every file CDIB::Save writes.
constexpr DWORD kDibFileOffBits = sizeof(BITMAPFILEHEADER) + kDibHeaderBlockSize;
// Larger images are refused by Load and AttachFileImage.
constexpr LONG kDibMaxDimension = 32768;

class CDIB : public CObject {
    DECLARE_SERIAL(CDIB)
public:
    CDIB();
    ~CDIB() override;

    // An archive stores and restores only the class.
    void Serialize(CArchive& ar) override;
    void AssertValid() const override;
    void Dump(CDumpContext& dc) const override;

    // A new 8-bit header with a grey colour table and no pixels. 1, or 0
    // when memory runs out (the object then unchanged).
    virtual BOOL Create(int width, int height);
    // Reads a bitmap file from the file's current position. 1, or 0 (the
    // object unchanged) for a short, bad or unsupported file.
    virtual BOOL Load(CFile* pFile);
    // Uses a whole bitmap file held in memory: the header is copied, the
    // pixels stay in the caller's block, which must outlive their use and is
    // never freed by the object. 0 for a block that is not a Windows bitmap
    // file of `size` bytes with all its pixels.
    virtual BOOL AttachFileImage(BYTE* pFileImage, DWORD size);
    // StretchDIBits of the whole bitmap; 0 without pixels or a DC.
    virtual int Draw(HDC hdc, int x, int y, int width, int height);
    // StretchBlt of the DIB section (its upper-left quarter at 180 x 120).
    virtual BOOL DrawSection(HDC hdc, int x, int y);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    // Writes the file layout; 0 when there are fewer pixels than the header
    // describes or a write fails.
    virtual BOOL Save(CFile* pFile);
    // Saves through a temporary file renamed over `path`, so a failure
    // leaves an old file intact; message boxes tell of failures. An empty
    // path returns 0 (no save dialog exists yet).
    virtual BOOL SaveAs(LPCSTR path);
    // Rewrites the 40-byte header for a new size and depth (180 x 120
    // becomes 90 x 60); the colour table is untouched.
    virtual void SetFormat(int width, int height, int bitCount);

    // Switches the pixels to a DIB section made from the header (colours as
    // palette indexes), copying what of the old pixels fits. 0 on failure.
    BOOL CreateSection(HWND hwnd);
    int GetNumColors() const;
    RGBQUAD* GetColorTable() const;
    int GetStorageWidth() const;
    BITMAPINFO* GetBitmapInfo() const { return m_pBMI; }
    BYTE* GetBits() const { return m_pBits; }
    // The bytes the pixel block holds (0 without pixels).
    DWORD GetBitsSize() const { return m_cbBits; }
    HBITMAP GetSection() const { return m_hBitmap; }

    float m_fScale = 1.0f;
    BITMAPINFO* m_pBMI = nullptr;
    BYTE* m_pBits = nullptr;
    HBITMAP m_hBitmap = nullptr;

private:
    enum class BitsOwner { None, Heap, Section, Caller };

    // Releases the pixel block according to who owns it.
    void FreeBits();
    // Bytes of pixels the header describes, 0 for a header that is no use.
    ULONGLONG RequiredBitsSize() const;

    DWORD m_cbBits = 0;
    BitsOwner m_bitsOwner = BitsOwner::None;
};

// Colours in the header's table: 2, 16 or 256 by depth, biClrUsed when set.
int DibNumColors(const void* header);
// True unless the header is an OS/2 BITMAPCOREHEADER.
BOOL IsWinDib(const void* header);
