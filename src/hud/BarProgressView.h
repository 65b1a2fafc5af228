#pragma once

#include "platform/graphics/Color.h"
#include "platform/kit/View.h"

// A determinate progress indicator drawn as a rounded bar that fills from
// the left. Every property change redraws.
class BarProgressView : public kit::View {
public:
    BarProgressView();
    explicit BarProgressView(const graphics::Rect& frame);

    float progress() const { return m_progress; }
    void setProgress(float progress);
    graphics::Color lineColor() const { return m_lineColor; }
    void setLineColor(const graphics::Color& color);
    graphics::Color progressRemainingColor() const { return m_progressRemainingColor; }
    void setProgressRemainingColor(const graphics::Color& color);
    graphics::Color progressColor() const { return m_progressColor; }
    void setProgressColor(const graphics::Color& color);

    void drawRect(graphics::DrawingContext& context, const graphics::Rect& rect) override;

private:
    float m_progress = 0;
    graphics::Color m_lineColor = graphics::Color::white();
    graphics::Color m_progressRemainingColor = graphics::Color::clear();
    graphics::Color m_progressColor = graphics::Color::white();
};
