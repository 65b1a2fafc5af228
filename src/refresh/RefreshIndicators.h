#pragma once

#include "platform/kit/ActivityIndicatorView.h"
#include "platform/kit/ImageView.h"
#include "refresh/RefreshComponent.h"

#include <memory>

// The arrow and the spinner of the normal controls. Both are made on first
// use as subviews of the control, which owns them; a view taken out of the
// control is made again on the next use.
class RefreshIndicators {
public:
    // Headers show the arrow upright at rest and turned while pulling;
    // pull-up footers the other way round.
    enum class ArrowAtRest { Upright, Turned };

    explicit RefreshIndicators(RefreshComponent& control, ArrowAtRest atRest = ArrowAtRest::Upright)
        : m_control(control)
        , m_atRest(atRest)
    {
    }

    std::shared_ptr<kit::ImageView> arrowView();
    std::shared_ptr<kit::ActivityIndicatorView> loadingView();
    kit::ActivityIndicatorViewStyle activityIndicatorViewStyle() const { return m_style; }
    void setActivityIndicatorViewStyle(kit::ActivityIndicatorViewStyle style);

    // Not a half turn exactly: a rotation of exactly pi has no preferred
    // direction on the phone, and the arrow must turn the same way every time.
    static graphics::AffineTransform turnedArrow();

    // The arrow at its image's size, left of the centred text (or centred
    // when the text is hidden), and the spinner in its place.
    void place(bool textShown);

    // The arrow while idle or pulling, the spinner while refreshing, neither
    // once there is no more data. After a refresh the spinner fades out
    // before the arrow comes back.
    void showState(RefreshState state, RefreshState old);

private:
    void showArrow(const graphics::AffineTransform& turn);

    // The control owns this object, so the reference never dangles.
    RefreshComponent& m_control;
    ArrowAtRest m_atRest;
    std::weak_ptr<kit::ImageView> m_arrowView;
    std::weak_ptr<kit::ActivityIndicatorView> m_loadingView;
    kit::ActivityIndicatorViewStyle m_style = kit::ActivityIndicatorViewStyle::Gray;
};
