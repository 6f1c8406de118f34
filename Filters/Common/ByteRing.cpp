#include "Filters/Common/ByteRing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

CByteRing::CByteRing(long long capacity)
{
    if (capacity <= 0 || static_cast<unsigned long long>(capacity) > SIZE_MAX / 2)
        return;
    m_storage.reset(new (std::nothrow) unsigned char[static_cast<size_t>(capacity)]);
    if (m_storage)
        m_capacity = capacity;
}

long long CByteRing::Used() const
{
    const long long read = m_read == m_capacity ? 0 : m_read;
    const long long write = m_write == m_capacity ? 0 : m_write;
    return write >= read ? write - read : m_capacity - read + write;
}

bool CByteRing::Write(const unsigned char* source, long long length)
{
    if (length < 0 || length >= Free())
        return false;
    if (m_write == m_capacity)
        m_write = 0;
    const long long first = std::min(length, m_capacity - m_write);
    std::memcpy(m_storage.get() + m_write, source, static_cast<size_t>(first));
    if (first < length) {
        std::memcpy(m_storage.get(), source + first, static_cast<size_t>(length - first));
        m_write = length - first;
    } else {
        m_write += first;
    }
    return true;
}

bool CByteRing::Read(unsigned char* destination, long long length)
{
    if (length < 0 || length > Used())
        return false;
    if (m_read == m_capacity)
        m_read = 0;
    const long long first = std::min(length, m_capacity - m_read);
    std::memcpy(destination, m_storage.get() + m_read, static_cast<size_t>(first));
    if (first < length) {
        std::memcpy(destination + first, m_storage.get(), static_cast<size_t>(length - first));
        m_read = length - first;
    } else {
        m_read += first;
    }
    return true;
}
