#include "bench/support/ServerProcess.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

bool exitsWithin(pid_t pid, std::chrono::milliseconds bound)
{
    auto const deadline = Clock::now() + bound;
    while (Clock::now() < deadline) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

} // namespace

ServerProcess::ServerProcess(std::vector<std::string> arguments, const std::string& readyPrefix)
{
    int output[2];
    if (arguments.empty() || ::pipe2(output, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    m_output = output[0];
    if (m_pid <= 0)
        return;

    auto const deadline = Clock::now() + std::chrono::seconds(10);
    for (;;) {
        auto const start = m_banner.find(readyPrefix);
        auto const end = start == std::string::npos ? start : m_banner.find('\n', start);
        if (end != std::string::npos) {
            m_readyText = m_banner.substr(start + readyPrefix.size(), end - start - readyPrefix.size());
            m_banner.resize(end + 1);
            m_ready = true;
            return;
        }
        auto const left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry { m_output, POLLIN, 0 };
        char buffer[4096];
        ssize_t got = 0;
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) != 1
            || (got = ::read(m_output, buffer, sizeof buffer)) <= 0)
            return;
        m_banner.append(buffer, static_cast<std::size_t>(got));
    }
}

ServerProcess::~ServerProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        if (!exitsWithin(m_pid, std::chrono::seconds(5))) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    if (m_output >= 0)
        ::close(m_output);
}

} // namespace bench
