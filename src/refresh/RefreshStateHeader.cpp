#include "refresh/RefreshStateHeader.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/UserDefaults.h"
#include "refresh/FrameShorthand.h"
#include "refresh/LazySubview.h"
#include "refresh/RefreshLabel.h"

#include <cmath>

RefreshStateHeader::RefreshStateHeader(Token token)
    : RefreshHeader(token)
{
}

std::shared_ptr<RefreshStateHeader> RefreshStateHeader::headerWithRefreshingBlock(RefreshingBlock block)
{
    return makeWithBlock<RefreshStateHeader>(std::move(block));
}

std::shared_ptr<kit::Label> RefreshStateHeader::lastUpdatedTimeLabel()
{
    return lazySubview(*this, m_lastUpdatedTimeLabel, refreshLabel);
}

void RefreshStateHeader::setTitle(const std::optional<std::string>& title, RefreshState state)
{
    m_titles.setTitle(title, state, this->state());
}

void RefreshStateHeader::prepare()
{
    RefreshHeader::prepare();
    setTitle("下拉可以刷新", RefreshState::Idle);
    setTitle("松开立即刷新", RefreshState::Pulling);
    setTitle("正在刷新数据中...", RefreshState::Refreshing);
}

std::string RefreshStateHeader::timeText(std::optional<double> secondsSince1970) const
{
    if (m_lastUpdatedTimeText)
        return m_lastUpdatedTimeText(secondsSince1970);
    if (!secondsSince1970 || !std::isfinite(*secondsSince1970))
        return "最后更新：无记录";
    auto stored = static_cast<std::int64_t>(std::floor(*secondsSince1970));
    auto now = static_cast<std::int64_t>(std::floor(foundation::Clock::current()->now()));
    auto storedDay = foundation::DateFormatter::localDay(stored);
    auto today = foundation::DateFormatter::localDay(now);
    const char* pattern = "yyyy-MM-dd HH:mm";
    if (storedDay && today && storedDay->year == today->year)
        pattern
            = storedDay->month == today->month && storedDay->day == today->day ? "今天 HH:mm" : "MM-dd HH:mm";
    return "最后更新：" + foundation::DateFormatter(pattern).stringFromDate(stored);
}

void RefreshStateHeader::setLastUpdatedTimeKey(std::string key)
{
    RefreshHeader::setLastUpdatedTimeKey(std::move(key));
    lastUpdatedTimeLabel()->setText(timeText(lastUpdatedTime()));
}

void RefreshStateHeader::setState(RefreshState state)
{
    RefreshState old = this->state();
    if (state == old)
        return;
    // First, so that a refresh that has just ended has stored its time.
    RefreshHeader::setState(state);
    m_titles.show(state);
    setLastUpdatedTimeKey(lastUpdatedTimeKey());
}

void RefreshStateHeader::placeSubviews()
{
    RefreshHeader::placeSubviews();
    auto state = stateLabel();
    if (state->isHidden())
        return;
    auto time = lastUpdatedTimeLabel();
    if (time->isHidden()) {
        state->setFrame(bounds());
        return;
    }
    double width = rfW(*this);
    double height = rfH(*this);
    state->setFrame({ 0, 0, width, height / 2 });
    double timeY = rfH(*state);
    time->setFrame({ 0, timeY, width, height - timeY });
}
