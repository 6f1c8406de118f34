#pragma once
// Holds the process's file-size limit at a small number of bytes while the
// object lives, so a test can make a write fail half way; the limit holds
// even for the super-user, who may write into read-only folders. Writes past
// the limit fail with an error instead of ending the process.

#include <cstdint>

namespace testing_support {

class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // Whether the limit could be set.
    bool Active() const { return m_active; }

private:
    bool m_active = false;
    std::uint64_t m_previousSoft = 0;
    void (*m_previousHandler)(int) = nullptr;
};

} // namespace testing_support
