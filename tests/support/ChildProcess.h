#pragma once
// A copy of the running test executable started as a child process, to run
// one test of it in a process of its own that the test may kill at any
// moment (as a user's machine kills a program).

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class ChildProcess {
public:
    // Starts this executable with `arguments`, with `environment` (name,
    // value pairs) set on top of this process's own.
    ChildProcess(const std::vector<std::string>& arguments,
                 const std::vector<std::pair<std::string, std::string>>& environment);
    // Kills a child still running and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    // Ends the child at once, as a power cut or a crash does.
    void Kill();
    // Waits for the child to end; its exit status, or -1 when it was killed
    // or could not be waited for.
    int Wait();

private:
    int m_pid = -1;
    bool m_reaped = false;
    int m_status = -1;
};

} // namespace testing_support
