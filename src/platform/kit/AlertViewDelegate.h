#pragma once

namespace kit {

class AlertView;

class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;

    // The alert is still the visible one during this call; it goes away
    // when the call returns, unless the handler showed it again.
    virtual void alertViewClickedButtonAtIndex(AlertView& alertView, int buttonIndex) = 0;
};

} // namespace kit
