#pragma once

#include "platform/kit/Label.h"
#include "refresh/RefreshConstants.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

// The title of each state of a control and the label that shows the one for
// the control's state. The label is made on first use as a subview of the
// control, which owns this object.
class RefreshStateTitles {
public:
    explicit RefreshStateTitles(kit::View& control)
        : m_control(control)
    {
    }

    const std::map<RefreshState, std::string>& titles() const { return m_titles; }
    std::shared_ptr<kit::Label> label();
    // Null when the label has not been made or was taken out of the control.
    std::shared_ptr<kit::Label> labelIfMade() const { return m_label.lock(); }

    // An absent title is ignored; a stored one is shown at once if it is the
    // title of `shownState`.
    void setTitle(const std::optional<std::string>& title, RefreshState state, RefreshState shownState);
    // A state without a title, or refreshing while its title is hidden,
    // shows no text.
    void show(RefreshState state);

    bool isRefreshingTitleHidden() const { return m_refreshingTitleHidden; }
    void setRefreshingTitleHidden(bool hidden) { m_refreshingTitleHidden = hidden; }

private:
    kit::View& m_control;
    std::map<RefreshState, std::string> m_titles;
    std::weak_ptr<kit::Label> m_label;
    bool m_refreshingTitleHidden = false;
};
