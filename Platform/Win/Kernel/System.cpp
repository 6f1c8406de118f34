#include "Platform/Win/Kernel/System.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <iterator>
#include <langinfo.h>
#include <locale.h>
#include <mutex>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/Win/Kernel/KernelObject.h"
#include "Platform/Win/Kernel/RuntimeFolder.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;
std::mutex g_envLock;
std::atomic<win::DebugSink> g_debugSink{nullptr};

// Copies `text` with its terminator into a Win32-style character buffer:
// returns the length without terminator, or the size needed with the
// terminator when the buffer is too small.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size)
{
    if (!buffer || size <= text.size())
        return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

// Copies into a locale-call buffer: returns characters written including
// the terminator, the size needed when `size` is 0, and 0 when too small.
int CopyLocaleText(const std::string& text, LPSTR out, int size)
{
    int needed = static_cast<int>(text.size()) + 1;
    if (size == 0)
        return needed;
    if (!out || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
    return needed;
}

// The user's locale for one category, as the environment names it.
locale_t UserLocale(int mask)
{
    locale_t loc = newlocale(mask, "", static_cast<locale_t>(0));
    if (!loc)
        loc = newlocale(mask, "C", static_cast<locale_t>(0));
    return loc;
}

std::string StrftimeLocal(const char* format, const SYSTEMTIME& st)
{
    std::tm tm{};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_wday = st.wDayOfWeek;
    tm.tm_isdst = -1;
    locale_t loc = UserLocale(LC_TIME_MASK);
    char out[256];
    size_t n = loc ? strftime_l(out, sizeof out, format, &tm, loc) : std::strftime(out, sizeof out, format, &tm);
    if (loc)
        freelocale(loc);
    return std::string(out, n);
}

// The user's strftime format for dates or times.
std::string UserFormat(nl_item item)
{
    locale_t loc = UserLocale(LC_TIME_MASK);
    std::string format = loc ? nl_langinfo_l(item, loc) : nl_langinfo(item);
    if (loc)
        freelocale(loc);
    return format;
}

// Drops the seconds from a strftime time format.
std::string WithoutSeconds(std::string format)
{
    auto replace = [&](const std::string& from, const std::string& to) {
        for (size_t at = format.find(from); at != std::string::npos; at = format.find(from, at + to.size()))
            format.replace(at, from.size(), to);
    };
    replace("%T", "%H:%M");
    replace("%r", "%I:%M %p");
    replace(":%S", "");
    replace(".%S", "");
    replace("%S", "");
    return format;
}

// Expands a Windows picture format ("dd/MM/yyyy", "hh:mm tt") for `st`.
std::string ExpandPicture(const char* picture, const SYSTEMTIME& st)
{
    static const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    static const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
    std::string out;
    char number[16];
    for (const char* p = picture; *p;) {
        char c = *p;
        if (c == '\'') {
            ++p;
            while (*p && *p != '\'')
                out += *p++;
            if (*p)
                ++p;
            continue;
        }
        int run = 1;
        while (p[run] == c)
            ++run;
        p += run;
        switch (c) {
        case 'd':
            if (run <= 2) {
                std::snprintf(number, sizeof number, run == 1 ? "%u" : "%02u", st.wDay);
                out += number;
            } else {
                std::string day = kDays[st.wDayOfWeek % 7];
                out += run == 3 ? day.substr(0, 3) : day;
            }
            break;
        case 'M':
            if (run <= 2) {
                std::snprintf(number, sizeof number, run == 1 ? "%u" : "%02u", st.wMonth);
                out += number;
            } else {
                std::string month = kMonths[(st.wMonth + 11) % 12];
                out += run == 3 ? month.substr(0, 3) : month;
            }
            break;
        case 'y':
            std::snprintf(number, sizeof number, run <= 2 ? "%02u" : "%04u", run <= 2 ? st.wYear % 100u : st.wYear);
            out += number;
            break;
        case 'h':
            std::snprintf(number, sizeof number, run == 1 ? "%u" : "%02u", (st.wHour + 11) % 12 + 1);
            out += number;
            break;
        case 'H':
            std::snprintf(number, sizeof number, run == 1 ? "%u" : "%02u", st.wHour);
            out += number;
            break;
        case 'm':
            std::snprintf(number, sizeof number, run == 1 ? "%u" : "%02u", st.wMinute);
            out += number;
            break;
        case 's':
            std::snprintf(number, sizeof number, run == 1 ? "%u" : "%02u", st.wSecond);
            out += number;
            break;
        case 't':
            out += st.wHour < 12 ? (run == 1 ? "A" : "AM") : (run == 1 ? "P" : "PM");
            break;
        default:
            out.append(static_cast<size_t>(run), c);
        }
    }
    return out;
}

SYSTEMTIME NowLocal()
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(tm.tm_year + 1900);
    st.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    st.wDay = static_cast<WORD>(tm.tm_mday);
    st.wHour = static_cast<WORD>(tm.tm_hour);
    st.wMinute = static_cast<WORD>(tm.tm_min);
    st.wSecond = static_cast<WORD>(tm.tm_sec);
    return st;
}

} // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

BOOL CloseHandle(HANDLE handle)
{
    // The pseudo handles of the current process and thread need no closing.
    if (handle == GetCurrentProcess() || handle == reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)))
        return TRUE;
    if (!win::detail::RemoveHandle(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

void OutputDebugStringA(LPCSTR text)
{
    if (!text)
        return;
    if (win::DebugSink sink = g_debugSink.load())
        sink(text);
    else if (std::getenv("KESTRELON_DEBUG"))
        std::fputs(text, stderr);
}

namespace win {
void SetDebugSink(DebugSink sink) { g_debugSink.store(sink); }

std::string RuntimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        std::string folder = runtime;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        return folder;
    }
    std::string folder = "/tmp/kestrelon-" + std::to_string(geteuid());
    mkdir(folder.c_str(), 0700);
    struct stat info {};
    if (lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid())
        return folder;
    // Someone else holds the name: a folder of this process's own keeps the
    // locks private, at the price of not seeing other instances.
    std::string own = folder + "-XXXXXX";
    return mkdtemp(own.data()) ? own : folder;
}
} // namespace win

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size)
{
    std::lock_guard<std::mutex> guard(g_envLock);
    const char* value = name ? std::getenv(name) : nullptr;
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    return CopyOut(value, buffer, size);
}

BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value)
{
    if (!name || !*name || std::strchr(name, '=')) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(g_envLock);
    int result = value ? setenv(name, value, 1) : unsetenv(name);
    return result == 0 ? TRUE : FALSE;
}

DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR dest, DWORD size)
{
    std::string out;
    {
        std::lock_guard<std::mutex> guard(g_envLock);
        for (const char* p = source ? source : ""; *p;) {
            const char* end = *p == '%' ? std::strchr(p + 1, '%') : nullptr;
            if (end && end > p + 1) {
                std::string name(p + 1, end);
                if (const char* value = std::getenv(name.c_str())) {
                    out += value;
                    p = end + 1;
                    continue;
                }
            }
            out += *p++;
        }
    }
    // The count includes the terminator, whether or not it fitted.
    if (dest && size > out.size())
        std::memcpy(dest, out.c_str(), out.size() + 1);
    return static_cast<DWORD>(out.size() + 1);
}

BOOL GetUserNameA(LPSTR buffer, LPDWORD size)
{
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string name;
    passwd entry{};
    passwd* found = nullptr;
    char scratch[4096];
    if (getpwuid_r(geteuid(), &entry, scratch, sizeof scratch, &found) == 0 && found)
        name = found->pw_name;
    else if (const char* user = std::getenv("USER"))
        name = user;
    else
        name = "user";
    DWORD needed = static_cast<DWORD>(name.size() + 1);
    if (!buffer || *size < needed) {
        *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), needed);
    *size = needed;
    return TRUE;
}

BOOL GetComputerNameA(LPSTR buffer, LPDWORD size)
{
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        std::strcpy(host, "localhost");
    DWORD length = static_cast<DWORD>(std::strlen(host));
    if (!buffer || *size <= length) {
        *size = length + 1;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, host, length + 1);
    *size = length;
    return TRUE;
}

LPSTR GetCommandLineA()
{
    static std::string line = [] {
        std::ifstream in("/proc/self/cmdline", std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string joined;
        size_t start = 0;
        while (start < all.size()) {
            size_t end = all.find('\0', start);
            if (end == std::string::npos)
                end = all.size();
            std::string arg = all.substr(start, end - start);
            if (!joined.empty())
                joined += ' ';
            joined += arg.find(' ') != std::string::npos ? "\"" + arg + "\"" : arg;
            start = end + 1;
        }
        return joined;
    }();
    return line.data();
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }

namespace {

// Another process of the machine; the handle only says that it was there.
class ProcessObject : public win::detail::KernelObject {};

} // namespace

HANDLE OpenProcess(DWORD, BOOL, DWORD processId)
{
    // A process of another user answers EPERM: it exists all the same.
    const auto id = static_cast<pid_t>(processId);
    if (id <= 0 || static_cast<DWORD>(id) != processId || (kill(id, 0) != 0 && errno != EPERM)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE handle = win::detail::InsertHandle(std::make_shared<ProcessObject>());
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info)
{
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = 5;
    info->dwMinorVersion = 1;
    info->dwBuildNumber = 2600;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}

LCID GetUserDefaultLCID() { return 0x0409; }
LANGID GetUserDefaultLangID() { return 0x0409; }
LANGID GetSystemDefaultLangID() { return 0x0409; }

int GetLocaleInfoA(LCID, DWORD type, LPSTR data, int size)
{
    std::string text;
    switch (type & 0xFFFF) {
    case LOCALE_SDECIMAL:
    case LOCALE_STHOUSAND: {
        locale_t loc = UserLocale(LC_NUMERIC_MASK);
        const char* value = nl_langinfo_l(type == LOCALE_SDECIMAL ? RADIXCHAR : THOUSEP, loc);
        text.assign(value, std::strlen(value));
        freelocale(loc);
        if (type == LOCALE_SDECIMAL && text.empty())
            text = ".";
        break;
    }
    case LOCALE_IDEFAULTANSICODEPAGE:
        text = "65001";
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return CopyLocaleText(text, data, size);
}

int GetDateFormatA(LCID, DWORD flags, const SYSTEMTIME* date, LPCSTR format, LPSTR out, int size)
{
    SYSTEMTIME st = date ? *date : NowLocal();
    std::string text;
    if (format)
        text = ExpandPicture(format, st);
    else
        text = StrftimeLocal((flags & DATE_LONGDATE) ? "%A, %e %B %Y" : UserFormat(D_FMT).c_str(), st);
    return CopyLocaleText(text, out, size);
}

int GetTimeFormatA(LCID, DWORD flags, const SYSTEMTIME* time, LPCSTR format, LPSTR out, int size)
{
    SYSTEMTIME st = time ? *time : NowLocal();
    std::string text;
    if (format) {
        text = ExpandPicture(format, st);
    } else {
        std::string strf = UserFormat(T_FMT);
        if (strf.empty())
            strf = "%H:%M:%S";
        if (flags & TIME_FORCE24HOURFORMAT)
            strf = "%H:%M:%S";
        if (flags & (TIME_NOSECONDS | TIME_NOMINUTESORSECONDS))
            strf = WithoutSeconds(strf);
        text = StrftimeLocal(strf.c_str(), st);
    }
    return CopyLocaleText(text, out, size);
}
