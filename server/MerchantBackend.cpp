#include "server/MerchantBackend.h"

#include "api/DesCipher.h"
#include "server/DemoSeed.h"
#include "server/Envelope.h"
#include "server/FormParams.h"
#include "server/MemberApiHandlers.h"
#include "server/MoneyText.h"
#include "server/PassApiHandlers.h"
#include "server/PayApiHandlers.h"
#include "server/PngImage.h"

#include <algorithm>
#include <ctime>

namespace merchant {

using Handler = Json (*)(HandlerContext&, const FormParams&);

struct MerchantBackend::Route {
    const char* path;
    KeyPair pair;
    std::vector<std::string> keys;
    Handler handler;
    // Fields the app percent-escapes before encryption ("keyword" only when
    // the request says "urlencode" "1").
    std::vector<std::string> escaped;
};

namespace {

constexpr Seconds kLatestTime = 253'402'300'799; // 9999-12-31
constexpr const char* kAgentPath = "/Api/Alipay/modifyStaffPassword";
constexpr const char* kQrPrefix = "/qr/";
constexpr const char* kPortraitPrefix = "/images/portrait/";

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string headerValue(const BackendRequest& request, const std::string& name)
{
    auto it = request.headers.find(name);
    return it == request.headers.end() ? std::string() : it->second;
}

// The body as the app sends it is the bare Base64 text. A client that
// escaped it anyway, or a proxy that turned "+" into a space, still decrypts.
std::string bodyText(const std::string& body)
{
    std::string text = body.find('%') != std::string::npos ? FormParams::percentDecode(body) : body;
    std::replace(text.begin(), text.end(), ' ', '+');
    return text;
}

std::optional<std::string> jsonText(const Json& object, const char* key)
{
    if (!object.is_object() || !object.contains(key))
        return std::nullopt;
    const Json& value = object[key];
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_number_integer())
        return std::to_string(value.get<std::int64_t>());
    return std::nullopt;
}

std::optional<std::int64_t> jsonInteger(const Json& object, const char* key)
{
    if (!object.is_object() || !object.contains(key))
        return std::nullopt;
    const Json& value = object[key];
    if (value.is_number_integer())
        return value.get<std::int64_t>();
    if (value.is_number_float()) {
        double number = value.get<double>();
        if (number > -9e15 && number < 9e15)
            return static_cast<std::int64_t>(number);
        return std::nullopt;
    }
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        if (text.empty() || text.size() > 15)
            return std::nullopt;
        bool negative = text[0] == '-';
        std::int64_t number = 0;
        for (std::size_t i = negative ? 1 : 0; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            number = number * 10 + (text[i] - '0');
        }
        return negative ? -number : number;
    }
    return std::nullopt;
}

BackendReply jsonReply(int status, const Json& body)
{
    BackendReply reply;
    reply.status = status;
    reply.body = Envelope::dump(body);
    reply.contentType = "application/json; charset=utf-8";
    return reply;
}

BackendReply hookError(const std::string& message)
{
    Json body = Json::object();
    body["ok"] = false;
    body["error"] = message;
    return jsonReply(400, body);
}

BackendReply emptyReply(int status)
{
    BackendReply reply;
    reply.status = status;
    return reply;
}

// The reply a fault stands for, or std::nullopt when the request is still
// served: a slow reply (its delay goes to delayMs), or a refusal that cannot
// be written because the merchant is unknown.
std::optional<BackendReply> faultReply(const FaultRule& fault, const std::string& garbage,
    const std::optional<std::string>& refusal, const std::string& contentType, int& delayMs)
{
    BackendReply reply;
    reply.contentType = contentType;
    switch (fault.kind) {
    case FaultKind::Http500:
        return emptyReply(500);
    case FaultKind::Http403:
        return emptyReply(403);
    case FaultKind::Http404:
        return emptyReply(404);
    case FaultKind::Drop:
        reply.dropConnection = true;
        return reply;
    case FaultKind::EmptyBody:
    case FaultKind::EmptyImage:
        return reply;
    case FaultKind::Undecryptable:
        reply.body = garbage;
        return reply;
    case FaultKind::StatusZero:
        if (!refusal)
            return std::nullopt;
        reply.body = *refusal;
        return reply;
    case FaultKind::Slow:
        delayMs = std::max(0, fault.delayMs);
        return std::nullopt;
    case FaultKind::DropReply:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<OrderPlan> planNamed(const std::string& name)
{
    if (name == "pay")
        return OrderPlan::PayAfterPolls;
    if (name == "fail")
        return OrderPlan::FailAfterPolls;
    if (name == "wait")
        return OrderPlan::Wait;
    return std::nullopt;
}

} // namespace

const std::vector<MerchantBackend::Route>& MerchantBackend::routes()
{
    static const std::vector<Route> table {
        { "/PayApi/OfflinePay/checkStaff/", KeyPair::Collection, { "username", "password" },
            &PayApiHandlers::checkStaff, {} },
        { "/PayApi/OfflinePay/getShopInfo/", KeyPair::Collection, {}, &PayApiHandlers::getShopInfo, {} },
        { "/PayApi/OfflinePay/qrcode/", KeyPair::Collection, { "money", "m_paytype", "mid" },
            &PayApiHandlers::qrcode, {} },
        { "/PayApi/OfflinePay/getOrderStatus/", KeyPair::Collection, { "orderid", "m_paytype" },
            &PayApiHandlers::getOrderStatus, {} },
        { "/PayApi/OfflinePay/getMoneySum", KeyPair::Collection, { "starttime", "endtime" },
            &PayApiHandlers::getMoneySum, {} },
        { "/PayApi/OfflinePay/getOrderList", KeyPair::Collection,
            { "m_paytype", "starttime", "endtime", "currentpage", "pagesize" }, &PayApiHandlers::getOrderList,
            {} },
        { "/PayApi/OfflinePay/getOrderDetails", KeyPair::Collection, { "orderid", "m_paytype" },
            &PayApiHandlers::getOrderDetails, {} },
        { "/PayApi/OfflinePay/barcode", KeyPair::Collection, { "money", "dynamic_id", "m_paytype", "mid" },
            &PayApiHandlers::barcode, {} },
        { "/PayApi/OfflinePay/cancel", KeyPair::Collection, { "orderid", "m_paytype" },
            &PayApiHandlers::cancel, {} },
        { "/PayApi/OfflinePay/refund", KeyPair::Collection,
            { "orderid", "reason", "mid", "refundmoney", "username", "password" }, &PayApiHandlers::refund,
            {} },
        { "/PayApi/OfflinePay/repay", KeyPair::Collection, { "orderid", "m_paytype" }, &PayApiHandlers::repay,
            {} },
        { "/UserApi/Index/getMemberList", KeyPair::Member,
            { "currentpage", "pagesize", "cardid", "keyword", "urlencode" },
            &MemberApiHandlers::getMemberList, { "keyword" } },
        { "/UserApi/Index/getCardList", KeyPair::Member, {}, &MemberApiHandlers::getCardList, {} },
        { "/UserApi/Index/getUserInfo", KeyPair::Member, { "cardnum" }, &MemberApiHandlers::getUserInfo, {} },
        { "/UserApi/Index/getCoupon", KeyPair::Member, { "memberid" }, &MemberApiHandlers::getCoupon, {} },
        { "/UserApi/Index/memcOrder/", KeyPair::Member, { "memberid", "totalprice" },
            &MemberApiHandlers::memcOrder, {} },
        { "/UserApi/Index/calcOrder/", KeyPair::Member, { "memberid", "totalprice", "couponid" },
            &MemberApiHandlers::calcOrder, {} },
        { "/UserApi/Index/payOrder/", KeyPair::Member,
            { "memberid", "mark", "reverseid", "totalprice", "cardid", "couponid", "actualprice", "bycash",
                "bymoney", "m_money", "m_orderid", "m_paytype" },
            &MemberApiHandlers::payOrder, { "mark" } },
        { "/UserApi/Index/getRuleList/", KeyPair::Member, {}, &MemberApiHandlers::getRuleList, {} },
        { "/UserApi/Index/recharge/", KeyPair::Member,
            { "memberid", "ruleid", "reverseid", "totalprice", "bycash", "bymoney", "m_money", "m_orderid",
                "m_paytype" },
            &MemberApiHandlers::recharge, {} },
        { "/UserApi/Index/reasons/", KeyPair::Member, {}, &MemberApiHandlers::reasons, {} },
        { "/UserApi/Index/reScore/", KeyPair::Member, { "score", "memberid", "reason", "info" },
            &MemberApiHandlers::reScore, { "reason", "info" } },
        { "/UserApi/Index/platPassList/", KeyPair::Member, {}, &PassApiHandlers::platPassList, {} },
        { "/UserApi/Index/sendPlatPass/", KeyPair::Member, { "memberid", "modelid", "remarks" },
            &PassApiHandlers::sendPlatPass, {} },
        { "/UserApi/Index/getCouponSendLog/", KeyPair::Member,
            { "passtype", "status", "currentpage", "pagesize", "sort", "field" },
            &PassApiHandlers::getCouponSendLog, {} },
        { "/UserApi/Index/verifyCode/", KeyPair::Member, { "passtype", "vcode" },
            &PassApiHandlers::verifyCode, {} },
        { "/UserApi/Index/memberPaypwd/", KeyPair::Member, { "memberid", "password" },
            &MemberApiHandlers::memberPaypwd, {} },
        { "/UserApi/Index/alipassList", KeyPair::Member, {}, &PassApiHandlers::alipassList, {} },
        { "/UserApi/Index/sendAlipass", KeyPair::Member, { "tpl_id", "open_id" },
            &PassApiHandlers::sendAlipass, {} },
        { "/UserApi/Index/aliPassLog", KeyPair::Member, { "status", "currentpage", "pagesize" },
            &PassApiHandlers::aliPassLog, {} },
        { "/UserApi/Index/wxpassList", KeyPair::Member, {}, &PassApiHandlers::wxpassList, {} },
        { "/UserApi/Index/sendWxpass", KeyPair::Member, { "card_id", "wecha_id" },
            &PassApiHandlers::sendWxpass, {} },
        { "/UserApi/Index/wxPassLog", KeyPair::Member, { "status", "currentpage", "pagesize" },
            &PassApiHandlers::wxPassLog, {} },
    };
    return table;
}

std::vector<std::pair<std::string, bool>> MerchantBackend::signedPaths()
{
    std::vector<std::pair<std::string, bool>> paths;
    for (auto const& route : routes())
        paths.emplace_back(route.path, route.pair == KeyPair::Member);
    return paths;
}

const MerchantBackend::Route* MerchantBackend::findRoute(const std::string& path)
{
    for (const Route& route : routes()) {
        if (path == route.path)
            return &route;
    }
    return nullptr;
}

MerchantBackend::MerchantBackend(WallClock clock)
    : m_clock(clock ? std::move(clock) : WallClock([] { return static_cast<Seconds>(std::time(nullptr)); }))
{
    m_merchants.push_back(DemoSeed::build(nowLocked()));
    for (const MerchantState& state : m_merchants)
        m_keys.push_back(state.keys);
}

Seconds MerchantBackend::nowLocked() const
{
    return std::clamp<Seconds>((m_fixedNow ? *m_fixedNow : m_clock()) + m_clockOffset, 0, kLatestTime);
}

Seconds MerchantBackend::now() const
{
    std::lock_guard lock(m_mutex);
    return nowLocked();
}

void MerchantBackend::setNow(Seconds now)
{
    std::lock_guard lock(m_mutex);
    m_fixedNow = std::clamp<Seconds>(now, 0, kLatestTime);
    m_clockOffset = 0;
}

void MerchantBackend::advanceClock(Seconds seconds)
{
    std::lock_guard lock(m_mutex);
    // Kept within the years a calendar can show, so date arithmetic on the
    // stand-in's "now" can never overflow.
    m_clockOffset = std::clamp<Seconds>(
        m_clockOffset + std::clamp<Seconds>(seconds, -kLatestTime, kLatestTime), -kLatestTime, kLatestTime);
}

void MerchantBackend::useRealClock()
{
    std::lock_guard lock(m_mutex);
    m_fixedNow.reset();
    m_clockOffset = 0;
}

void MerchantBackend::reset()
{
    {
        std::lock_guard lock(m_mutex);
        m_merchants.clear();
        m_merchants.push_back(DemoSeed::build(nowLocked()));
    }
    std::lock_guard lock(m_recordMutex);
    m_faults.clear();
    m_log.clear();
}

void MerchantBackend::setSelfHost(std::string host)
{
    std::lock_guard lock(m_mutex);
    m_selfHost = std::move(host);
}

std::string MerchantBackend::selfHost() const
{
    std::lock_guard lock(m_mutex);
    return m_selfHost;
}

std::string MerchantBackend::banner() const
{
    std::lock_guard lock(m_mutex);
    return DemoSeed::banner(m_merchants.front());
}

MerchantState::KeyPairs MerchantBackend::keys() const
{
    return m_keys.front();
}

bool MerchantBackend::settleOrder(const std::string& orderid, bool paid)
{
    std::lock_guard lock(m_mutex);
    for (MerchantState& state : m_merchants) {
        if (Order* order = PayApiHandlers::findOrder(state, orderid))
            return PayApiHandlers::settle(*order, paid, nowLocked());
    }
    return false;
}

void MerchantBackend::setOutcomes(const PaymentOutcomes& outcomes)
{
    std::lock_guard lock(m_mutex);
    for (MerchantState& state : m_merchants)
        state.outcomes = outcomes;
}

void MerchantBackend::setWalletEnabled(const std::string& wallet, bool enabled)
{
    std::lock_guard lock(m_mutex);
    for (MerchantState& state : m_merchants) {
        if (wallet == "alipay")
            state.shop.aliEnabled = enabled;
        else if (wallet == "wxpay")
            state.shop.wxEnabled = enabled;
        else if (wallet == "bdpay")
            state.shop.bdEnabled = enabled;
    }
}

void MerchantBackend::addFault(FaultRule rule)
{
    std::lock_guard lock(m_recordMutex);
    m_faults.add(std::move(rule));
}

void MerchantBackend::clearFaults()
{
    std::lock_guard lock(m_recordMutex);
    m_faults.clear();
}

std::vector<LoggedRequest> MerchantBackend::requestLog() const
{
    std::lock_guard lock(m_recordMutex);
    return { m_log.entries().begin(), m_log.entries().end() };
}

void MerchantBackend::clearLog()
{
    std::lock_guard lock(m_recordMutex);
    m_log.clear();
}

std::vector<Settlement> MerchantBackend::settlements() const
{
    std::lock_guard lock(m_mutex);
    std::vector<Settlement> all;
    for (const MerchantState& state : m_merchants)
        all.insert(all.end(), state.settlements.begin(), state.settlements.end());
    return all;
}

std::vector<Order> MerchantBackend::orders() const
{
    std::lock_guard lock(m_mutex);
    std::vector<Order> all;
    for (const MerchantState& state : m_merchants)
        all.insert(all.end(), state.orders.begin(), state.orders.end());
    return all;
}

std::optional<Member> MerchantBackend::member(const std::string& cardnum) const
{
    std::lock_guard lock(m_mutex);
    for (const MerchantState& state : m_merchants) {
        for (const Member& member : state.members) {
            if (member.cardnum == cardnum)
                return member;
        }
    }
    return std::nullopt;
}

std::optional<FaultRule> MerchantBackend::takeFault(const std::string& path, bool isImage)
{
    std::lock_guard lock(m_recordMutex);
    return m_faults.take(path, isImage);
}

void MerchantBackend::record(LoggedRequest entry)
{
    std::lock_guard lock(m_recordMutex);
    m_log.append(std::move(entry));
}

MerchantState* MerchantBackend::merchantFor(KeyPair pair, const std::string& key)
{
    if (key.empty())
        return nullptr;
    for (MerchantState& state : m_merchants) {
        if ((pair == KeyPair::Collection ? state.keys.collectionKey : state.keys.memberKey) == key)
            return &state;
    }
    return nullptr;
}

const std::string* MerchantBackend::secretFor(KeyPair pair, const std::string& key) const
{
    if (key.empty())
        return nullptr;
    for (const MerchantState::KeyPairs& keys : m_keys) {
        if (pair == KeyPair::Collection && keys.collectionKey == key)
            return &keys.collectionSecret;
        if (pair == KeyPair::Member && keys.memberKey == key)
            return &keys.memberSecret;
    }
    return nullptr;
}

std::string MerchantBackend::undecryptableBody(const std::string& secret)
{
    {
        std::lock_guard lock(m_recordMutex);
        auto cached = m_undecryptable.find(secret);
        if (cached != m_undecryptable.end())
            return cached->second;
    }
    // Text encrypted under another key, checked to fail under this one, so the
    // fault never decrypts by the one-in-256 chance of valid padding.
    std::string body = "AAAAAAAAAAA=";
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string candidate
            = DesCipher::encode(R"({"status":"1","info":"x"})", "other" + std::to_string(attempt));
        auto plain = DesCipher::decode(candidate, secret);
        if (!plain || plain->empty()) {
            body = candidate;
            break;
        }
    }
    std::lock_guard lock(m_recordMutex);
    m_undecryptable[secret] = body;
    return body;
}

BackendReply MerchantBackend::handle(const BackendRequest& request)
{
    std::string path = request.path.substr(0, request.path.find('?'));
    if (startsWith(path, kHookPrefix))
        return handleHook(request);

    LoggedRequest entry;
    entry.method = request.method;
    entry.path = path;
    entry.qvkey = headerValue(request, "qvkey");
    BackendReply reply;
    if (const Route* route = findRoute(path))
        reply = handleSigned(request, *route, entry);
    else if (path == kAgentPath)
        reply = handleAgent(request, entry);
    else if (startsWith(path, kQrPrefix) || startsWith(path, kPortraitPrefix))
        reply = handleImage(path, entry);
    else {
        entry.key = "none";
        int delayMs = 0;
        std::optional<BackendReply> faulted;
        if (auto fault = takeFault(path, false)) {
            entry.fault = FaultSwitches::nameOf(fault->kind);
            faulted = faultReply(*fault, "", std::nullopt, reply.contentType, delayMs);
        }
        reply = faulted ? *faulted : emptyReply(404);
        reply.delayMs = delayMs;
    }
    entry.httpStatus = reply.dropConnection ? 0 : reply.status;
    record(std::move(entry));
    return reply;
}

BackendReply MerchantBackend::handleSigned(
    const BackendRequest& request, const Route& route, LoggedRequest& entry)
{
    const std::string* secret = secretFor(route.pair, entry.qvkey);
    entry.key = secret ? (route.pair == KeyPair::Collection ? "collection" : "member")
                       : (entry.qvkey.empty() ? "none" : "unknown");
    std::optional<std::string> plain;
    if (secret) {
        std::string text = bodyText(request.body);
        if (text.empty()) {
            plain = "";
        } else {
            auto decoded = DesCipher::decode(text, *secret);
            // A body that decrypts to nothing was made with another key.
            if (decoded && !decoded->empty())
                plain = std::move(decoded);
        }
    }
    FormParams params;
    if (plain) {
        entry.plain = *plain;
        params = FormParams::parseSigned(*plain, route.keys);
        for (const std::string& field : route.escaped) {
            if (field != "keyword" || params.value("urlencode") == "1")
                params.decode(field);
        }
        entry.params = params.toJson();
    }

    int delayMs = 0;
    bool replyLost = false;
    if (auto fault = takeFault(entry.path, false)) {
        entry.fault = FaultSwitches::nameOf(fault->kind);
        replyLost = fault->kind == FaultKind::DropReply;
        std::optional<std::string> refusal;
        if (secret && fault->kind == FaultKind::StatusZero)
            refusal = DesCipher::encode(Envelope::dump(Envelope::failure(fault->info)), *secret);
        std::string garbage;
        if (fault->kind == FaultKind::Undecryptable)
            garbage = undecryptableBody(secret ? *secret : "");
        auto faulted = faultReply(*fault, garbage, refusal, BackendReply().contentType, delayMs);
        if (faulted)
            return *faulted;
    }
    if (!secret || !plain)
        return emptyReply(403);

    Json answer;
    {
        std::lock_guard lock(m_mutex);
        MerchantState* state = merchantFor(route.pair, entry.qvkey);
        if (!state)
            return emptyReply(403);
        HandlerContext context { *state, nowLocked(), m_selfHost };
        answer = route.handler(context, params);
    }
    BackendReply reply;
    reply.body = DesCipher::encode(Envelope::dump(answer), *secret);
    reply.delayMs = delayMs;
    // Settled here, yet the client never learns it: what a retry must not pay twice.
    reply.dropConnection = replyLost;
    return reply;
}

BackendReply MerchantBackend::handleAgent(const BackendRequest& request, LoggedRequest& entry)
{
    entry.key = "agent";
    FormParams params = FormParams::parseUrlEncoded(request.body);
    entry.plain = request.body;
    entry.params = params.toJson();
    int delayMs = 0;
    bool replyLost = false;
    if (auto fault = takeFault(entry.path, false)) {
        entry.fault = FaultSwitches::nameOf(fault->kind);
        replyLost = fault->kind == FaultKind::DropReply;
        auto faulted = faultReply(*fault, "<html>not json</html>",
            Envelope::dump(Envelope::failure(fault->info)), "application/json; charset=utf-8", delayMs);
        if (faulted)
            return *faulted;
    }
    Json answer;
    {
        std::lock_guard lock(m_mutex);
        MerchantState* state = merchantFor(KeyPair::Collection, params.value("key"));
        answer = state ? PayApiHandlers::modifyStaffPassword(*state, params) : Envelope::failure("key无效");
    }
    // The agent answers 200 whatever happens: the app's engine turns any
    // error status into "no connection" and never shows the server's words.
    BackendReply reply = jsonReply(200, answer);
    reply.delayMs = delayMs;
    reply.dropConnection = replyLost;
    return reply;
}

BackendReply MerchantBackend::handleImage(const std::string& path, LoggedRequest& entry)
{
    entry.key = "none";
    int delayMs = 0;
    if (auto fault = takeFault(path, true)) {
        entry.fault = FaultSwitches::nameOf(fault->kind);
        // A refusal on an image path is an empty image, garbage is not a PNG.
        auto faulted = faultReply(*fault, "not an image", std::string(), "image/png", delayMs);
        if (faulted)
            return *faulted;
    }
    std::string png;
    if (startsWith(path, kQrPrefix)) {
        // "/qr/<orderid>-<generation>.png"; an old generation still shows.
        std::string name = path.substr(std::string(kQrPrefix).size());
        std::size_t dash = name.find('-');
        std::string orderid = name.substr(0, dash);
        bool wellFormed
            = dash != std::string::npos && name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
        std::optional<std::string> payload;
        if (wellFormed) {
            std::lock_guard lock(m_mutex);
            for (MerchantState& state : m_merchants) {
                const Order* order = PayApiHandlers::findOrder(state, orderid);
                if (order && order->paytype == "2")
                    payload = "cashier-pay:" + order->payment + ":" + order->orderid + ":"
                        + MoneyText::format(order->paymoney);
            }
        }
        if (payload)
            png = PngImage::qrCode(*payload);
    } else {
        std::string name = path.substr(std::string(kPortraitPrefix).size());
        std::size_t digits = 0;
        while (digits < name.size() && digits < 4 && name[digits] >= '0' && name[digits] <= '9')
            ++digits;
        if (digits > 0 && name.substr(digits) == ".png")
            png = PngImage::portrait(std::stoi(name.substr(0, digits)));
    }
    if (png.empty())
        return emptyReply(404);
    BackendReply reply;
    reply.body = std::move(png);
    reply.contentType = "image/png";
    reply.delayMs = delayMs;
    return reply;
}

BackendReply MerchantBackend::handleHook(const BackendRequest& request)
{
    std::string path = request.path.substr(0, request.path.find('?'));
    std::string name = path.substr(std::string(kHookPrefix).size());
    Json body = Json::object();
    if (!request.body.empty()) {
        body = Json::parse(request.body, nullptr, false);
        if (body.is_discarded() || !body.is_object())
            return hookError("the body must be a JSON object");
    }
    Json answer = Json::object();
    answer["ok"] = true;
    if (name == "reset") {
        reset();
    } else if (name == "clock") {
        if (body.contains("real"))
            useRealClock();
        if (auto now = jsonInteger(body, "now"))
            setNow(*now);
        if (auto seconds = jsonInteger(body, "advance"))
            advanceClock(*seconds);
        answer["now"] = now();
    } else if (name == "order") {
        auto orderid = jsonText(body, "orderid");
        auto action = jsonText(body, "action");
        if (!orderid || !action || (*action != "pay" && *action != "fail"))
            return hookError("expected {\"orderid\":..., \"action\":\"pay\"|\"fail\"}");
        answer["ok"] = settleOrder(*orderid, *action == "pay");
    } else if (name == "outcomes") {
        PaymentOutcomes outcomes;
        {
            std::lock_guard lock(m_mutex);
            outcomes = m_merchants.front().outcomes;
        }
        if (auto qr = jsonText(body, "qr")) {
            auto plan = planNamed(*qr);
            if (!plan)
                return hookError("qr must be pay, fail or wait");
            outcomes.qrPlan = *plan;
        }
        if (auto polls = jsonInteger(body, "qrPolls"))
            outcomes.qrPolls = static_cast<int>(std::clamp<std::int64_t>(*polls, 1, 1000));
        if (auto polls = jsonInteger(body, "barcodePolls"))
            outcomes.barcodePolls = static_cast<int>(std::clamp<std::int64_t>(*polls, 1, 1000));
        setOutcomes(outcomes);
        if (body.contains("wallets") && body["wallets"].is_object()) {
            for (const auto& [wallet, enabled] : body["wallets"].items()) {
                if (enabled.is_boolean())
                    setWalletEnabled(wallet, enabled.get<bool>());
            }
        }
    } else if (name == "fault") {
        auto kindName = jsonText(body, "kind");
        auto kind = kindName ? FaultSwitches::kindNamed(*kindName) : std::nullopt;
        if (!kind)
            return hookError("unknown fault kind");
        FaultRule rule;
        rule.kind = *kind;
        rule.path = jsonText(body, "path").value_or("");
        rule.remaining = static_cast<int>(
            std::clamp<std::int64_t>(jsonInteger(body, "count").value_or(0), 0, 1'000'000));
        rule.info = jsonText(body, "info").value_or("");
        rule.delayMs = static_cast<int>(
            std::clamp<std::int64_t>(jsonInteger(body, "delayMs").value_or(11'000), 0, 120'000));
        addFault(rule);
    } else if (name == "faults/clear") {
        clearFaults();
    } else if (name == "log") {
        std::lock_guard lock(m_recordMutex);
        answer["log"] = m_log.toJson();
    } else if (name == "log/clear") {
        clearLog();
    } else if (name == "settlements") {
        Json list = Json::array();
        for (const Settlement& settlement : settlements()) {
            Json entry = Json::object();
            entry["kind"] = settlement.kind;
            entry["orderid"] = settlement.orderid;
            entry["reverseid"] = settlement.reverseid;
            entry["memberid"] = settlement.memberid;
            entry["totalprice"] = MoneyText::format(settlement.total);
            entry["bycash"] = MoneyText::format(settlement.cash);
            entry["bymoney"] = MoneyText::format(settlement.balance);
            entry["m_money"] = MoneyText::format(settlement.mobile);
            entry["m_orderid"] = settlement.mobileOrderid;
            list.push_back(entry);
        }
        answer["settlements"] = list;
    } else if (name == "orders") {
        Json list = Json::array();
        for (const Order& order : orders()) {
            Json entry = Json::object();
            entry["orderid"] = order.orderid;
            entry["payment"] = order.payment;
            entry["paytype"] = order.paytype;
            entry["paymoney"] = MoneyText::format(order.paymoney);
            entry["paystatus"] = order.paystatus;
            entry["is_refund"] = order.isRefund;
            entry["dynamic_id"] = order.dynamicId;
            list.push_back(entry);
        }
        answer["orders"] = list;
    } else if (name == "member") {
        auto cardnum = jsonText(body, "cardnum");
        auto found = cardnum ? member(*cardnum) : std::nullopt;
        if (!found)
            return hookError("expected {\"cardnum\":...} of a member");
        answer["money"] = MoneyText::formatExact(found->money);
        answer["freemoney"] = MoneyText::formatExact(found->freemoney);
        answer["score"] = found->score;
    } else {
        return hookError("unknown hook");
    }
    return jsonReply(200, answer);
}

} // namespace merchant
