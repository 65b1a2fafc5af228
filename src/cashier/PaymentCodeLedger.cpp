#include "cashier/PaymentCodeLedger.h"

#include <map>

namespace {

std::map<std::string, PaymentCodeLedger::State>& codes()
{
    static std::map<std::string, PaymentCodeLedger::State> ledger;
    return ledger;
}

} // namespace

PaymentCodeLedger::State PaymentCodeLedger::stateOf(const std::string& code)
{
    auto found = codes().find(code);
    return found == codes().end() ? State::Free : found->second;
}

void PaymentCodeLedger::sent(const std::string& code)
{
    codes()[code] = State::Out;
}

void PaymentCodeLedger::settled(const std::string& code, RequestOutcome::Kind kind)
{
    if (kind == RequestOutcome::Kind::Lost)
        codes()[code] = State::Unknown;
    else
        codes().erase(code);
}

void PaymentCodeLedger::leftWaiting(const std::string& code)
{
    codes()[code] = State::Unknown;
}

void PaymentCodeLedger::forgetAll()
{
    codes().clear();
}
