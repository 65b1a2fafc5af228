#pragma once

#include "platform/graphics/Color.h"
#include "platform/kit/View.h"

// A determinate progress indicator drawn as a pie filling clockwise from
// twelve o'clock, or as a ring when annular. Every property change redraws.
class RoundProgressView : public kit::View {
public:
    RoundProgressView();
    explicit RoundProgressView(const graphics::Rect& frame);

    float progress() const { return m_progress; }
    void setProgress(float progress);
    graphics::Color progressTintColor() const { return m_progressTintColor; }
    void setProgressTintColor(const graphics::Color& color);
    graphics::Color backgroundTintColor() const { return m_backgroundTintColor; }
    void setBackgroundTintColor(const graphics::Color& color);
    bool isAnnular() const { return m_annular; }
    void setAnnular(bool annular);

    void drawRect(graphics::DrawingContext& context, const graphics::Rect& rect) override;

private:
    float m_progress = 0;
    graphics::Color m_progressTintColor = graphics::Color::fromWhite(1.0, 1.0);
    graphics::Color m_backgroundTintColor = graphics::Color::fromWhite(1.0, 0.1);
    bool m_annular = false;
};
