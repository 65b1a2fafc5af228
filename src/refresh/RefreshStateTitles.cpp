#include "refresh/RefreshStateTitles.h"

#include "refresh/LazySubview.h"
#include "refresh/RefreshLabel.h"

std::shared_ptr<kit::Label> RefreshStateTitles::label()
{
    return lazySubview(m_control, m_label, refreshLabel);
}

void RefreshStateTitles::setTitle(
    const std::optional<std::string>& title, RefreshState state, RefreshState shownState)
{
    if (!title)
        return;
    m_titles[state] = *title;
    show(shownState);
}

void RefreshStateTitles::show(RefreshState state)
{
    auto it = m_titles.find(state);
    bool blank = it == m_titles.end() || (state == RefreshState::Refreshing && m_refreshingTitleHidden);
    label()->setText(blank ? std::string() : it->second);
}
