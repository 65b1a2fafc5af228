#pragma once

#include "api/NetUtilSign.h"

#include <cstdint>
#include <string>

class PreferentialWayEntity;
class VipDetailEntity;

// The purchase request of a member purchase, in the order the server
// reads it: only the parts above 0 and the key of the way in use are sent.
class VipConsumeRequest {
public:
    struct Input {
        double totalMoney = 0;
        double actualprice = 0;
        double cash = 0;
        double balance = 0;
        double mobile = 0;
        // The remark as typed; escaped here.
        std::string mark;
        // The client's own number for the attempt (milliseconds since 1970).
        std::uint64_t reverseid = 0;
    };

    static NetUtilSign::Parameters build(
        const VipDetailEntity& member, const PreferentialWayEntity& way, const Input& input);
    // Milliseconds since 1970 of the clock's now, fraction dropped.
    static std::uint64_t newReverseId();
    // Free texts travel percent-escaped in UTF-8; "&" and "=" too, so
    // they cannot cut the form body.
    static std::string escapeFreeText(const std::string& text);
};
