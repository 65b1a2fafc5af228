#pragma once

#include "server/Envelope.h"
#include "server/HandlerContext.h"

namespace merchant {

// The reply shapes of the stored records. Every field is a JSON string, as
// the app's entities expect; unset times are "0".
class EntityJson {
public:
    static std::string time(Seconds when);
    static std::string picUrl(const Order& order, const std::string& selfHost);
    static std::string portraitUrl(const Member& member, const std::string& selfHost);

    static Json order(const Order& order, const HandlerContext& context);
    static Json card(const CardType& card);
    static Json memberRow(const Member& member, const HandlerContext& context);
    static Json memberDetail(const Member& member, const HandlerContext& context);
    static Json coupon(const PlatPass& pass, const PlatPassTemplate& model);
    static Json platPassRecord(const PlatPass& pass, const HandlerContext& context);
    static Json walletPassRecord(const WalletPass& pass, const HandlerContext& context);

    // "1" unused, "-1" used, "0" expired: expiry is read off the clock so
    // that setting the clock ages the passes.
    static std::string platPassStatus(const PlatPass& pass, Seconds now);

    static const CardType* cardOf(const MerchantState& state, const Member& member);
    static const PlatPassTemplate* templateOf(const MerchantState& state, const PlatPass& pass);
    static const Member* memberById(const MerchantState& state, const std::string& id);
    // The member whose field holds the value; an empty value finds no one.
    static const Member* memberWith(
        const MerchantState& state, std::string Member::*field, const std::string& value);
};

} // namespace merchant
