// The till's ledger as the app reads it from the home at launch: whatever is
// on disk (damaged, truncated, written by hand or by another version).
//
// Input: the file's bytes, read as far as they read. One that reads as a
// ledger, whole or in part, must answer every question put to it, and what
// it writes back must read whole as the same ledger; one that does not must
// leave the ledger as it was. Nothing may crash or throw.

#include "platform/foundation/Json.h"
#include "till/TillLedger.h"
#include "till/TillLedgerFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto read = TillLedgerFile::readRecord(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!read.record)
        return 0;
    TillLedger ledger;
    auto empty = ledger.toJson();
    if (ledger.restore(*read.record, 1000) == TillLedger::Restored::Not) {
        if (ledger.toJson() != empty)
            std::abort();
        return 0;
    }
    // Every rule works on what was read.
    for (const auto& item : ledger.heldItems())
        (void)ledger.codeState(item.orderid);
    for (const auto& request : ledger.requests()) {
        (void)ledger.codeState(request.code);
        (void)ledger.refundState(request.orderid);
        if (const auto* sale = ledger.sale(request.sale))
            (void)ledger.requestFor(sale->id, {});
    }
    for (const auto& order : ledger.ordersIn(TillLedger::OrderState::LeftWaiting))
        (void)TillLedger::followingDelay(1000 - order.leftAt);
    // Written back and read again, as the next start would: the same ledger.
    auto written = ledger.toJson();
    TillLedger again;
    if (again.restore(foundation::Json::parse(written.dump()), 2000) != TillLedger::Restored::Whole
        || again.toJson() != written)
        std::abort();
    return 0;
}
