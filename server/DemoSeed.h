#pragma once

#include "server/MerchantState.h"

#include <string>

namespace merchant {

// The demo merchant: enough orders, members and passes that every screen of
// the app has something to show, dated relative to the given "now" so that
// "today" always has orders.
class DemoSeed {
public:
    static MerchantState build(Seconds now);
    // The logins and keys a person needs to try the demo.
    static std::string banner(const MerchantState& state);

    // Order numbers are all digits (they are typed into the order search):
    // the local date followed by a six-digit serial.
    static std::string orderNumber(Seconds now, std::int64_t serial);
    // Local midnight of the day holding the instant.
    static Seconds localDayStart(Seconds now);

    static constexpr const char* kPassword = "123456";
    static constexpr const char* kPasswordMd5 = "e10adc3949ba59abbe56e057f20f883e";
};

} // namespace merchant
