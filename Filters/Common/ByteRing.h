#pragma once
// A byte ring of fixed capacity: blocks go in at the write position and
// come out at the read position, wrapping at the end of the storage. At
// most capacity - 1 bytes are held. The ring does not lock; its owner
// serialises access.

#include <cstddef>
#include <memory>

class CByteRing {
public:
    // A capacity that cannot be allocated (or is not positive) leaves the
    // ring with capacity 0, which holds nothing.
    explicit CByteRing(long long capacity);

    long long Capacity() const { return m_capacity; }
    long long Used() const;
    long long Free() const { return m_capacity - Used(); }

    // False, changing nothing, unless length < Free().
    bool Write(const unsigned char* source, long long length);
    // False, changing nothing, when length > Used().
    bool Read(unsigned char* destination, long long length);

private:
    std::unique_ptr<unsigned char[]> m_storage;
    long long m_capacity = 0;
    long long m_read = 0;
    long long m_write = 0;
};
