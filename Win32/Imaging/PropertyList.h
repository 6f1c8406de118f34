#pragma once
// Numbered properties with change notification. An object of the graphics
// library or a windowless UI element keeps its configuration in a
// CPropertyList: callers set tagged values under property ids, the list
// refuses ids it does not hold and locked properties, and tells its
// listeners which property changed, at once or, while notifications are
// held, once when they are released.

#include <memory>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Utils/KLPtrList.h"

class CGfxArchive;

// One property: its value, id, state and pending-change flag.
class CPropertyItem : public CTaggedValue {
public:
    // The property may be set once more and then locks.
    static constexpr INT kOnce = 0;
    static constexpr INT kFree = 1;
    static constexpr INT kLocked = 2;

    CPropertyItem() = default;
    CPropertyItem(INT id, const CTaggedValue& value, INT state);
    // Copies carry id, value, flag and state, except that a locked property
    // arrives in state kOnce: a copied object may be configured once more.
    CPropertyItem(const CPropertyItem& other);
    CPropertyItem& operator=(const CPropertyItem& other);

    INT m_nId = -1;
    INT m_nState = kFree;
    // 1 while a change has not yet been reported to the listeners.
    INT m_nFlags = 0;
};

// The items of a property list in the order of definition. Each node owns a
// heap copy of its item.
class CPropertyItemList {
public:
    CPropertyItemList() = default;
    CPropertyItemList(const CPropertyItemList&) = delete;
    CPropertyItemList& operator=(const CPropertyItemList&) = delete;
    virtual ~CPropertyItemList();

    // Links a copy before position n (-1: before the cursor node; the count
    // appends) and returns it; null for a position outside the list or when
    // memory is short.
    virtual CPropertyItem* InsertAt(const CPropertyItem& item, INT n);
    // Links a copy at the tail and returns it; null when memory is short.
    CPropertyItem* Append(const CPropertyItem& item);

    INT GetCount() const { return m_items.GetCount(); }
    // Item n counted from the head, or null.
    CPropertyItem* GetAt(INT n);
    const CPropertyItem* GetAt(INT n) const;
    // The first item with `id`, searched from the head, or null.
    CPropertyItem* Find(INT id);
    const CPropertyItem* Find(INT id) const;
    void RemoveAll();
    // Exchanges the items of two lists.
    void Swap(CPropertyItemList& other);

private:
    KLPtrList<CPropertyItem*> m_items;
};

// A receiver of property changes. Listeners are shared: a list keeps a
// reference to each, and a listener lives as long as any reference does.
class CPropertyListener {
public:
    virtual ~CPropertyListener() = default;
    // `owner` is the list's owner (SetOwner), `value` the property's new
    // value. A change the listener makes to the list while it is called is
    // held and reported later.
    virtual void OnPropertyChanged(void* owner, INT id, const CTaggedValue& value) = 0;
};

class CPropertyList {
public:
    CPropertyList() = default;
    // Copies the items (with the item copy rules), shares the listeners, and
    // copies the owner and the hold counter.
    CPropertyList(const CPropertyList& other);
    CPropertyList& operator=(const CPropertyList& other);
    virtual ~CPropertyList();

    // Subclasses create their items here; the base creates none. 0 or a
    // negative code.
    virtual INT DefineProperties() { return 0; }

    // Appends a copy of `item` (with the item copy rules) at the end of the
    // list; null when memory is short. Defining the same id twice leaves the
    // later item unreachable by id.
    CPropertyItem* AddItem(const CPropertyItem& item);
    // Defines a new item in exactly the state given.
    CPropertyItem* AddItem(INT id, const CTaggedValue& value, INT state = CPropertyItem::kFree);

    // Sets property `id` to `value`. 0 when stored or unchanged, -19 for an
    // id the list does not hold, -18 for a locked property, -1 when the
    // value could not be stored (an empty value, or memory short). `changed`
    // (may be null) receives 1 only when the value changed.
    INT SetProperty(INT id, const CTaggedValue& value, BOOL* changed = nullptr);
    // The value of the first item with `id`, or null.
    CTaggedValue* GetProperty(INT id);
    const CTaggedValue* GetProperty(INT id) const;
    CPropertyItem* FindItem(INT id) { return m_items.Find(id); }
    const CPropertyItem* FindItem(INT id) const { return m_items.Find(id); }
    INT GetItemCount() const { return m_items.GetCount(); }

    // 0, or -1 for a null listener.
    INT AddListener(const std::shared_ptr<CPropertyListener>& listener);
    // Removes the first reference to the same listener object; 0, or -15
    // when it was not registered.
    INT RemoveListener(const std::shared_ptr<CPropertyListener>& listener);
    INT GetListenerCount() const { return static_cast<INT>(m_listeners.size()); }

    // Nonzero: holds notifications and returns the raised counter. 0: lowers
    // a nonzero counter and, when it reaches 0, reports the pending changes;
    // returns the counter.
    DWORD HoldNotifications(BOOL hold);
    DWORD GetHoldCount() const { return m_nHold; }
    // 1 when no item has an empty value.
    BOOL HasAllValues() const;
    void ClearPending();

    void SetOwner(void* owner) { m_pOwner = owner; }
    void* GetOwner() const { return m_pOwner; }

    // Stores: a 4-byte item count, then one 48-byte record per item (see
    // PropertyList.cpp); -13 before anything is written when an item holds a
    // value that has no stored form (pointer, string, HSL colour, triple,
    // blob), -4 when the archive takes fewer bytes. Loads: replaces the
    // items by the stored ones; -3 when the archive delivers fewer bytes or
    // a record cannot be loaded, in which case the items stay as they were.
    INT Serialize(CGfxArchive& archive);

private:
    INT Store(CGfxArchive& archive) const;
    INT Load(CGfxArchive& archive);
    void Notify(CPropertyItem& item);
    void FlushPending();

    CPropertyItemList m_items;
    std::vector<std::shared_ptr<CPropertyListener>> m_listeners;
    void* m_pOwner = nullptr;
    DWORD m_nHold = 0;
};
