#pragma once
// The filter mapper's store: filters registered under a category in the
// registry, at HKEY_CLASSES_ROOT\CLSID\{category}\Instance\{filter}, with
// the values FriendlyName, CLSID and Merit (REG_DWORD), and one sub key
// "Pin<nn>" per pin (Name, Rendered, Output, Zero, Many, ConnectsToFilter,
// ConnectsToPin) holding one sub key "Type<nn>" per media type (Major,
// Minor). Everything is text or REG_DWORD, so the hive stays readable.

#include <string>
#include <vector>

#include "Platform/DShow/BaseClasses/BaseFilter.h"

namespace dshow {

struct RegisteredPinType {
    GUID major;
    GUID minor;
};

struct RegisteredPin {
    std::u16string name;
    bool rendered = false;
    bool output = false;
    bool zero = false;
    bool many = false;
    std::vector<RegisteredPinType> types;
};

struct RegisteredFilter {
    CLSID clsid{};
    std::u16string name;
    DWORD merit = 0;
    std::vector<RegisteredPin> pins;
};

// The registry path of a category's instances.
std::string InstancesKey(REFCLSID category);
// The names of a category's instances, in the registry's order.
std::vector<std::string> InstanceNames(REFCLSID category);

// Writes (replacing) a filter's record as `instance` of `category`;
// E_INVALIDARG for a description of an unknown version.
HRESULT WriteFilter(REFCLSID clsid, LPCWSTR name, REFCLSID category, const std::string& instance,
                    const REGFILTER2& description);

// Registers (replacing) a filter in a category under its class identifier;
// a null category is the legacy DirectShow filter category.
HRESULT RegisterFilter(REFCLSID clsid, LPCWSTR name, const CLSID* category, const REGFILTER2& description);
HRESULT UnregisterFilter(const CLSID* category, REFCLSID clsid);

// Every filter registered in the category, in no particular order.
std::vector<RegisteredFilter> RegisteredFilters(REFCLSID category);

// Whether the pin registers a type that fits major/minor: exactly, or else
// with GUID_NULL (and a pin without types) matching anything.
bool PinTakes(const RegisteredPin& pin, REFGUID major, REFGUID minor, bool exact);

// Whether one of the filter's input pins (output pins with `output`)
// registers a type that fits major/minor; GUID_NULL on either side is a
// wildcard.
bool FilterTakes(const RegisteredFilter& filter, bool output, REFGUID major, REFGUID minor);

// The filter a registration record describes; false for a record of an
// unknown version.
bool DescribeFilter(REFCLSID clsid, LPCWSTR name, const REGFILTER2& description, RegisteredFilter& filter);

// The runtime's own filters, known to the filter store without registry
// entries: RegisteredFilters lists them with the legacy filter category,
// after the registered ones, unless the registry holds the same class.
void AddSystemFilterRecord(RegisteredFilter filter);
// The system filter of this class identifier; false when there is none.
bool FindSystemFilterRecord(REFCLSID clsid, RegisteredFilter& filter);

} // namespace dshow
