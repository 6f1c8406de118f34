#pragma once
// Bitmap copies the elements make: an area of a bitmap copied unscaled
// into a new bitmap (cropped, or padded with whatever the new bitmap holds),
// and a whole bitmap stretched to a size. The new bitmaps are compatible
// with the given context (the screen when it is null) and carry no
// transparency; null on failure or for an empty size.

#include <memory>

#include "Win32/Utils/GfxTypes.h"

class CDrawContext;
class CGdiBitmap;
class CResourceLoader;

// A bitmap of the loader's module by id or by name, or null when it is
// missing.
std::unique_ptr<CGdiBitmap> LoadResourceBitmap(CResourceLoader& loader, UINT id);
std::unique_ptr<CGdiBitmap> LoadResourceBitmap(CResourceLoader& loader, const CGfxString& name);

std::unique_ptr<CGdiBitmap> CopyBitmapArea(CDrawContext* context, CGdiBitmap& source, const CGfxPoint& from,
                                           const CGfxSize& size);
std::unique_ptr<CGdiBitmap> StretchBitmap(CDrawContext* context, CGdiBitmap& source, const CGfxSize& size);
