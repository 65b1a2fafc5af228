#include "cashier/RequestOutcome.h"

#include "api/JsonUtil.h"

RequestOutcome::RequestOutcome(std::function<void(Kind)> onSettled)
    : m_flags(std::make_shared<Flags>())
    , m_settled(RequestSettledToken::create([flags = m_flags, onSettled = std::move(onSettled)] {
        if (!onSettled)
            return;
        onSettled(flags->answered ? Kind::Answered
                : flags->refused  ? Kind::Refused
                : flags->sent     ? Kind::Lost
                                  : Kind::NotSent);
    }))
{
}

bool RequestOutcome::readsAsAnswer(const std::optional<foundation::Json>& reply)
{
    return reply && reply->is_object() && reply->contains("status");
}

void RequestOutcome::tell(TillLedger& ledger, TillLedger::Id id, Kind kind)
{
    switch (kind) {
    case Kind::Answered:
        ledger.answered(id);
        break;
    case Kind::Lost:
        ledger.lost(id);
        break;
    case Kind::NotSent:
    case Kind::Refused:
        ledger.notRead(id);
        break;
    }
}

void RequestOutcome::post(std::string_view path, const std::optional<std::string>& progressText,
    const NetUtilSign::Parameters& parameters, int keyFlag, ReplyCallback onReply,
    std::function<void(Kind)> onSettled)
{
    auto outcome = std::make_shared<RequestOutcome>(std::move(onSettled));
    std::weak_ptr<RequestOutcome> watch = outcome;
    // The reply block holds the only copy of the outcome: it reports when
    // the client lets the block go, after its last call or without one.
    NetUtilSign::doPostMoney(
        path, progressText, keyFlag, parameters,
        [onReply = std::move(onReply), outcome = std::move(outcome)](
            const std::optional<std::string>& reply) {
            if (onReply(JsonUtil::getJSONObject(reply)))
                outcome->m_flags->answered = true;
        },
        [watch](NetUtilSign::Failure failure) {
            auto held = watch.lock();
            if (held && failure == NetUtilSign::Failure::KeyRefused)
                held->m_flags->refused = true;
        });
    // The client still holds the reply block only when the request went out.
    if (auto held = watch.lock())
        held->m_flags->sent = true;
}
