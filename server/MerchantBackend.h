#pragma once

#include "server/FaultSwitches.h"
#include "server/MerchantState.h"
#include "server/RequestLog.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace merchant {

struct BackendRequest {
    std::string method = "POST";
    std::string path;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
};

// What to answer. The transport honours delayMs and dropConnection, so the
// handler itself never waits and in-process tests need no real time.
struct BackendReply {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain; charset=utf-8";
    int delayMs = 0;
    bool dropConnection = false;
};

// The stand-in merchant back end without any HTTP: every path of the app,
// the images its replies point at, and test hooks under kHookPrefix (plain
// JSON, never encrypted, never faulted). Thread-safe: the merchants' state
// is locked only while a handler changes or reads it; decrypting, parsing,
// encrypting and drawing images run outside that lock, so requests served
// on several threads overlap. Faults and the request log have a lock of
// their own.
class MerchantBackend {
public:
    using WallClock = std::function<Seconds()>;
    static constexpr const char* kHookPrefix = "/__stand-in/";

    // The clock defaults to the system's; the state starts as the demo seed.
    explicit MerchantBackend(WallClock clock = {});

    BackendReply handle(const BackendRequest& request);

    // "host:port" that image URLs in replies name.
    void setSelfHost(std::string host);
    std::string selfHost() const;
    std::string banner() const;

    // The test hooks, also reachable as paths.
    void reset();
    Seconds now() const;
    void setNow(Seconds now);
    void advanceClock(Seconds seconds);
    void useRealClock();
    bool settleOrder(const std::string& orderid, bool paid);
    void setOutcomes(const PaymentOutcomes& outcomes);
    void setWalletEnabled(const std::string& wallet, bool enabled);
    void addFault(FaultRule rule);
    void clearFaults();
    std::vector<LoggedRequest> requestLog() const;
    void clearLog();
    // The member purchases and recharges settled, in order; a member by card number.
    std::vector<Settlement> settlements() const;
    // Every payment order, seeded ones first, then in the order they were made.
    std::vector<Order> orders() const;
    std::optional<Member> member(const std::string& cardnum) const;

    // The merchant's keys, for tests and the banner.
    MerchantState::KeyPairs keys() const;

    // Every signed path the stand-in serves, with whether it takes the member key
    // pair (else the collection pair): for checking against the app's own table.
    static std::vector<std::pair<std::string, bool>> signedPaths();

private:
    enum class KeyPair { Collection, Member };
    struct Route;
    static const std::vector<Route>& routes();
    static const Route* findRoute(const std::string& path);

    Seconds nowLocked() const;
    MerchantState* merchantFor(KeyPair pair, const std::string& key);
    const std::string* secretFor(KeyPair pair, const std::string& key) const;
    BackendReply handleSigned(const BackendRequest& request, const Route& route, LoggedRequest& entry);
    BackendReply handleAgent(const BackendRequest& request, LoggedRequest& entry);
    BackendReply handleImage(const std::string& path, LoggedRequest& entry);
    BackendReply handleHook(const BackendRequest& request);
    std::optional<FaultRule> takeFault(const std::string& path, bool isImage);
    void record(LoggedRequest entry);
    std::string undecryptableBody(const std::string& secret);

    // The merchants' state, the clock and the image host.
    mutable std::mutex m_mutex;
    WallClock m_clock;
    std::optional<Seconds> m_fixedNow;
    Seconds m_clockOffset = 0;
    std::string m_selfHost = "127.0.0.1";
    std::vector<MerchantState> m_merchants;
    // Never changes after construction (a reset seeds the same merchants),
    // so a request finds its secret without any lock.
    std::vector<MerchantState::KeyPairs> m_keys;

    // Faults, the request log and the cached undecryptable bodies.
    mutable std::mutex m_recordMutex;
    FaultSwitches m_faults;
    RequestLog m_log;
    std::map<std::string, std::string> m_undecryptable;
};

} // namespace merchant
