#pragma once
// One running program per user: a lock file in the user's runtime folder
// (win::RuntimeFolder) held with flock for the life of the first instance,
// and a local socket beside it through which a later instance asks the
// first one to come to the front.

#include <string>

namespace win {

class SingleInstance {
public:
    // `name` names the lock ("Kestrelon"); the folder is taken from
    // win::RuntimeFolder(), unless `folder` is given.
    explicit SingleInstance(std::string name, std::string folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the lock and listens for requests.
    // False when another process holds it.
    bool TryAcquire();
    bool IsHeld() const { return m_lockFd >= 0; }

    // From a later instance: asks the holder to come to the front, passing
    // `message` (for example a file to open). False when nobody listens.
    bool NotifyFirst(const std::string& message) const;

    // In the holder: takes one pending request without blocking; false when
    // there is none.
    bool PollRequest(std::string* message);
    // The descriptor the holder can watch for requests (-1 when not held).
    int RequestFd() const { return m_listenFd; }

    std::string LockPath() const;
    std::string SocketPath() const;

private:
    std::string m_name;
    std::string m_folder;
    int m_lockFd = -1;
    int m_listenFd = -1;
};

} // namespace win
