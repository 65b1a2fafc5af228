#pragma once

#include "refresh/RefreshIndicators.h"

#include <memory>

// What the normal header and footers add to the state control each extends:
// a spinner (and, for those that show one, an arrow) beside the text.
template<class StateControl> class RefreshSpinnerMixin : public StateControl {
public:
    explicit RefreshSpinnerMixin(typename StateControl::Token token,
        RefreshIndicators::ArrowAtRest arrowAtRest = RefreshIndicators::ArrowAtRest::Upright)
        : StateControl(token)
        , m_indicators(*this, arrowAtRest)
    {
    }

    std::shared_ptr<kit::ActivityIndicatorView> loadingView() { return m_indicators.loadingView(); }
    kit::ActivityIndicatorViewStyle activityIndicatorViewStyle() const
    {
        return m_indicators.activityIndicatorViewStyle();
    }
    void setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle style)
    {
        m_indicators.setActivityIndicatorViewStyle(style);
    }

protected:
    void prepare() override
    {
        StateControl::prepare();
        m_indicators.setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle::Gray);
    }

    RefreshIndicators m_indicators;
};
