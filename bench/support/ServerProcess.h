#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace bench {

// A server program run as a process of its own, as a real back end always is:
// started with its arguments, its standard output read until the line that
// starts with `readyPrefix` ("listening on "), and stopped with SIGTERM (then
// SIGKILL, should it linger) when this goes.
class ServerProcess {
public:
    ServerProcess(std::vector<std::string> arguments, const std::string& readyPrefix);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Whether it started and printed its ready line within 10 s.
    bool ready() const { return m_ready; }
    // The rest of the ready line ("127.0.0.1:PORT").
    const std::string& readyText() const { return m_readyText; }
    // Everything it printed up to its ready line.
    const std::string& banner() const { return m_banner; }

private:
    pid_t m_pid { -1 };
    int m_output { -1 };
    bool m_ready { false };
    std::string m_readyText;
    std::string m_banner;
};

} // namespace bench
