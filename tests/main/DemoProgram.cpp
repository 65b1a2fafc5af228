#include "main/DemoProgram.h"

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* bannerMark = "demo back end on 127.0.0.1:";

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

} // namespace

DemoProgram::DemoProgram(std::filesystem::path home)
    : m_home(std::move(home))
{
}

DemoProgram::~DemoProgram()
{
    stop();
}

bool DemoProgram::start(const std::vector<std::string>& extraArguments)
{
    // A program that ends early must fail the test, not kill it on a write.
    std::signal(SIGPIPE, SIG_IGN);
    int input[2], output[2], errors[2];
    if (::pipe(input) != 0 || ::pipe(output) != 0 || ::pipe(errors) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    for (int fd : { input[0], input[1], output[0], output[1], errors[0], errors[1] })
        posix_spawn_file_actions_addclose(&actions, fd);
    std::vector<std::string> arguments { CASHIER_PROGRAM, "--demo", "--headless", "--home", m_home.string(),
        "--script", "-" };
    if (m_backendPort) {
        std::string host = "127.0.0.1:" + std::to_string(m_backendPort);
        for (const char* option : { "--api-host", "--agent-host", "--web-host" })
            arguments.insert(arguments.end(), { option, host });
    }
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, CASHIER_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    ::close(errors[1]);
    m_input = input[1];
    m_output = output[0];
    m_errors = errors[0];
    if (spawned != 0)
        return false;
    m_pid = pid;

    // The back end's address comes first on standard error.
    char c = 0;
    while (m_port == 0 && ::read(m_errors, &c, 1) == 1) {
        m_errorText += c;
        if (c != '\n')
            continue;
        auto at = m_errorText.find(bannerMark);
        if (at != std::string::npos)
            m_port = std::atoi(m_errorText.c_str() + at + std::char_traits<char>::length(bannerMark));
    }
    m_errorReader = std::thread([this] { m_errorText += readAll(m_errors); });
    return m_port != 0;
}

std::pair<int, std::string> DemoProgram::post(const std::string& name, const std::string& jsonBody) const
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return { -1, {} };
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(m_backendPort ? m_backendPort : m_port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int status = -1;
    std::string body;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::ostringstream request;
        request << "POST /__stand-in/" << name
                << " HTTP/1.1\r\nHost: 127.0.0.1:" << (m_backendPort ? m_backendPort : m_port)
                << "\r\nContent-Type: application/json\r\nContent-Length: " << jsonBody.size()
                << "\r\nConnection: close\r\n\r\n"
                << jsonBody;
        if (writeAll(fd, request.str())) {
            std::string reply = readAll(fd);
            if (reply.rfind("HTTP/1.1 ", 0) == 0)
                status = std::atoi(reply.c_str() + 9);
            auto head = reply.find("\r\n\r\n");
            if (head != std::string::npos)
                body = reply.substr(head + 4);
        }
    }
    ::close(fd);
    return { status, body };
}

int DemoProgram::hook(const std::string& name, const std::string& jsonBody) const
{
    return post(name, jsonBody).first;
}

std::optional<std::string> DemoProgram::ask(const std::string& name, const std::string& jsonBody) const
{
    auto [status, body] = post(name, jsonBody);
    if (status != 200)
        return std::nullopt;
    return body;
}

bool DemoProgram::runUntil(const std::string& script, const std::string& marker)
{
    if (m_pid < 0 || m_input < 0 || !writeAll(m_input, script))
        return false;
    for (;;) {
        for (auto end = m_transcript.find('\n', m_looked); end != std::string::npos;
             end = m_transcript.find('\n', m_looked)) {
            bool found = m_transcript.compare(m_looked, marker.size(), marker) == 0;
            m_looked = end + 1;
            if (found)
                return true;
        }
        pollfd ready { m_output, POLLIN, 0 };
        if (::poll(&ready, 1, 60'000) <= 0)
            return false;
        char buffer[4096];
        ssize_t got = ::read(m_output, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        m_transcript.append(buffer, static_cast<std::size_t>(got));
    }
}

DemoProgram::Run DemoProgram::finish(const std::string& script)
{
    Run run;
    if (m_pid < 0)
        return run;
    writeAll(m_input, script);
    ::close(m_input);
    m_input = -1;
    run.text = std::move(m_transcript) + readAll(m_output);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (m_errorReader.joinable())
        m_errorReader.join();
    run.errors = m_errorText;
    std::istringstream lines(run.text);
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    return run;
}

void DemoProgram::stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    for (int* fd : { &m_input, &m_output })
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    if (m_errorReader.joinable())
        m_errorReader.join();
    if (m_errors >= 0) {
        ::close(m_errors);
        m_errors = -1;
    }
}

bool DemoProgram::StandInServer::start()
{
    int output[2];
    if (::pipe(output) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, output[1]);
    std::vector<std::string> arguments { MERCHANT_SERVER_PROGRAM, "--port", "0", "--test-hooks" };
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, MERCHANT_SERVER_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    m_output = output[0];
    if (spawned != 0)
        return false;
    m_pid = pid;
    // "listening on 127.0.0.1:PORT" ends its banner.
    constexpr std::string_view listening = "listening on 127.0.0.1:";
    std::string line;
    char c = 0;
    while (m_port == 0 && ::read(m_output, &c, 1) == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        if (line.starts_with(listening))
            m_port = std::atoi(line.c_str() + listening.size());
        line.clear();
    }
    return m_port != 0;
}

DemoProgram::StandInServer::~StandInServer()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_output >= 0)
        ::close(m_output);
}

DemoProgram::Run DemoProgram::run(const std::filesystem::path& home, const std::string& script,
    const std::vector<std::string>& extraArguments)
{
    DemoProgram program(home);
    if (!program.start(extraArguments))
        return {};
    return program.finish(script);
}

bool inOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted)
{
    std::size_t next = 0;
    for (const auto& line : lines) {
        if (next < wanted.size() && line == wanted[next])
            ++next;
    }
    return next == wanted.size();
}

long countStarting(const std::vector<std::string>& lines, const std::string& prefix)
{
    return std::count_if(
        lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(prefix); });
}

std::string signedInScript(const std::string& user)
{
    return "tap btnGoHome\ntap btnOne\nalert-type 0 pay-demo-key\nalert-type 1 paysecret2026\nalert 0\n"
           "type tvUserName "
        + user + "\ntype tvPassword 123456\ntap btnLogin\nidle\n";
}

std::string signedInOnTabScript(int tab)
{
    return signedInScript() + "tab " + std::to_string(tab)
        + "\nalert-type 0 member-demo-key\nalert-type 1 mbr12345\nalert 0\nidle\n";
}

void DemoProgramTest::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "cashier-e2e-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
}

void DemoProgramTest::TearDown()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}
