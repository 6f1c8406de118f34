#include "Platform/Win/Kernel/SingleInstance.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "Platform/Win/Kernel/RuntimeFolder.h"
#include "Platform/Win/Kernel/System.h"

namespace win {

namespace {

// A request is a 4-byte little-endian length and that many bytes; longer
// ones are refused so a stray client cannot make the holder allocate much.
constexpr std::uint32_t kMaxMessage = 1u << 20;
// How long either side waits for the other in the middle of a request.
constexpr int kTransferSeconds = 2;

// Makes `folder` and any missing parents, private to the user.
bool MakeFolder(const std::string& folder)
{
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// The name as one path component.
std::string SafeName(std::string name)
{
    for (char& c : name) {
        if (c == '/' || c == '\0')
            c = '_';
    }
    return name.empty() ? std::string("_") : name;
}

bool FillAddress(const std::string& path, sockaddr_un* address)
{
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

void SetTransferTimeouts(int fd)
{
    timeval limit{kTransferSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

bool SendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

bool ReceiveAll(int fd, char* data, size_t size)
{
    while (size > 0) {
        ssize_t got = recv(fd, data, size, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

// Reads one request from an accepted connection.
bool ReceiveMessage(int fd, std::string* message)
{
    unsigned char prefix[4];
    if (!ReceiveAll(fd, reinterpret_cast<char*>(prefix), sizeof prefix))
        return false;
    std::uint32_t length = prefix[0] | (prefix[1] << 8) | (prefix[2] << 16) | (std::uint32_t{prefix[3]} << 24);
    if (length > kMaxMessage)
        return false;
    std::string body(length, '\0');
    if (!ReceiveAll(fd, body.data(), length))
        return false;
    if (message)
        *message = std::move(body);
    return true;
}

} // namespace

SingleInstance::SingleInstance(std::string name, std::string folder)
    : m_name(SafeName(std::move(name))), m_folder(std::move(folder))
{
    if (m_folder.empty())
        m_folder = RuntimeFolder();
    while (m_folder.size() > 1 && m_folder.back() == '/')
        m_folder.pop_back();
}

SingleInstance::~SingleInstance()
{
    // The socket goes while the lock is still held, so it cannot remove the
    // socket of an instance that takes the lock next.
    if (m_listenFd >= 0) {
        close(m_listenFd);
        unlink(SocketPath().c_str());
    }
    if (m_lockFd >= 0)
        close(m_lockFd);
}

std::string SingleInstance::LockPath() const { return m_folder + "/" + m_name + ".lock"; }

std::string SingleInstance::SocketPath() const { return m_folder + "/" + m_name + ".sock"; }

bool SingleInstance::TryAcquire()
{
    if (m_lockFd >= 0)
        return true;
    if (!MakeFolder(m_folder))
        return false;
    int lockFd = open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0)
        return false;
    if (flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        close(lockFd);
        return false;
    }
    m_lockFd = lockFd;

    // Holding the lock makes any socket file left behind stale. The lock
    // alone keeps the instance single if the socket cannot be made; there
    // is then nobody to receive requests.
    const std::string socketPath = SocketPath();
    sockaddr_un address;
    if (!FillAddress(socketPath, &address))
        return true;
    unlink(socketPath.c_str());
    int listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd < 0)
        return true;
    if (bind(listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(listenFd, 16) != 0) {
        close(listenFd);
        return true;
    }
    m_listenFd = listenFd;
    return true;
}

bool SingleInstance::NotifyFirst(const std::string& message) const
{
    if (message.size() > kMaxMessage)
        return false;
    sockaddr_un address;
    if (!FillAddress(SocketPath(), &address))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    SetTransferTimeouts(fd);
    std::uint32_t length = static_cast<std::uint32_t>(message.size());
    const char prefix[4] = {static_cast<char>(length & 0xFF), static_cast<char>((length >> 8) & 0xFF),
                            static_cast<char>((length >> 16) & 0xFF), static_cast<char>((length >> 24) & 0xFF)};
    bool sent = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                SendAll(fd, prefix, sizeof prefix) && SendAll(fd, message.data(), message.size());
    close(fd);
    return sent;
}

bool SingleInstance::PollRequest(std::string* message)
{
    if (m_listenFd < 0)
        return false;
    // A connection that breaks off or sends nonsense is dropped and the next
    // pending one is tried.
    for (;;) {
        int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return false;
        }
        SetTransferTimeouts(fd);
        bool received = ReceiveMessage(fd, message);
        close(fd);
        if (received)
            return true;
    }
}

} // namespace win
