#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// The `cashier` program as a user starts it: its own demo back end, a fresh
// home, a headless script read from its standard input. Between the start
// and the script a test may set the demo back end up through its test hooks
// (a fault on a path, an outcome), as no script command can.
//
//     DemoProgram program(tempDir);
//     ASSERT_TRUE(program.start({ "--trace" }));
//     program.hook("fault", R"({"kind":"dropReply","path":"/UserApi/Index/payOrder/","count":1})");
//     DemoProgram::Run run = program.finish(script);
class DemoProgram {
public:
    // What a restart test runs twice against: the stand-in back end as a
    // program of its own (merchant-server with its test hooks), whose orders
    // and settlements outlive a run of the app.
    class StandInServer {
    public:
        StandInServer() = default;
        ~StandInServer();
        StandInServer(const StandInServer&) = delete;
        StandInServer& operator=(const StandInServer&) = delete;
        // False when it did not come up.
        bool start();
        int port() const { return m_port; }

    private:
        int m_pid = -1;
        int m_output = -1;
        int m_port = 0;
    };

    struct Run {
        int status = -1;
        std::vector<std::string> lines;
        std::string text;
        std::string errors;
    };

    explicit DemoProgram(std::filesystem::path home);
    ~DemoProgram();
    DemoProgram(const DemoProgram&) = delete;
    DemoProgram& operator=(const DemoProgram&) = delete;

    // Before start(): the app talks to `server` instead of its own demo back
    // end, and the hooks go there too.
    void useBackend(const StandInServer& server) { m_backendPort = server.port(); }
    // False when the program did not come up with its back end.
    bool start(const std::vector<std::string>& extraArguments = {});
    // A plain JSON POST to /__stand-in/NAME; the HTTP status, or -1.
    int hook(const std::string& name, const std::string& jsonBody) const;
    // The same POST's reply body (the request log, say), or nothing when it
    // failed.
    std::optional<std::string> ask(const std::string& name, const std::string& jsonBody = "{}") const;
    // Gives the program part of its script and reads the transcript up to
    // the first line from here on that starts with `marker`, so that a test
    // can look at the back end before the program ends. False when the
    // program ends or is silent for a minute first.
    bool runUntil(const std::string& script, const std::string& marker);
    // Gives the program the (rest of the) script, then waits for its end.
    Run finish(const std::string& script);

    // Runs a script from start to end with no hooks.
    static Run run(const std::filesystem::path& home, const std::string& script,
        const std::vector<std::string>& extraArguments = {});

private:
    void stop();
    // The HTTP status of a hook's reply, and its body.
    std::pair<int, std::string> post(const std::string& name, const std::string& jsonBody) const;

    std::filesystem::path m_home;
    int m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    int m_errors = -1;
    int m_port = 0;
    int m_backendPort = 0;
    std::string m_errorText;
    // The transcript read by runUntil, and how far it has been looked at.
    std::string m_transcript;
    std::size_t m_looked = 0;
    std::thread m_errorReader;
};

// True when `wanted` occur in `lines` in this order (others may come between).
bool inOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted);
// How many of `lines` start with `prefix`.
long countStarting(const std::vector<std::string>& lines, const std::string& prefix);

// Script lines from the guide to the collect tab, signed in as `user` with the demo keys.
std::string signedInScript(const std::string& user = "boss");
// Signed in, then on tab `tab`, where the member key is asked for and set.
std::string signedInOnTabScript(int tab);

// A test of the program, each with a fresh folder for its home.
class DemoProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    DemoProgram::Run runProgram(
        const std::string& script, const std::vector<std::string>& extraArguments = {})
    {
        return DemoProgram::run(home(), script, extraArguments);
    }
    std::filesystem::path home() const { return m_dir / "home"; }

    std::filesystem::path m_dir;
};
