#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace capture {
class MemoryFrameSource;
}
namespace net {
class FakeTransport;
}

// The app running in process for a fuzz program, as `cashier --headless` runs it
// but on a virtual clock, with every request answered by a reply the fuzzer sets:
// each run starts the app afresh (settings with both key pairs, signed in or not,
// and nothing a previous run saved)
// and plays a script in the program's script language. FUZZ_APP_TRANSCRIPT=1 in the
// environment prints each run's transcript on standard error.
class AppFuzzFrame {
public:
    // Made once per process: the settings home, the hosts and the stand-in camera.
    static AppFuzzFrame& shared();

    // For LLVMFuzzerInitialize: runs with libFuzzer's flat schedule unless the
    // command line picks one. Each run of the app touches some fifty thousand
    // coverage features, and the entropic schedule's bookkeeping of them cost
    // seven times the run itself.
    static void preferFlatSchedule(int* argc, char*** argv);

    // The reply every request gets: the text encrypted under the requested pair's
    // key as the back end would send it, or the bytes as they are.
    void setReply(std::string text, bool encrypted, int status);
    // `setupReplies`: paths that get a fixed plain reply (encrypted) instead.
    void run(bool signedIn, const std::string& script,
        const std::vector<std::pair<std::string, std::string>>& setupReplies = {});

private:
    AppFuzzFrame();

    std::shared_ptr<net::FakeTransport> m_transport;
    std::shared_ptr<capture::MemoryFrameSource> m_camera;
    std::string m_reply;
    bool m_encrypted = true;
    int m_status = 200;
    std::vector<std::pair<std::string, std::string>> m_setupReplies;
};
