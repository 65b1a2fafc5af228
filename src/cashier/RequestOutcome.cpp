#include "cashier/RequestOutcome.h"

std::shared_ptr<RequestOutcome> RequestOutcome::create(std::function<void(Kind)> onSettled)
{
    return std::make_shared<RequestOutcome>(std::move(onSettled));
}

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

void RequestOutcome::answered()
{
    m_flags->answered = true;
}

NetUtilSign::FailureCallback RequestOutcome::failureWatch(const std::weak_ptr<RequestOutcome>& outcome)
{
    return [outcome](NetUtilSign::Failure failure) {
        auto held = outcome.lock();
        if (held && failure == NetUtilSign::Failure::KeyRefused)
            held->m_flags->refused = true;
    };
}

void RequestOutcome::sendReturned(const std::weak_ptr<RequestOutcome>& outcome)
{
    if (auto held = outcome.lock())
        held->m_flags->sent = true;
}
