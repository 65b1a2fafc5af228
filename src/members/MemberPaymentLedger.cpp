#include "members/MemberPaymentLedger.h"

#include "members/MemberPaymentAttempt.h"
#include "platform/kit/Application.h"

#include <map>
#include <utility>

namespace {

struct Ledger {
    // The application whose sales these are; compared by owner, so a later
    // application made where an ended one lay is still another.
    std::weak_ptr<kit::ApplicationDelegate> owner;
    bool ownerKnown = false;
    std::map<std::pair<std::string, std::string>, std::shared_ptr<MemberPaymentAttempt>> attempts;
};

bool sameOwner(
    const std::weak_ptr<kit::ApplicationDelegate>& a, const std::weak_ptr<kit::ApplicationDelegate>& b)
{
    return !a.owner_before(b) && !b.owner_before(a);
}

} // namespace

std::shared_ptr<MemberPaymentAttempt> MemberPaymentLedger::attemptFor(
    std::string_view kind, const std::string& memberid)
{
    static Ledger ledger;
    auto* application = kit::Application::sharedApplication();
    std::weak_ptr<kit::ApplicationDelegate> owner
        = application ? application->delegate() : std::shared_ptr<kit::ApplicationDelegate>();
    if (!ledger.ownerKnown || !sameOwner(ledger.owner, owner)) {
        ledger.attempts.clear();
        ledger.owner = owner;
        ledger.ownerKnown = true;
    }
    // Sales that ended keep nothing worth a place.
    std::erase_if(ledger.attempts,
        [](const auto& entry) { return entry.second.use_count() == 1 && entry.second->isIdle(); });
    auto& attempt = ledger.attempts[{ std::string(kind), memberid }];
    if (!attempt)
        attempt = std::make_shared<MemberPaymentAttempt>();
    return attempt;
}
