#include "Platform/DShow/Filters/SystemFilters.h"

#include <map>
#include <mutex>

#include "Platform/DShow/Filters/SystemFilterTables.h"
#include "Platform/DShow/Runtime/BuiltinClasses.h"
#include "Platform/DShow/Runtime/FilterStore.h"

namespace dshow {
namespace {

struct Factories {
    std::mutex lock;
    std::map<CLSID, CreatorFactory*> byClass; // never freed: COM may hand them out at any time
};

Factories& AllFactories()
{
    static Factories* factories = new Factories;
    return *factories;
}

HRESULT GetSystemClassObject(REFCLSID clsid, REFIID riid, LPVOID* object)
{
    CheckPointer(object, E_POINTER);
    *object = nullptr;
    Factories& factories = AllFactories();
    std::lock_guard<std::mutex> guard(factories.lock);
    auto it = factories.byClass.find(clsid);
    if (it == factories.byClass.end())
        return CLASS_E_CLASSNOTAVAILABLE;
    return it->second->QueryInterface(riid, object);
}

} // namespace

void AddSystemFilters(const SystemFilter* filters, size_t count)
{
    Factories& factories = AllFactories();
    for (size_t i = 0; filters && i < count; ++i) {
        const SystemFilter& filter = filters[i];
        if (!filter.clsid || !filter.create)
            continue;
        {
            std::lock_guard<std::mutex> guard(factories.lock);
            CreatorFactory*& factory = factories.byClass[*filter.clsid];
            if (!factory)
                factory = new CreatorFactory(filter.create);
            else
                *factory = CreatorFactory(filter.create);
        }
        com::RegisterBuiltinClass(*filter.clsid, &GetSystemClassObject);
        RegisteredFilter record;
        if (filter.description && DescribeFilter(*filter.clsid, filter.name, *filter.description, record)) {
            record.merit = filter.merit;
            AddSystemFilterRecord(std::move(record));
        }
    }
}

void RegisterSystemFilters()
{
    AddSystemFilters(kPlaybackFilters, kPlaybackFilterCount);
    AddSystemFilters(kWritingFilters, kWritingFilterCount);
    AddSystemFilters(kVideoFilters, kVideoFilterCount);
}

} // namespace dshow
