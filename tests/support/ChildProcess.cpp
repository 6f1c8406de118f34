#include "tests/support/ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::vector<std::pair<std::string, std::string>>& environment)
{
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return;
    std::vector<std::string> texts{self};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    std::vector<std::string> variables;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        bool replaced = false;
        for (const auto& [name, value] : environment)
            replaced = replaced || variable.rfind(name + "=", 0) == 0;
        if (!replaced)
            variables.push_back(variable);
    }
    for (const auto& [name, value] : environment)
        variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    // The child's own output would only interleave with this test's.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, self, &actions, nullptr, argv.data(), envp.data()) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess()
{
    Kill();
    Wait();
}

void ChildProcess::Kill()
{
    if (m_pid > 0 && !m_reaped)
        kill(m_pid, SIGKILL);
}

int ChildProcess::Wait()
{
    if (m_pid <= 0)
        return -1;
    if (!m_reaped) {
        int status = 0;
        if (waitpid(m_pid, &status, 0) == m_pid)
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        m_reaped = true;
    }
    return m_status;
}

} // namespace testing_support
