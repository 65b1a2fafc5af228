#pragma once

#include "platform/kit/View.h"

#include <optional>

namespace kit {

// The phone toolkit's numbering: 0 is the large white spinner.
enum class ActivityIndicatorViewStyle { WhiteLarge = 0, White = 1, Gray = 2 };

// A spinner. Its size comes from its style (37 points for the large one,
// 20 for the others); it hides itself while stopped unless told not to.
class ActivityIndicatorView : public View {
public:
    explicit ActivityIndicatorView(ActivityIndicatorViewStyle style = ActivityIndicatorViewStyle::White);

    static double sideForStyle(ActivityIndicatorViewStyle style);

    ActivityIndicatorViewStyle activityIndicatorViewStyle() const { return m_style; }
    // Resizes to the style's size around the current centre.
    void setActivityIndicatorViewStyle(ActivityIndicatorViewStyle style);
    // The style's colour (white, or grey for Gray) unless one is set.
    graphics::Color color() const;
    void setColor(const std::optional<graphics::Color>& color);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_animating; }
    bool hidesWhenStopped() const { return m_hidesWhenStopped; }
    void setHidesWhenStopped(bool hides);

    graphics::Size sizeThatFits(const graphics::Size& size) const override;

private:
    ActivityIndicatorViewStyle m_style;
    std::optional<graphics::Color> m_color;
    bool m_animating = false;
    bool m_hidesWhenStopped = true;
};

} // namespace kit
