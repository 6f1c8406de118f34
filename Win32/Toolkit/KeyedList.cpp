#include "Win32/Toolkit/KeyedList.h"

#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/PanelElement.h"
#include "Win32/Utils/GfxTypes.h"

CKeyedList::~CKeyedList()
{
    DeleteAll();
}

BOOL CKeyedList::Add(PanelElement* element)
{
    if (!element)
        return FALSE;
    LONG key = 0;
    if (const CTaggedValue* value = element->GetProperty(kKeyProperty))
        value->CopyLong(key);
    if (!m_objects.AddTail(element))
        return FALSE;
    if (!m_keys.AddTail(key)) {
        m_objects.RemoveAt(m_objects.GetCount() - 1);
        return FALSE;
    }
    return TRUE;
}

PanelElement* CKeyedList::FindAt(const CGfxPoint& point)
{
    for (INT i = 0; i < m_objects.GetCount(); ++i) {
        PanelElement* element = *m_objects.GetAt(i);
        if (element->HitTest(point)) {
            m_pLastHit = element;
            return element;
        }
    }
    return nullptr;
}

PanelElement* CKeyedList::GetAt(INT index)
{
    if (index < 0 || index >= m_objects.GetCount())
        return nullptr;
    return *m_objects.GetAt(index);
}

PanelElement* CKeyedList::FindByKey(LONG key)
{
    for (INT i = 0; i < m_keys.GetCount(); ++i) {
        if (*m_keys.GetAt(i) == key)
            return *m_objects.GetAt(i);
    }
    return nullptr;
}

void CKeyedList::DeleteAll()
{
    PtrListDeleteAll(m_objects);
    while (m_keys.GetCount() != 0)
        m_keys.RemoveAt(-1);
    m_pLastHit = nullptr;
}
