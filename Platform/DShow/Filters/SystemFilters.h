#pragma once
// The system filters: the filters a Windows machine ships, each creatable
// through CoCreateInstance by its class identifier and, when it describes
// its pins, known to the filter mapper (RegisteredFilters, intelligent
// connect, Render and RenderFile) without registry entries of its own.
// Each family of filters declares one table in SystemFilterTables.h.

#include <cstddef>
#include <utility>

#include "Platform/Com/Object.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"

namespace dshow {

struct SystemFilter {
    const CLSID* clsid;
    LPCWSTR name;
    DWORD merit;
    // Pins and types for the mapper; null: creatable by CLSID only.
    const REGFILTER2* description;
    HRESULT (*create)(REFIID riid, void** object);
};

// Makes the filters creatable through CoCreateInstance and known to the
// filter mapper. A filter added again replaces the earlier one.
void AddSystemFilters(const SystemFilter* filters, size_t count);

// Adds every family's table; called once when the runtime loads.
void RegisterSystemFilters();

// A system filter's creation: a new object of the class, asked for `riid`,
// made as every COM object is (E_OUTOFMEMORY when memory is short).
template <typename Filter, typename... Args> HRESULT CreateSystemObject(REFIID riid, void** object, Args&&... args)
{
    return com::CreateObject<Filter>(riid, object, std::forward<Args>(args)...);
}

} // namespace dshow
