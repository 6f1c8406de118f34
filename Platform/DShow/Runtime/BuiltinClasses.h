#pragma once
// The runtime's own classes (filter graph, system clock, filter mapper,
// device enumerator, memory allocator), created by class identifier
// without the registry.

namespace dshow {

// Makes every built-in class creatable through CoCreateInstance; the
// runtime does so when it is loaded.
void RegisterBuiltinClasses();

} // namespace dshow
