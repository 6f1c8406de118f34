// MFC archives: collections, strings and object graphs read from any bytes.
// A damaged archive throws CArchiveException (or CFileException) and
// nothing else. As in MFC, an object whose Serialize throws is left to the
// caller: the target keeps account of its items and frees them all.

#include <set>
#include <vector>

#include "Platform/Mfc/Mfc.h"
#include "fuzz/FuzzSupport.h"

// An object that refers to another, so that archives can hold references,
// repeats and cycles.
class CFuzzItem : public CObject {
    DECLARE_SERIAL(CFuzzItem)
public:
    CFuzzItem() { Live().insert(this); }
    ~CFuzzItem() override { Live().erase(this); }
    static std::set<CFuzzItem*>& Live()
    {
        static std::set<CFuzzItem*> live;
        return live;
    }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsLoading())
            ar >> m_value >> m_pPeer >> m_text;
    }
    LONG m_value = 0;
    CObject* m_pPeer = nullptr;
    CString m_text;
};
IMPLEMENT_SERIAL(CFuzzItem, CObject, VERSIONABLE_SCHEMA | 1)

namespace {

void ReadEverything(CArchive& ar, std::vector<CObject*>& objects)
{
    BYTE choice = 0;
    for (int step = 0; step < 64; ++step) {
        ar >> choice;
        switch (choice % 8) {
        case 0: {
            CStringArray strings;
            strings.Serialize(ar);
            break;
        }
        case 1: {
            CDWordArray words;
            words.Serialize(ar);
            break;
        }
        case 2: {
            CMapStringToString map;
            map.Serialize(ar);
            break;
        }
        case 3: {
            CObList list;
            list.Serialize(ar);
            for (POSITION at = list.GetHeadPosition(); at;)
                objects.push_back(list.GetNext(at));
            break;
        }
        case 4: {
            CObject* object = nullptr;
            ar >> object;
            objects.push_back(object);
            break;
        }
        case 5: {
            CString text;
            ar >> text;
            break;
        }
        case 6: {
            CString line;
            ar.ReadString(line);
            break;
        }
        default: {
            LONGLONG number = 0;
            double real = 0;
            CTime time;
            ar >> number >> real >> time;
            break;
        }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<BYTE> bytes(data, data + size);
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    std::vector<CObject*> objects;
    try {
        CArchive ar(&file, CArchive::load);
        ReadEverything(ar, objects);
    } catch (CArchiveException* e) {
        e->Delete();
    } catch (CFileException* e) {
        e->Delete();
    }
    std::set<CObject*> seen;
    for (CObject* object : objects)
        if (object && !dynamic_cast<CFuzzItem*>(object) && seen.insert(object).second)
            delete object;
    const std::set<CFuzzItem*> items = CFuzzItem::Live();
    for (CFuzzItem* item : items)
        delete item;
    return 0;
}
