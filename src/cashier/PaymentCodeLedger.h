#pragma once

#include "cashier/RequestOutcome.h"

#include <string>

// The customers' payment codes that must not be sent again in this run of
// the app: those whose barcode request is out, those whose reply was lost,
// and those whose order was left waiting for the customer to confirm, since
// the back end may have taken (or may yet take) the money for them. A
// pay-way screen opened anew would otherwise take the same code and charge
// it a second time. A code whose request was answered, or never went out,
// is free again until then.
//
// Main thread only.
class PaymentCodeLedger {
public:
    enum class State { Free, Out, Unknown };

    static State stateOf(const std::string& code);
    // Marks the code out until the request settles as `kind` tells.
    static void sent(const std::string& code);
    static void settled(const std::string& code, RequestOutcome::Kind kind);
    // The code's order was still waiting when the screen stopped following it.
    static void leftWaiting(const std::string& code);
    // A fresh start of the app forgets every code.
    static void forgetAll();
};
