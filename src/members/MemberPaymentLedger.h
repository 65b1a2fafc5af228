#pragma once

#include <memory>
#include <string>
#include <string_view>

class MemberPaymentAttempt;

// The member sales of the running app, by kind (the payment's path) and
// member. A sale outlives the screen that took it: staff who leave a
// purchase whose request is held, and open the member's purchase again,
// find the same held request on the new screen, so no second, different
// request for that sale can go out. Kept in memory only, for the life of
// the application (a new launch starts with none).
class MemberPaymentLedger {
public:
    // The sale of `memberid` of this kind: the one kept, or a new one.
    static std::shared_ptr<MemberPaymentAttempt> attemptFor(
        std::string_view kind, const std::string& memberid);
};
