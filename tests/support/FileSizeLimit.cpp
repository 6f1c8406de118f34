#include "tests/support/FileSizeLimit.h"

#include <csignal>
#include <sys/resource.h>

namespace testing_support {

FileSizeLimit::FileSizeLimit(std::uint64_t bytes)
{
    struct rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    m_previousSoft = limit.rlim_cur;
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = bytes;
    m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    if (!m_active)
        std::signal(SIGXFSZ, m_previousHandler);
}

FileSizeLimit::~FileSizeLimit()
{
    if (!m_active)
        return;
    struct rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0) {
        limit.rlim_cur = m_previousSoft;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::signal(SIGXFSZ, m_previousHandler);
}

} // namespace testing_support
