#pragma once

#include "platform/kit/ActivityIndicatorView.h"
#include "platform/kit/ImageView.h"

#include <memory>

// The arrow and the spinner of the normal controls. Both are made on first
// use as subviews of the control, which owns them; a view taken out of the
// control is made again on the next use.
class RefreshIndicators {
public:
    explicit RefreshIndicators(kit::View& control)
        : m_control(control)
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

private:
    // The control owns this object, so the reference never dangles.
    kit::View& m_control;
    std::weak_ptr<kit::ImageView> m_arrowView;
    std::weak_ptr<kit::ActivityIndicatorView> m_loadingView;
    kit::ActivityIndicatorViewStyle m_style = kit::ActivityIndicatorViewStyle::Gray;
};
