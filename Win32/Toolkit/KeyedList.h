#pragma once
// A list of UI elements with an integer key each and hit testing. The key
// of an element is the value of its property -3 when it is added.

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Imaging/GfxLists.h"
#include "Win32/Toolkit/Forward.h"

class CGfxPoint;

class CKeyedList {
public:
    // The standard property that holds an element's key.
    static constexpr INT kKeyProperty = -3;

    CKeyedList() = default;
    CKeyedList(const CKeyedList&) = delete;
    CKeyedList& operator=(const CKeyedList&) = delete;
    // Deletes every element.
    ~CKeyedList();

    // Takes ownership of `element` and appends it with its key (0 when the
    // element has no integer property -3). FALSE for a null element or when
    // memory is short; the element is then not taken.
    BOOL Add(PanelElement* element);
    // The first element, in the order added, whose hit test accepts `point`;
    // it is remembered as the last hit. Null when none does.
    PanelElement* FindAt(const CGfxPoint& point);
    // The element of the first key equal to `key`, or null.
    PanelElement* FindByKey(LONG key);
    // Deletes every element and key; forgets the last hit.
    void DeleteAll();

    INT GetCount() const { return m_objects.GetCount(); }
    // The element at `index` in the order added, or null.
    PanelElement* GetAt(INT index);
    PanelElement* GetLastHit() const { return m_pLastHit; }

private:
    CGfxObjList<PanelElement> m_objects;
    // Kept in step with m_objects: the key at index i belongs to element i.
    CGfxPtrList<LONG> m_keys;
    PanelElement* m_pLastHit = nullptr;
};
