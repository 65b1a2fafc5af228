#pragma once

#include "platform/foundation/Json.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/Subscription.h"

#include <cstdint>
#include <nlohmann/ordered_map.hpp>
#include <optional>
#include <deque>
#include <string>
#include <vector>

// The till's money, as far as this app can know it: every request that
// moves money and how it ended, every order followed, every paid order and
// what it is bound to, every member sale not yet settled. One ledger is
// owned by the app and outlives the screens: screens ask it before money
// goes out and tell it what they hear, so that leaving a screen, opening a
// second screen of the same order or restarting the app never drops a
// hold. Its rules, in one place:
//
// Requests. A request is out from its sending until the server's answer is
// read (answered) or the client gives up on it (unknown: the reply was
// lost, timed out or did not read, and the money may have moved). A
// request the server never read (no network, a refused key) leaves no
// trace. Out at a restart means unknown.
//
// The hold. A barcode payment of unknown outcome, an order whose following
// ended without an outcome, or a record of the till that could not be read
// holds the whole till: every new collection first asks the staff to check
// the takings (heldItems), and only their word on what they were shown
// (heldChecked) frees it. A damaged record may have lost anything (a member
// sale held to its request, a refund of unknown outcome), so until then it
// holds every other money action too: a member purchase or recharge, any
// part, and a refund. An order the staff checked is cancelled next
// (Cancelling), so that no payment of it can come after their word; one
// whose cancel does not go through holds the till again.
// A customer's code is never sent again while a request with it is out or
// unknown, or while its order may still be paid.
//
// Orders. An order waiting for the customer is followed by its screen; once
// the screen goes with the order unpaid, it is left waiting and followed
// without it, backing off, until followingDelay says to stop, when it
// becomes unknown (and holds the till). A paid order binds to the member
// sale whose mobile part it pays only while that sale is open (nothing
// settled, no request of the sale out or held, no other part bound);
// otherwise it is a payment of its own, whose result must be shown.
// Each order's end (paid, failed, cancelled) counts once, however many
// polls report it.
//
// Member sales. What a confirm sends is what the sale is when it goes: a
// request whose outcome is unknown holds the sale to that very request
// (same number, same parts) until the server answers it, and a paid part
// goes with every later request of the sale. A settled sale is gone: it
// never reopens, and a part paid for it later is a payment of its own.
// A sale left with a request out or held stays for the member's next form
// of the same kind.
//
// Refunds and cancels. While a refund of an order is out or unknown, no
// other refund of that order goes out, from any screen, until a fetch of
// the order sent after the outcome became unknown succeeds; the same
// holds the order's cancel, which the order's end (paid, failed or
// cancelled, as a poll hears it) settles too.
//
// Main thread only. Observers hear every change (the app writes the ledger
// to the home then).
class TillLedger {
public:
    using Parameters = nlohmann::ordered_map<std::string, std::string>;
    using Id = std::uint64_t;

    enum class RequestKind { Barcode, QrOrder, Refund, Cancel, Purchase, Recharge };
    enum class Outcome { Out, Unknown };
    struct Request {
        Id id = 0;
        RequestKind kind = RequestKind::Barcode;
        Outcome outcome = Outcome::Out;
        std::string orderid; // a refund's or cancel's order
        std::string code; // a barcode payment's customer code
        std::string wallet;
        std::string money; // as sent, "%.2f"
        Id sale = 0; // the member sale it pays (a part of)
        // When the outcome became unknown, in the ledger's own count.
        std::uint64_t unknownSince = 0;
    };

    enum class Purpose { Collection, PurchasePart, RechargePart, Repay };
    enum class OrderState {
        Followed, // by its screen
        LeftWaiting, // its screen went; followed without it
        Unknown, // following ended without an outcome
        Paid, // paid, bound to nothing yet: its result is due
        Cancelling, // the staff checked it unpaid: its cancel is due
    };
    struct Order {
        std::string orderid;
        std::string wallet;
        std::string money; // as the result shows it
        Purpose purpose = Purpose::Collection;
        Id sale = 0;
        std::string code; // a barcode order's customer code
        OrderState state = OrderState::Followed;
        double leftAt = 0; // wall seconds, when first left waiting
        std::string paytime; // a paid order's, as the server gave it
    };

    enum class SaleKind { Purchase, Recharge };
    enum class SaleState { Open, Out, Held };
    struct PaidPart {
        std::string orderid;
        std::optional<std::string> wallet; // a QR payment names its own
        std::string money; // what the order was paid for, "%.2f"
    };
    struct Sale {
        Id id = 0;
        SaleKind kind = SaleKind::Purchase;
        std::string memberid;
        SaleState state = SaleState::Open;
        Parameters request; // the request out or held
        foundation::Json choice; // what the form chose beside the amounts, kept with it
        std::optional<PaidPart> paid;
        Id requestId = 0;
        // The request out is a held one sent again: an answer that the
        // server read nothing of leaves it held.
        bool resent = false;
    };
    // What a purchase or recharge reply says of its request.
    enum class SaleAnswer {
        Settled, // the payment went through
        Refused, // turned down: nothing was charged
        Unknown, // no reply that says either
        NotRead, // the server read nothing (a refused key): as if never sent
    };

    enum class HeldReason { LostBarcode, UnknownOrder, DamagedRecord };
    // What is about to move money: a wallet collection (a barcode or QR
    // payment, a member's mobile part too), or any other money action (a
    // member purchase or recharge confirmed, a refund).
    enum class MoneyAction { WalletCollection, Other };
    struct HeldItem {
        HeldReason reason = HeldReason::LostBarcode;
        std::string wallet;
        std::string money;
        std::string orderid;
        Id request = 0; // a lost barcode payment's
    };

    enum class CodeState { Free, Out, Unknown };
    enum class PaidVerdict {
        Known, // already bound or shown, or ended otherwise: nothing to do
        BoundToSale, // now the paid part of its open sale
        ShowResult, // a payment of its own: show its result, then resultShown()
    };

    // How long after the staff left an order its following waits before the
    // next poll: every 2 s at first, backing off, and nothing after ten
    // minutes, when the order is to be checked by the staff.
    static std::optional<double> followingDelay(double secondsSinceLeft);
    static constexpr double followingLimit = 600;

    // What a purchase or recharge reply says (the parsed envelope, or
    // nothing when the reply did not read). A success needs the settlement
    // in "data", whose own "status" 1 is a payment made.
    static SaleAnswer answerOf(const std::optional<foundation::Json>& reply);
    // The amount a request sends under `key` ("bymoney", "m_money", ...); 0 when absent.
    static double amountOf(const Parameters& request, const char* key);
    // A mobile part is still to be collected: the request has one and no paid order for it.
    static bool needsMobilePayment(const Parameters& request);

    TillLedger() = default;
    TillLedger(const TillLedger&) = delete;
    TillLedger& operator=(const TillLedger&) = delete;

    [[nodiscard]] foundation::Subscription observe(std::function<void()> onChange);

    // Requests. sent() gives the request its id; answered() and notRead()
    // end it, lost() makes its outcome unknown.
    Id sent(Request request);
    void answered(Id id);
    void lost(Id id);
    void notRead(Id id);
    const Request* request(Id id) const;
    const std::vector<Request>& requests() const { return m_requests; }

    // The hold.
    bool isHeld() const;
    // What holds `action`: everything for a wallet collection, only a
    // damaged record for any other.
    std::vector<HeldItem> heldItems(MoneyAction action = MoneyAction::WalletCollection) const;
    // The staff checked the takings for `checked` (what they were shown):
    // none of it holds the till any more, and an order of it is to be
    // cancelled. What came to hold it since stays.
    void heldChecked(const std::vector<HeldItem>& checked);
    // The record was damaged and set aside: what it held is not known.
    void markDamaged();
    bool isDamaged() const { return m_damaged; }

    CodeState codeState(const std::string& code) const;

    // Orders.
    void following(Order order);
    void left(const std::string& orderid, double now);
    // The screen is back: the order is its own again, also when its
    // following ended unsettled meanwhile. False when the order ended (or
    // the staff checked it) meanwhile.
    bool takeBack(const std::string& orderid);
    void followingEnded(const std::string& orderid);
    // The order was paid: `fallback` stands in for an order not recorded.
    PaidVerdict paid(const std::string& orderid, const Order& fallback);
    void resultShown(const std::string& orderid);
    // Failed or cancelled: it moved no money.
    void ended(const std::string& orderid);
    // The cancel of an order the staff checked did not go through, and the
    // order may still be paid: it holds the till again.
    void cancelNotDone(const std::string& orderid);
    const Order* order(const std::string& orderid) const;
    std::vector<Order> ordersIn(OrderState state) const;

    // Member sales.
    Id saleFor(SaleKind kind, const std::string& memberid);
    const Sale* sale(Id id) const;
    bool isOpen(Id id) const;
    // The request a confirm sends: the held one while there is one, else
    // `fresh` with the paid part bound into it.
    Parameters requestFor(Id sale, Parameters fresh) const;
    // The sale's request goes out now; a paid order it carries binds to it.
    void saleSent(Id sale, const Parameters& request, foundation::Json choice);
    void saleAnswered(Id sale, SaleAnswer answer);
    // Binds a paid part told outside an order's following (its paying
    // screen handed it back). False when the sale is not open.
    bool bindPaidPart(Id sale, PaidPart part);
    // The part bound to an open sale had no form to go to after all: it is
    // a payment of its own, whose result is due; the sale stays open.
    void unbindPaidPart(Id sale);
    // The form of the sale goes. A request out or held stays for the
    // member's next form; an open sale ends, and a paid part the staff were
    // not told they give up becomes a payment of its own.
    void saleLeft(Id sale, bool paidPartGivenUp);

    // Refunds and cancels of an order: the latest not answered.
    std::optional<Outcome> refundState(const std::string& orderid) const;
    std::optional<Outcome> cancelState(const std::string& orderid) const;
    // A fetch of an order goes out: the token its success hands back.
    std::uint64_t fetchStarted();
    void orderFetched(const std::string& orderid, std::uint64_t token);

    // The lasting form: what is out, unknown, followed, paid and unbound,
    // and the sales not settled. restore() reads it as a restart finds it
    // (out is unknown, followed is left waiting, an open sale's paid part is
    // a payment of its own). Of a damaged record it keeps every item that
    // reads whole and says Partly; of one that is no record (not an object,
    // another version) it keeps nothing and changes nothing.
    enum class Restored { Whole, Partly, Not };
    foundation::Json toJson() const;
    Restored restore(const foundation::Json& record, double now);

private:
    Request* findRequest(Id id);
    // unbindPaidPart without telling: the caller tells once for all it changed.
    bool unbindPaidPartQuietly(Id id);
    Order* findOrder(const std::string& orderid);
    Sale* findSale(Id id);
    std::optional<Outcome> latestState(RequestKind kind, const std::string& orderid) const;
    void endOrder(const std::string& orderid);
    void settleCancels(const std::string& orderid);
    void changed();

    std::vector<Request> m_requests;
    std::vector<Order> m_orders;
    std::vector<Sale> m_sales;
    // Codes of lost barcode payments the staff checked: never sent again.
    std::vector<std::string> m_spentCodes;
    bool m_damaged = false;
    Id m_nextId = 1;
    std::uint64_t m_count = 0;
    // Orders whose end was heard in this run: a second report of it is no news.
    // In the order heard, so that the oldest go first.
    std::deque<std::string> m_ended;
    bool hasEnded(const std::string& orderid) const;
    void forgetEnded(const std::string& orderid);
    foundation::ObserverList<> m_observers;
};
