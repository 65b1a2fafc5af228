// The programs that serve the stand-in, run as a user runs them: their
// options, their test hooks, and their exit while clients hang on.

#include "RawConnection.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

using Millis = std::chrono::milliseconds;
// Well under the 5 s a blocked worker of the old front took to give up, and
// far above what a clean exit takes, sanitizers and a busy machine included.
constexpr Millis kExitBound { 4000 };

// A program with its standard input on one pipe, its output and errors on another.
class Program {
public:
    explicit Program(std::vector<std::string> arguments)
    {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
        posix_spawn_file_actions_adddup2(&actions, output[1], 1);
        posix_spawn_file_actions_adddup2(&actions, output[1], 2);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        ::close(output[1]);
        m_input = input[1];
        m_output = output[0];
    }
    ~Program()
    {
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        closeInput();
        ::close(m_output);
    }

    void signal(int number) { ::kill(m_pid, number); }
    void closeInput()
    {
        if (m_input >= 0)
            ::close(std::exchange(m_input, -1));
    }

    // The output up to the end of the first line holding `text`, or all of
    // it when the output ends or 10 s pass first.
    std::string outputThrough(const std::string& text)
    {
        auto deadline = std::chrono::steady_clock::now() + Millis(10000);
        while (m_text.find(text) == std::string::npos
            || m_text.find('\n', m_text.find(text)) == std::string::npos) {
            auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
            pollfd entry { m_output, POLLIN, 0 };
            char buffer[4096];
            ssize_t got = 0;
            if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) != 1
                || (got = ::read(m_output, buffer, sizeof buffer)) <= 0)
                break;
            m_text.append(buffer, static_cast<std::size_t>(got));
        }
        return m_text;
    }
    // The port printed after `marker` ("... 127.0.0.1:"), 0 when none came.
    int portAfter(const std::string& marker)
    {
        std::string text = outputThrough(marker);
        std::size_t at = text.find(marker);
        return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + marker.size());
    }

    // The exit status, or nothing when the program still runs when the time is up.
    std::optional<int> exitWithin(Millis bound)
    {
        int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
        pollfd entry { pidfd, POLLIN, 0 };
        bool ended = pidfd >= 0 && ::poll(&entry, 1, static_cast<int>(bound.count())) == 1;
        if (pidfd >= 0)
            ::close(pidfd);
        int status = 0;
        if (!ended || ::waitpid(m_pid, &status, 0) != m_pid)
            return std::nullopt;
        m_exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t m_pid = -1;
    bool m_exited = false;
    int m_input = -1;
    int m_output = -1;
    std::string m_text;
};

int hookStatus(int port)
{
    RawConnection connection(port);
    connection.send("POST /__stand-in/log HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n");
    auto reply = connection.readReply();
    return reply ? reply->status : 0;
}

TEST(ServerProgramTest, help_lists_every_option_the_hook_switch_among_them)
{
    Program help({ MERCHANT_SERVER_PROGRAM, "--help" });
    std::string text = help.outputThrough("--help");
    EXPECT_EQ(help.exitWithin(Millis(10000)), 0);
    for (const char* option : { "--port", "--seed", "--test-hooks", "--help" })
        EXPECT_NE(text.find(option), std::string::npos) << option;
}

TEST(ServerProgramTest, hooks_answer_only_when_switched_on_and_sigterm_ends_the_server_despite_slow_clients)
{
    Program plain({ MERCHANT_SERVER_PROGRAM, "--port", "0" });
    int port = plain.portAfter("listening on 127.0.0.1:");
    ASSERT_GT(port, 0);
    EXPECT_EQ(hookStatus(port), 404) << "the log of decrypted requests is served to anyone";
    RawConnection dripping(port);
    ASSERT_TRUE(dripping.send("POST /UserApi/Index/getCardList HTTP/1.1\r\nHost: x\r\n"));
    RawConnection idle(port);
    plain.signal(SIGTERM);
    EXPECT_EQ(plain.exitWithin(kExitBound), 0);

    Program hooked({ MERCHANT_SERVER_PROGRAM, "--port", "0", "--test-hooks" });
    port = hooked.portAfter("listening on 127.0.0.1:");
    ASSERT_GT(port, 0);
    EXPECT_EQ(hookStatus(port), 200);
}

TEST(ServerProgramTest, cashier_demo_ends_with_its_script_while_a_client_hangs_on_its_server)
{
    std::string home = (std::filesystem::temp_directory_path() / "cashier-exit-XXXXXX").string();
    ASSERT_NE(::mkdtemp(home.data()), nullptr);
    {
        Program cashier({ CASHIER_PROGRAM, "--demo", "--headless", "--home", home, "--script", "-" });
        int port = cashier.portAfter("demo back end on 127.0.0.1:");
        ASSERT_GT(port, 0);
        EXPECT_EQ(hookStatus(port), 200) << "the end-to-end tests drive the demo through its hooks";
        RawConnection dripping(port);
        ASSERT_TRUE(dripping.send("POST /UserApi/Index/getCardList HTTP/1.1\r\nHost: x\r\n"));
        cashier.closeInput(); // the end of its script
        EXPECT_EQ(cashier.exitWithin(kExitBound), 0);
    }
    std::filesystem::remove_all(home);
}

} // namespace
