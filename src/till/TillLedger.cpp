#include "till/TillLedger.h"

#include "platform/foundation/Strings.h"

#include <algorithm>

namespace {

constexpr const char* orderIdKey = "m_orderid";
constexpr const char* walletKey = "m_paytype";
constexpr const char* mobileKey = "m_money";
// Ends of orders remembered against a late second report; the oldest go first.
constexpr std::size_t endedKept = 256;
// Checked codes kept refused; the oldest go first.
constexpr std::size_t spentCodesKept = 100;

std::optional<std::string> valueOf(const TillLedger::Parameters& request, const char* key)
{
    auto found = request.find(key);
    return found != request.end() ? std::optional<std::string>(found->second) : std::nullopt;
}

bool isMoneyMover(TillLedger::RequestKind kind)
{
    return kind != TillLedger::RequestKind::QrOrder;
}

// The names the record uses, so that it reads the same whatever the enums' order.
template<class E> struct Names;
template<> struct Names<TillLedger::RequestKind> {
    static constexpr const char* list[]
        = { "barcode", "qrorder", "refund", "cancel", "purchase", "recharge" };
};
template<> struct Names<TillLedger::Outcome> {
    static constexpr const char* list[] = { "out", "unknown" };
};
template<> struct Names<TillLedger::Purpose> {
    static constexpr const char* list[] = { "collection", "purchase", "recharge", "repay" };
};
template<> struct Names<TillLedger::OrderState> {
    static constexpr const char* list[] = { "followed", "left", "unknown", "paid", "cancelling" };
};
template<> struct Names<TillLedger::SaleKind> {
    static constexpr const char* list[] = { "purchase", "recharge" };
};
template<> struct Names<TillLedger::SaleState> {
    static constexpr const char* list[] = { "open", "out", "held" };
};

template<class E> std::string nameOf(E value)
{
    return Names<E>::list[static_cast<int>(value)];
}

// False for a name the record does not use.
template<class E> bool readName(const foundation::Json& object, const char* key, E& value)
{
    auto text = foundation::optionalText(object, key);
    if (!text)
        return false;
    int index = 0;
    for (const char* name : Names<E>::list) {
        if (*text == name) {
            value = static_cast<E>(index);
            return true;
        }
        ++index;
    }
    return false;
}

std::string textOf(const foundation::Json& object, const char* key)
{
    return foundation::optionalText(object, key).value_or("");
}

double numberOf(const foundation::Json& object, const char* key)
{
    auto found = object.find(key);
    return found != object.end() && found->is_number() ? found->get<double>() : 0;
}

TillLedger::Id idOf(const foundation::Json& object, const char* key)
{
    auto found = object.find(key);
    return found != object.end() && found->is_number_unsigned() ? found->get<TillLedger::Id>() : 0;
}

} // namespace

std::optional<double> TillLedger::followingDelay(double secondsSinceLeft)
{
    if (secondsSinceLeft >= followingLimit)
        return std::nullopt;
    if (secondsSinceLeft < 30)
        return 2.0;
    if (secondsSinceLeft < 120)
        return 5.0;
    return 15.0;
}

TillLedger::SaleAnswer TillLedger::answerOf(const std::optional<foundation::Json>& reply)
{
    if (!reply || !reply->is_object() || !reply->contains("status"))
        return SaleAnswer::Unknown;
    const auto& status = (*reply)["status"];
    if (!(status.is_string() && status.get<std::string>() == "1")) {
        // A numeric 1 is no success to the screen, yet may be one to the server.
        return status.is_number() && status == 1 ? SaleAnswer::Unknown : SaleAnswer::Refused;
    }
    auto data = reply->find("data");
    if (data == reply->end() || !data->is_object() || data->empty())
        return SaleAnswer::Unknown;
    return foundation::intValue(foundation::valueForKey(*data, "status")) == 1 ? SaleAnswer::Settled
                                                                               : SaleAnswer::Refused;
}

double TillLedger::amountOf(const Parameters& request, const char* key)
{
    auto value = valueOf(request, key);
    return value ? foundation::doubleValue(*value) : 0;
}

bool TillLedger::needsMobilePayment(const Parameters& request)
{
    return request.count(mobileKey) > 0 && request.count(orderIdKey) == 0;
}

foundation::Subscription TillLedger::observe(std::function<void()> onChange)
{
    return m_observers.add(std::move(onChange));
}

void TillLedger::changed()
{
    m_observers.notify();
}

// Requests ----------------------------------------------------------------

TillLedger::Id TillLedger::sent(Request request)
{
    request.id = m_nextId++;
    request.outcome = Outcome::Out;
    Id id = request.id;
    m_requests.push_back(std::move(request));
    changed();
    return id;
}

TillLedger::Request* TillLedger::findRequest(Id id)
{
    auto found
        = std::find_if(m_requests.begin(), m_requests.end(), [id](const auto& r) { return r.id == id; });
    return found != m_requests.end() ? &*found : nullptr;
}

const TillLedger::Request* TillLedger::request(Id id) const
{
    return const_cast<TillLedger*>(this)->findRequest(id);
}

void TillLedger::answered(Id id)
{
    if (std::erase_if(m_requests, [id](const auto& r) { return r.id == id; }) > 0)
        changed();
}

void TillLedger::notRead(Id id)
{
    answered(id);
}

void TillLedger::lost(Id id)
{
    auto* request = findRequest(id);
    if (!request)
        return;
    // Nobody saw the code of an order whose creation was lost: nothing can pay it.
    if (!isMoneyMover(request->kind)) {
        answered(id);
        return;
    }
    request->outcome = Outcome::Unknown;
    request->unknownSince = ++m_count;
    if (auto* sale = request->sale ? findSale(request->sale) : nullptr; sale && sale->requestId == id)
        sale->state = SaleState::Held;
    changed();
}

// The hold ----------------------------------------------------------------

bool TillLedger::isHeld() const
{
    return !heldItems().empty();
}

std::vector<TillLedger::HeldItem> TillLedger::heldItems(MoneyAction action) const
{
    std::vector<HeldItem> items;
    if (m_damaged)
        items.push_back({ HeldReason::DamagedRecord, {}, {}, {} });
    // A lost code or an unknown order may have taken a collection's money,
    // not a member's balance or a refund's.
    if (action != MoneyAction::WalletCollection)
        return items;
    for (const auto& request : m_requests) {
        if (request.kind == RequestKind::Barcode && request.outcome == Outcome::Unknown)
            items.push_back({ HeldReason::LostBarcode, request.wallet, request.money, {}, request.id });
    }
    for (const auto& order : m_orders) {
        if (order.state == OrderState::Unknown)
            items.push_back({ HeldReason::UnknownOrder, order.wallet, order.money, order.orderid });
    }
    return items;
}

void TillLedger::heldChecked(const std::vector<HeldItem>& checked)
{
    auto wasChecked = [&](HeldReason reason, auto&& same) {
        return std::any_of(checked.begin(), checked.end(),
            [&](const HeldItem& item) { return item.reason == reason && same(item); });
    };
    if (wasChecked(HeldReason::DamagedRecord, [](const HeldItem&) { return true; }))
        m_damaged = false;
    auto isCheckedBarcode = [&](const Request& r) {
        return r.kind == RequestKind::Barcode && r.outcome == Outcome::Unknown
            && wasChecked(
                HeldReason::LostBarcode, [&](const HeldItem& item) { return item.request == r.id; });
    };
    for (const auto& request : m_requests) {
        if (isCheckedBarcode(request) && !request.code.empty())
            m_spentCodes.push_back(request.code);
    }
    if (m_spentCodes.size() > spentCodesKept)
        m_spentCodes.erase(m_spentCodes.begin(), m_spentCodes.end() - spentCodesKept);
    std::erase_if(m_requests, isCheckedBarcode);
    // Unpaid by the takings now, yet the customer may still pay it: it is
    // cancelled, so that no payment comes after the staff's word.
    for (auto& order : m_orders) {
        if (order.state == OrderState::Unknown
            && wasChecked(HeldReason::UnknownOrder,
                [&](const HeldItem& item) { return item.orderid == order.orderid; }))
            order.state = OrderState::Cancelling;
    }
    changed();
}

void TillLedger::markDamaged()
{
    m_damaged = true;
    changed();
}

TillLedger::CodeState TillLedger::codeState(const std::string& code) const
{
    if (std::find(m_spentCodes.begin(), m_spentCodes.end(), code) != m_spentCodes.end())
        return CodeState::Unknown;
    CodeState state = CodeState::Free;
    for (const auto& request : m_requests) {
        if (request.kind != RequestKind::Barcode || request.code != code)
            continue;
        if (request.outcome == Outcome::Unknown)
            return CodeState::Unknown;
        state = CodeState::Out;
    }
    for (const auto& order : m_orders) {
        if (order.code != code || order.code.empty() || order.state == OrderState::Paid)
            continue;
        if (order.state != OrderState::Followed)
            return CodeState::Unknown;
        state = CodeState::Out;
    }
    return state;
}

// Orders ------------------------------------------------------------------

TillLedger::Order* TillLedger::findOrder(const std::string& orderid)
{
    auto found = std::find_if(
        m_orders.begin(), m_orders.end(), [&](const auto& order) { return order.orderid == orderid; });
    return found != m_orders.end() ? &*found : nullptr;
}

const TillLedger::Order* TillLedger::order(const std::string& orderid) const
{
    return const_cast<TillLedger*>(this)->findOrder(orderid);
}

std::vector<TillLedger::Order> TillLedger::ordersIn(OrderState state) const
{
    std::vector<Order> found;
    std::copy_if(m_orders.begin(), m_orders.end(), std::back_inserter(found),
        [state](const auto& order) { return order.state == state; });
    return found;
}

void TillLedger::following(Order order)
{
    if (order.orderid.empty())
        return;
    forgetEnded(order.orderid);
    if (auto* known = findOrder(order.orderid)) {
        // Another screen takes up an order already known (a re-payment of one
        // left open): it keeps what it pays for.
        if (known->state == OrderState::Paid)
            return;
        known->state = OrderState::Followed;
        known->leftAt = 0;
        if (known->money.empty())
            known->money = order.money;
    } else {
        order.state = OrderState::Followed;
        order.leftAt = 0;
        m_orders.push_back(std::move(order));
    }
    changed();
}

void TillLedger::left(const std::string& orderid, double now)
{
    auto* order = findOrder(orderid);
    if (!order || order->state != OrderState::Followed)
        return;
    order->state = OrderState::LeftWaiting;
    order->leftAt = now;
    changed();
}

bool TillLedger::takeBack(const std::string& orderid)
{
    auto* order = findOrder(orderid);
    // Its following may have ended while the screen was away: the screen
    // shows its code again, so the customer may still pay it, and it is
    // followed again rather than left unwatched on show.
    if (!order || (order->state != OrderState::LeftWaiting && order->state != OrderState::Unknown))
        return false;
    order->state = OrderState::Followed;
    order->leftAt = 0;
    changed();
    return true;
}

void TillLedger::followingEnded(const std::string& orderid)
{
    auto* order = findOrder(orderid);
    if (!order || order->state != OrderState::LeftWaiting)
        return;
    order->state = OrderState::Unknown;
    changed();
}

void TillLedger::settleCancels(const std::string& orderid)
{
    // Paid, failed or cancelled, the order is over: whatever its cancel did
    // (out, or its reply lost) no longer matters, and an answer still to
    // come finds nothing to change.
    std::erase_if(
        m_requests, [&](const auto& r) { return r.kind == RequestKind::Cancel && r.orderid == orderid; });
}

void TillLedger::endOrder(const std::string& orderid)
{
    std::erase_if(m_orders, [&](const auto& order) { return order.orderid == orderid; });
    if (hasEnded(orderid))
        return;
    if (m_ended.size() >= endedKept)
        m_ended.pop_front();
    m_ended.push_back(orderid);
}

bool TillLedger::hasEnded(const std::string& orderid) const
{
    return std::find(m_ended.begin(), m_ended.end(), orderid) != m_ended.end();
}

void TillLedger::forgetEnded(const std::string& orderid)
{
    std::erase(m_ended, orderid);
}

TillLedger::PaidVerdict TillLedger::paid(const std::string& orderid, const Order& fallback)
{
    if (orderid.empty() || hasEnded(orderid))
        return PaidVerdict::Known;
    for (const auto& sale : m_sales) {
        if (sale.paid && sale.paid->orderid == orderid)
            return PaidVerdict::Known;
    }
    auto* known = findOrder(orderid);
    if (known && known->state == OrderState::Paid)
        return PaidVerdict::Known;
    settleCancels(orderid);
    Order order = known ? *known : fallback;
    order.orderid = orderid;
    if (!fallback.paytime.empty())
        order.paytime = fallback.paytime;
    bool part = order.purpose == Purpose::PurchasePart || order.purpose == Purpose::RechargePart;
    if (part && isOpen(order.sale) && !findSale(order.sale)->paid) {
        auto* sale = findSale(order.sale);
        std::optional<std::string> wallet;
        // A QR payment names its wallet in the request; a barcode one does not.
        if (order.code.empty())
            wallet = order.wallet;
        sale->paid = PaidPart { orderid, wallet, order.money };
        endOrder(orderid);
        changed();
        return PaidVerdict::BoundToSale;
    }
    order.state = OrderState::Paid;
    if (known)
        *known = order;
    else
        m_orders.push_back(order);
    changed();
    return PaidVerdict::ShowResult;
}

void TillLedger::resultShown(const std::string& orderid)
{
    endOrder(orderid);
    changed();
}

void TillLedger::cancelNotDone(const std::string& orderid)
{
    auto* order = findOrder(orderid);
    if (!order || order->state != OrderState::Cancelling)
        return;
    order->state = OrderState::Unknown;
    changed();
}

void TillLedger::ended(const std::string& orderid)
{
    settleCancels(orderid);
    auto* order = findOrder(orderid);
    // A paid order's result is still due, whatever a later poll says.
    if (order && order->state == OrderState::Paid)
        return;
    endOrder(orderid);
    changed();
}

// Member sales ------------------------------------------------------------

TillLedger::Sale* TillLedger::findSale(Id id)
{
    auto found
        = std::find_if(m_sales.begin(), m_sales.end(), [id](const auto& sale) { return sale.id == id; });
    return found != m_sales.end() ? &*found : nullptr;
}

const TillLedger::Sale* TillLedger::sale(Id id) const
{
    return const_cast<TillLedger*>(this)->findSale(id);
}

TillLedger::Id TillLedger::saleFor(SaleKind kind, const std::string& memberid)
{
    for (const auto& sale : m_sales) {
        if (sale.kind == kind && sale.memberid == memberid && sale.state != SaleState::Open)
            return sale.id;
    }
    Sale sale;
    sale.id = m_nextId++;
    sale.kind = kind;
    sale.memberid = memberid;
    m_sales.push_back(std::move(sale));
    changed();
    return m_sales.back().id;
}

bool TillLedger::isOpen(Id id) const
{
    const auto* found = sale(id);
    return found && found->state == SaleState::Open;
}

TillLedger::Parameters TillLedger::requestFor(Id id, Parameters fresh) const
{
    const auto* found = sale(id);
    if (!found)
        return fresh;
    if (found->state == SaleState::Held)
        return found->request;
    if (found->paid) {
        // The form cannot change a paid part; the request says the same.
        fresh[mobileKey] = found->paid->money;
        fresh[orderIdKey] = found->paid->orderid;
        if (found->paid->wallet)
            fresh[walletKey] = *found->paid->wallet;
    }
    return fresh;
}

void TillLedger::saleSent(Id id, const Parameters& request, foundation::Json choice)
{
    auto* sale = findSale(id);
    if (!sale)
        return;
    auto order = valueOf(request, orderIdKey);
    auto money = valueOf(request, mobileKey);
    if (order && money && !sale->paid) {
        sale->paid = PaidPart { *order, valueOf(request, walletKey), *money };
        endOrder(*order);
    }
    if (sale->requestId)
        std::erase_if(m_requests, [&](const auto& r) { return r.id == sale->requestId; });
    Request sent;
    sent.id = m_nextId++;
    sent.kind = sale->kind == SaleKind::Purchase ? RequestKind::Purchase : RequestKind::Recharge;
    sent.sale = id;
    sent.money = valueOf(request, "totalprice").value_or("");
    m_requests.push_back(sent);
    sale->resent = sale->state == SaleState::Held;
    sale->requestId = sent.id;
    // Copied first: `request` may be the sale's own, being sent again.
    sale->request = Parameters(request);
    sale->choice = std::move(choice);
    sale->state = SaleState::Out;
    changed();
}

void TillLedger::saleAnswered(Id id, SaleAnswer answer)
{
    auto* sale = findSale(id);
    if (!sale)
        return;
    Id requestId = sale->requestId;
    switch (answer) {
    case SaleAnswer::Settled:
        std::erase_if(m_sales, [id](const auto& s) { return s.id == id; });
        break;
    case SaleAnswer::NotRead:
        // The server read nothing of this sending; an earlier one's outcome
        // is as unknown as it was.
        if (sale->resent) {
            sale->state = SaleState::Held;
            if (auto* request = findRequest(requestId)) {
                request->outcome = Outcome::Unknown;
                request->unknownSince = ++m_count;
            }
            changed();
            return;
        }
        [[fallthrough]];
    case SaleAnswer::Refused:
        // Nothing was charged under this number; a paid part stays paid.
        sale->state = SaleState::Open;
        sale->request.clear();
        sale->choice = nullptr;
        sale->requestId = 0;
        break;
    case SaleAnswer::Unknown:
        sale->state = SaleState::Held;
        if (auto* request = findRequest(requestId)) {
            request->outcome = Outcome::Unknown;
            request->unknownSince = ++m_count;
        }
        changed();
        return;
    }
    std::erase_if(m_requests, [requestId](const auto& r) { return r.id == requestId; });
    changed();
}

bool TillLedger::bindPaidPart(Id id, PaidPart part)
{
    auto* sale = findSale(id);
    if (!sale || sale->state != SaleState::Open)
        return false;
    if (sale->paid)
        return sale->paid->orderid == part.orderid;
    endOrder(part.orderid);
    sale->paid = std::move(part);
    changed();
    return true;
}

void TillLedger::unbindPaidPart(Id id)
{
    if (unbindPaidPartQuietly(id))
        changed();
}

bool TillLedger::unbindPaidPartQuietly(Id id)
{
    auto* sale = findSale(id);
    if (!sale || sale->state != SaleState::Open || !sale->paid)
        return false;
    Order order;
    order.orderid = sale->paid->orderid;
    order.wallet = sale->paid->wallet.value_or("");
    order.money = sale->paid->money;
    order.purpose = sale->kind == SaleKind::Purchase ? Purpose::PurchasePart : Purpose::RechargePart;
    order.state = OrderState::Paid;
    sale->paid.reset();
    forgetEnded(order.orderid);
    m_orders.push_back(std::move(order));
    return true;
}

void TillLedger::saleLeft(Id id, bool paidPartGivenUp)
{
    auto* sale = findSale(id);
    if (!sale || sale->state != SaleState::Open)
        return;
    if (!paidPartGivenUp)
        unbindPaidPartQuietly(id);
    std::erase_if(m_sales, [id](const auto& s) { return s.id == id; });
    changed();
}

// Refunds and cancels -----------------------------------------------------

std::optional<TillLedger::Outcome> TillLedger::latestState(RequestKind kind, const std::string& orderid) const
{
    std::optional<Outcome> state;
    for (const auto& request : m_requests) {
        if (request.kind == kind && request.orderid == orderid && (!state || request.outcome == Outcome::Out))
            state = request.outcome;
    }
    return state;
}

std::optional<TillLedger::Outcome> TillLedger::refundState(const std::string& orderid) const
{
    return latestState(RequestKind::Refund, orderid);
}

std::optional<TillLedger::Outcome> TillLedger::cancelState(const std::string& orderid) const
{
    return latestState(RequestKind::Cancel, orderid);
}

std::uint64_t TillLedger::fetchStarted()
{
    return ++m_count;
}

void TillLedger::orderFetched(const std::string& orderid, std::uint64_t token)
{
    // Only a fetch sent after the outcome became unknown shows what it did.
    auto removed = std::erase_if(m_requests, [&](const auto& r) {
        return (r.kind == RequestKind::Refund || r.kind == RequestKind::Cancel) && r.orderid == orderid
            && r.outcome == Outcome::Unknown && r.unknownSince < token;
    });
    if (removed > 0)
        changed();
}

// The lasting form --------------------------------------------------------

foundation::Json TillLedger::toJson() const
{
    foundation::Json requests = foundation::Json::array();
    for (const auto& r : m_requests) {
        requests.push_back({ { "id", r.id }, { "kind", nameOf(r.kind) }, { "outcome", nameOf(r.outcome) },
            { "orderid", r.orderid }, { "code", r.code }, { "wallet", r.wallet }, { "money", r.money },
            { "sale", r.sale } });
    }
    foundation::Json orders = foundation::Json::array();
    for (const auto& o : m_orders) {
        orders.push_back({ { "orderid", o.orderid }, { "wallet", o.wallet }, { "money", o.money },
            { "purpose", nameOf(o.purpose) }, { "sale", o.sale }, { "code", o.code },
            { "state", nameOf(o.state) }, { "leftAt", o.leftAt }, { "paytime", o.paytime } });
    }
    foundation::Json sales = foundation::Json::array();
    for (const auto& s : m_sales) {
        foundation::Json request = foundation::Json::object();
        for (const auto& [key, value] : s.request)
            request[key] = value;
        foundation::Json sale { { "id", s.id }, { "kind", nameOf(s.kind) }, { "memberid", s.memberid },
            { "state", nameOf(s.state) }, { "request", std::move(request) }, { "choice", s.choice },
            { "requestId", s.requestId } };
        if (s.paid) {
            sale["paid"] = { { "orderid", s.paid->orderid }, { "money", s.paid->money } };
            if (s.paid->wallet)
                sale["paid"]["wallet"] = *s.paid->wallet;
        }
        sales.push_back(std::move(sale));
    }
    return { { "version", 1 }, { "nextId", m_nextId }, { "damaged", m_damaged }, { "requests", requests },
        { "orders", orders }, { "sales", sales }, { "spentCodes", m_spentCodes } };
}

TillLedger::Restored TillLedger::restore(const foundation::Json& record, double now)
{
    if (!record.is_object() || numberOf(record, "version") != 1)
        return Restored::Not;
    // What reads whole is kept, item by item: a sale held to its request is
    // worth more than the rest of a damaged record.
    bool whole = true;
    auto list = [&](const char* name) {
        auto found = record.find(name);
        if (found != record.end() && found->is_array())
            return *found;
        whole = false;
        return foundation::Json::array();
    };
    std::vector<Request> requests;
    for (const auto& item : list("requests")) {
        Request r;
        if (!item.is_object() || !readName(item, "kind", r.kind) || !readName(item, "outcome", r.outcome)) {
            whole = false;
            continue;
        }
        r.id = idOf(item, "id");
        r.orderid = textOf(item, "orderid");
        r.code = textOf(item, "code");
        r.wallet = textOf(item, "wallet");
        r.money = textOf(item, "money");
        r.sale = idOf(item, "sale");
        requests.push_back(std::move(r));
    }
    std::vector<Order> orders;
    for (const auto& item : list("orders")) {
        Order o;
        if (!item.is_object() || !readName(item, "purpose", o.purpose) || !readName(item, "state", o.state)
            || textOf(item, "orderid").empty()) {
            whole = false;
            continue;
        }
        o.orderid = textOf(item, "orderid");
        o.wallet = textOf(item, "wallet");
        o.money = textOf(item, "money");
        o.sale = idOf(item, "sale");
        o.code = textOf(item, "code");
        o.leftAt = numberOf(item, "leftAt");
        o.paytime = textOf(item, "paytime");
        orders.push_back(std::move(o));
    }
    std::vector<Sale> sales;
    for (const auto& item : list("sales")) {
        Sale s;
        if (!item.is_object() || !readName(item, "kind", s.kind) || !readName(item, "state", s.state)) {
            whole = false;
            continue;
        }
        s.id = idOf(item, "id");
        s.memberid = textOf(item, "memberid");
        s.requestId = idOf(item, "requestId");
        if (item.contains("request") && item["request"].is_object()) {
            for (const auto& [key, value] : item["request"].items()) {
                if (value.is_string())
                    s.request[key] = value.get<std::string>();
            }
        }
        s.choice = item.contains("choice") ? item["choice"] : foundation::Json();
        // A part without its order cannot go out with the sale.
        if (item.contains("paid") && item["paid"].is_object() && !textOf(item["paid"], "orderid").empty()) {
            const auto& paid = item["paid"];
            s.paid = PaidPart { textOf(paid, "orderid"), foundation::optionalText(paid, "wallet"),
                textOf(paid, "money") };
        }
        sales.push_back(std::move(s));
    }

    // As a restart finds it: what was out is unknown, what a screen followed
    // is left waiting, and an open sale's form is gone.
    m_count = 0;
    for (auto& r : requests) {
        if (r.outcome == Outcome::Out)
            r.outcome = Outcome::Unknown;
        r.unknownSince = 0;
    }
    std::erase_if(requests, [](const auto& r) { return !isMoneyMover(r.kind); });
    for (auto& o : orders) {
        if (o.state == OrderState::Followed) {
            o.state = OrderState::LeftWaiting;
            o.leftAt = now;
        }
    }
    std::vector<Sale> kept;
    for (auto& s : sales) {
        if (s.state != SaleState::Open) {
            s.state = SaleState::Held;
            kept.push_back(std::move(s));
            continue;
        }
        if (s.paid) {
            Order o;
            o.orderid = s.paid->orderid;
            o.wallet = s.paid->wallet.value_or("");
            o.money = s.paid->money;
            o.purpose = s.kind == SaleKind::Purchase ? Purpose::PurchasePart : Purpose::RechargePart;
            o.state = OrderState::Paid;
            orders.push_back(std::move(o));
        }
    }
    Id highest = 0;
    for (const auto& r : requests)
        highest = std::max(highest, r.id);
    for (const auto& s : kept)
        highest = std::max({ highest, s.id, s.requestId });
    m_requests = std::move(requests);
    m_orders = std::move(orders);
    m_sales = std::move(kept);
    std::vector<std::string> spent;
    if (auto codes = record.find("spentCodes"); codes != record.end() && codes->is_array()) {
        for (const auto& code : *codes) {
            if (code.is_string())
                spent.push_back(code.get<std::string>());
        }
    }
    m_spentCodes = std::move(spent);
    auto damaged = record.find("damaged");
    m_damaged = damaged != record.end() && damaged->is_boolean() && damaged->get<bool>();
    m_nextId = std::max(idOf(record, "nextId"), highest + 1);
    m_ended.clear();
    changed();
    return whole ? Restored::Whole : Restored::Partly;
}
