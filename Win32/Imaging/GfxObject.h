#pragma once
// The abstract root of the planar imaging library's property-carrying
// objects: images, compositions and pixel buffers. Each derived object owns
// one CPropertyList and answers these operations through it.

#include <memory>

#include "Platform/Win/Base/WinTypes.h"

class CGfxArchive;
class CPropertyListener;
class CTaggedValue;

class CGfxObject {
public:
    // Type codes of GetTypeCode; a pixel buffer answers its pixel type
    // instead (7, 6, 3, 2 or 1).
    static constexpr INT kPlanarImage = 1;
    static constexpr INT kRasterImage = 2;
    static constexpr INT kComposition = 3;

    CGfxObject() = default;
    CGfxObject(const CGfxObject&) = default;
    CGfxObject& operator=(const CGfxObject&) = default;
    // Releases everything the object owns.
    virtual ~CGfxObject();

    virtual INT GetTypeCode() const = 0;
    // True when the object is fully described (which properties that takes
    // is the derived class's rule).
    virtual bool IsComplete() const = 0;
    // 0, or -19 for an id the object does not define, -18 for a locked
    // property, -1 when the value was not stored, or a code of the class.
    // `changed` (may be null) receives 1 when the value changed.
    virtual INT SetProperty(INT id, const CTaggedValue& value, BOOL* changed) = 0;
    // The property's value, or null for an id the object does not define.
    virtual CTaggedValue* GetProperty(INT id) = 0;
    virtual INT AddListener(const std::shared_ptr<CPropertyListener>& listener) = 0;
    // 0, or -15 when the listener was not registered.
    virtual INT RemoveListener(const std::shared_ptr<CPropertyListener>& listener) = 0;
    // Holds change notices; returns the new depth.
    virtual DWORD BeginUpdate() = 0;
    // Releases one level; true when the depth returned to 0 and the held
    // notices went out.
    virtual bool EndUpdate() = 0;
    // A constant of the class: 1 for planar images, compositions and pixel
    // buffers, 0 for raster images.
    virtual INT QueryFlag() const = 0;
    // Stores or loads the object; 0 or a negative code (-13 for classes
    // that cannot be stored).
    virtual INT Serialize(CGfxArchive& archive) = 0;
    // A new object of the same class, or null for classes that cannot be
    // cloned.
    virtual CGfxObject* Clone() const = 0;
};
