#pragma once

#include "cashier/RequestOutcome.h"

#include <string>

// The customers' payment codes that must not be sent again in this run of
// the app: those whose barcode request is out, and those whose reply was
// lost, since the back end may have taken the money for them. A pay-way
// screen opened anew would otherwise take the same code and charge it a
// second time. A code whose request was answered, or never went out, is
// free again.
//
// Main thread only.
class PaymentCodeLedger {
public:
    enum class State { Free, Out, Unknown };

    static State stateOf(const std::string& code);
    // Marks the code out until the request settles as `kind` tells.
    static void sent(const std::string& code);
    static void settled(const std::string& code, RequestOutcome::Kind kind);
    // A fresh start of the app forgets every code.
    static void forgetAll();
};
