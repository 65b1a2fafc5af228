#include "hud/ProgressHUD.h"

#include "hud/BarProgressView.h"
#include "hud/RoundProgressView.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/ActivityIndicatorView.h"
#include "platform/kit/Label.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

// Flexible left, right, top and bottom margins.
constexpr unsigned flexibleMargins = 45;

graphics::Size measureLine(const kit::Label& label)
{
    if (label.text().empty())
        return {};
    return graphics::TextMeasurer::shared()->sizeOfText(label.text(), label.font());
}

// Geometry from a caller must not turn the layout into NaN frames.
double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

} // namespace

std::shared_ptr<ProgressHUD> ProgressHUD::initWithFrame(const graphics::Rect& frame)
{
    auto hud = std::make_shared<ProgressHUD>(Private {}, frame);
    hud->setUp();
    return hud;
}

std::shared_ptr<ProgressHUD> ProgressHUD::initWithView(const std::shared_ptr<kit::View>& view)
{
    return initWithFrame(view ? view->bounds() : graphics::Rect());
}

std::shared_ptr<ProgressHUD> ProgressHUD::initWithWindow(const std::shared_ptr<kit::View>& window)
{
    return initWithView(window);
}

std::shared_ptr<ProgressHUD> ProgressHUD::showHUDAddedTo(
    const std::shared_ptr<kit::View>& view, bool animated)
{
    auto hud = initWithView(view);
    hud->setRemoveFromSuperViewOnHide(true);
    if (view)
        view->addSubview(hud);
    hud->show(animated);
    return hud;
}

bool ProgressHUD::hideHUDForView(const std::shared_ptr<kit::View>& view, bool animated)
{
    auto hud = HUDForView(view);
    if (!hud)
        return false;
    hud->setRemoveFromSuperViewOnHide(true);
    hud->hide(animated);
    return true;
}

std::size_t ProgressHUD::hideAllHUDsForView(const std::shared_ptr<kit::View>& view, bool animated)
{
    auto huds = allHUDsForView(view);
    for (const auto& hud : huds) {
        hud->setRemoveFromSuperViewOnHide(true);
        hud->hide(animated);
    }
    return huds.size();
}

std::shared_ptr<ProgressHUD> ProgressHUD::HUDForView(const std::shared_ptr<kit::View>& view)
{
    if (!view)
        return nullptr;
    const auto& subviews = view->subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        if (auto hud = std::dynamic_pointer_cast<ProgressHUD>(*it))
            return hud;
    }
    return nullptr;
}

std::vector<std::shared_ptr<ProgressHUD>> ProgressHUD::allHUDsForView(const std::shared_ptr<kit::View>& view)
{
    std::vector<std::shared_ptr<ProgressHUD>> huds;
    if (!view)
        return huds;
    for (const auto& subview : view->subviews()) {
        if (auto hud = std::dynamic_pointer_cast<ProgressHUD>(subview))
            huds.push_back(hud);
    }
    return huds;
}

ProgressHUD::ProgressHUD(Private, const graphics::Rect& frame)
    : View(frame)
{
}

ProgressHUD::~ProgressHUD()
{
    stopTimers();
}

void ProgressHUD::setUp()
{
    setContentMode(kit::ContentMode::Center);
    setAutoresizingMask(flexibleMargins);
    setOpaque(false);
    setBackgroundColor(graphics::Color::clear());
    setAlpha(0);
    setupLabels();
    updateIndicators();
}

void ProgressHUD::setupLabels()
{
    auto makeLabel = [this](const std::optional<std::string>& text, const graphics::Font& font,
                         const graphics::Color& color) {
        auto label = std::make_shared<kit::Label>(bounds());
        label->setAdjustsFontSizeToFitWidth(false);
        label->setTextAlignment(graphics::TextAlignment::Center);
        label->setOpaque(false);
        label->setBackgroundColor(graphics::Color::clear());
        label->setTextColor(color);
        label->setFont(font);
        label->setText(text);
        return label;
    };
    m_label = makeLabel(labelText(), labelFont(), labelColor());
    m_detailsLabel = makeLabel(detailsLabelText(), detailsLabelFont(), detailsLabelColor());
    m_detailsLabel->setNumberOfLines(0);
    addSubview(m_label);
    addSubview(m_detailsLabel);
}

void ProgressHUD::replaceIndicator(const std::shared_ptr<kit::View>& indicator)
{
    if (m_indicator)
        m_indicator->removeFromSuperview();
    m_indicator = indicator;
    if (m_indicator)
        addSubview(m_indicator);
}

void ProgressHUD::updateIndicators()
{
    switch (mode()) {
    case ProgressHUDMode::Indeterminate: {
        auto spinner = std::dynamic_pointer_cast<kit::ActivityIndicatorView>(m_indicator);
        if (!spinner) {
            spinner
                = std::make_shared<kit::ActivityIndicatorView>(kit::ActivityIndicatorViewStyle::WhiteLarge);
            spinner->startAnimating();
            replaceIndicator(spinner);
        }
        spinner->setColor(activityIndicatorColor());
        break;
    }
    case ProgressHUDMode::Determinate:
    case ProgressHUDMode::AnnularDeterminate: {
        auto round = std::dynamic_pointer_cast<RoundProgressView>(m_indicator);
        if (!round) {
            round = std::make_shared<RoundProgressView>();
            replaceIndicator(round);
        }
        // Never set back: a ring stays a ring when the mode returns to the pie.
        if (mode() == ProgressHUDMode::AnnularDeterminate)
            round->setAnnular(true);
        break;
    }
    case ProgressHUDMode::DeterminateHorizontalBar:
        replaceIndicator(std::make_shared<BarProgressView>());
        break;
    case ProgressHUDMode::CustomView: {
        auto custom = customView();
        if (custom != m_indicator)
            replaceIndicator(custom);
        break;
    }
    case ProgressHUDMode::Text:
        replaceIndicator(nullptr);
        break;
    }
}

void ProgressHUD::propertyDidChange(Key key)
{
    if (foundation::RunLoop::isMainThread()) {
        updateUIForKeypath(key);
        return;
    }
    std::weak_ptr<kit::View> weak = weak_from_this();
    foundation::DispatchQueue::main()->async([weak, key] {
        if (auto strong = std::static_pointer_cast<ProgressHUD>(weak.lock()))
            strong->updateUIForKeypath(key);
    });
}

void ProgressHUD::updateUIForKeypath(Key key)
{
    switch (key) {
    case Key::Mode:
    case Key::CustomView:
    case Key::ActivityIndicatorColor:
        updateIndicators();
        break;
    case Key::LabelText:
    case Key::LabelFont:
    case Key::LabelColor:
        m_label->setText(labelText());
        m_label->setFont(labelFont());
        m_label->setTextColor(labelColor());
        break;
    case Key::DetailsLabelText:
    case Key::DetailsLabelFont:
    case Key::DetailsLabelColor:
        m_detailsLabel->setText(detailsLabelText());
        m_detailsLabel->setFont(detailsLabelFont());
        m_detailsLabel->setTextColor(detailsLabelColor());
        break;
    case Key::Progress:
        // The indicator redraws itself; the box keeps its size.
        if (auto round = std::dynamic_pointer_cast<RoundProgressView>(m_indicator))
            round->setProgress(progress());
        else if (auto bar = std::dynamic_pointer_cast<BarProgressView>(m_indicator))
            bar->setProgress(progress());
        return;
    }
    setNeedsLayout();
    setNeedsDisplay();
}

void ProgressHUD::didMoveToSuperview()
{
    View::didMoveToSuperview();
    updateForCurrentOrientationAnimated(false);
}

// The application is portrait only and the toolkit rotates nothing itself,
// so following the host is all that is left to do.
void ProgressHUD::updateForCurrentOrientationAnimated(bool)
{
    auto host = superview();
    if (!host)
        return;
    setBounds(host->bounds());
    setNeedsDisplay();
}

// Show and hide.

void ProgressHUD::show(bool animated)
{
    m_useAnimation = animated;
    if (m_graceTimer)
        m_graceTimer->invalidate();
    double grace = graceTime();
    if (grace > 0) {
        // Held strongly, as by the phone's timers: an overlay nobody else keeps
        // still shows when its grace time is up.
        auto self = std::static_pointer_cast<ProgressHUD>(shared_from_this());
        m_graceTimer = foundation::Timer::scheduledTimer(
            grace, false, [self = std::move(self)] { self->handleGraceTimer(); });
        return;
    }
    showUsingAnimation(animated);
}

void ProgressHUD::handleGraceTimer()
{
    m_graceTimer.reset();
    if (taskInProgress())
        showUsingAnimation(m_useAnimation);
}

void ProgressHUD::showUsingAnimation(bool animated)
{
    foundation::RunLoop::main().cancelPreviousPerformRequests(static_cast<const kit::View*>(this));
    // A later show wins over every hide still on its way.
    ++m_hideGeneration;
    if (m_minShowTimer) {
        m_minShowTimer->invalidate();
        m_minShowTimer.reset();
    }
    setNeedsDisplay();
    ProgressHUDAnimation type = animationType();
    if (animated && type == ProgressHUDAnimation::ZoomOut)
        setTransform(m_rotationTransform.concat(graphics::AffineTransform::makeScale(1.5, 1.5)));
    else if (animated && type == ProgressHUDAnimation::ZoomIn)
        setTransform(m_rotationTransform.concat(graphics::AffineTransform::makeScale(0.5, 0.5)));
    m_showStarted = foundation::RunLoop::main().now();
    if (!animated) {
        setAlpha(1);
        return;
    }
    kit::View::animate(animationDuration, [this, type] {
        setAlpha(1);
        if (type == ProgressHUDAnimation::ZoomOut || type == ProgressHUDAnimation::ZoomIn)
            setTransform(m_rotationTransform);
    });
}

void ProgressHUD::hide(bool animated)
{
    m_useAnimation = animated;
    double minimum = minShowTime();
    if (minimum > 0 && m_showStarted) {
        double elapsed = foundation::RunLoop::main().now() - *m_showStarted;
        if (elapsed < minimum) {
            if (m_minShowTimer)
                m_minShowTimer->invalidate();
            // Held strongly, so a dropped overlay still finishes its hide and
            // reports it; firing or invalidating the timer breaks the cycle.
            auto self = std::static_pointer_cast<ProgressHUD>(shared_from_this());
            m_minShowTimer = foundation::Timer::scheduledTimer(
                minimum - elapsed, false, [self = std::move(self)] { self->handleMinShowTimer(); });
            return;
        }
    }
    hideUsingAnimation(animated);
}

void ProgressHUD::handleMinShowTimer()
{
    m_minShowTimer.reset();
    hideUsingAnimation(m_useAnimation);
}

void ProgressHUD::hideAfterDelay(bool animated, double delay)
{
    std::weak_ptr<kit::View> weak = weak_from_this();
    foundation::RunLoop::main().performAfterDelay(shared_from_this(), delay, [weak, animated] {
        if (auto strong = std::static_pointer_cast<ProgressHUD>(weak.lock()))
            strong->hide(animated);
    });
}

void ProgressHUD::hideUsingAnimation(bool animated)
{
    bool wasShown = m_showStarted.has_value();
    m_showStarted.reset();
    if (!animated || !wasShown) {
        setAlpha(0);
        done();
        return;
    }
    ProgressHUDAnimation type = animationType();
    std::uint64_t generation = m_hideGeneration;
    // The animation keeps the overlay alive until it ends, as a running
    // fade would on the phone.
    auto self = std::static_pointer_cast<ProgressHUD>(shared_from_this());
    kit::View::animate(
        animationDuration,
        [this, type] {
            if (type == ProgressHUDAnimation::ZoomOut)
                setTransform(m_rotationTransform.concat(graphics::AffineTransform::makeScale(0.5, 0.5)));
            else if (type == ProgressHUDAnimation::ZoomIn)
                setTransform(m_rotationTransform.concat(graphics::AffineTransform::makeScale(1.5, 1.5)));
            // Not 0: a fully transparent view would stop taking part before the fade ends.
            setAlpha(0.02);
        },
        [self, generation](bool) {
            if (self->m_hideGeneration == generation)
                self->done();
        });
}

void ProgressHUD::done()
{
    auto protect = shared_from_this();
    foundation::RunLoop::main().cancelPreviousPerformRequests(static_cast<const kit::View*>(this));
    setAlpha(0);
    if (removeFromSuperViewOnHide())
        removeFromSuperview();
    CompletionBlock completion;
    {
        std::lock_guard lock(m_mutex);
        completion = std::exchange(m_completionBlock, nullptr);
    }
    if (completion)
        completion(); // May drop every other reference to this overlay.
    if (auto delegate = this->delegate())
        delegate->hudWasHidden(*this);
}

void ProgressHUD::stopTimers()
{
    if (m_graceTimer)
        m_graceTimer->invalidate();
    if (m_minShowTimer)
        m_minShowTimer->invalidate();
}

// Work bound to the overlay.

void ProgressHUD::showWhileExecuting(ExecutionBlock method, bool animated)
{
    setTaskInProgress(true);
    auto self = std::static_pointer_cast<ProgressHUD>(shared_from_this());
    std::thread([method = std::move(method), self]() mutable {
        if (method)
            method();
        foundation::DispatchQueue::main()->async([self = std::move(self)] { self->cleanUp(); });
    }).detach();
    show(animated);
}

void ProgressHUD::showAnimatedWhileExecutingBlock(bool animated, ExecutionBlock block)
{
    showAnimatedWhileExecutingBlock(animated, std::move(block), foundation::DispatchQueue::global(), nullptr);
}

void ProgressHUD::showAnimatedWhileExecutingBlock(
    bool animated, ExecutionBlock block, CompletionBlock completion)
{
    showAnimatedWhileExecutingBlock(
        animated, std::move(block), foundation::DispatchQueue::global(), std::move(completion));
}

void ProgressHUD::showAnimatedWhileExecutingBlock(
    bool animated, ExecutionBlock block, const std::shared_ptr<foundation::DispatchQueue>& queue)
{
    showAnimatedWhileExecutingBlock(animated, std::move(block), queue, nullptr);
}

void ProgressHUD::showAnimatedWhileExecutingBlock(bool animated, ExecutionBlock block,
    const std::shared_ptr<foundation::DispatchQueue>& queue, CompletionBlock completion)
{
    setTaskInProgress(true);
    setCompletionBlock(std::move(completion));
    auto self = std::static_pointer_cast<ProgressHUD>(shared_from_this());
    auto target = queue ? queue : foundation::DispatchQueue::global();
    target->async([block = std::move(block), self]() mutable {
        if (block)
            block();
        foundation::DispatchQueue::main()->async([self = std::move(self)] { self->cleanUp(); });
    });
    show(animated);
}

void ProgressHUD::cleanUp()
{
    setTaskInProgress(false);
    hide(m_useAnimation);
}

// Layout and drawing.

void ProgressHUD::layoutSubviews()
{
    if (auto host = superview())
        setFrame(host->bounds());
    graphics::Rect all = bounds();
    double W = all.width();
    double H = all.height();
    double m = finiteOr(margin(), 20);
    double xShift = finiteOr(xOffset(), 0);
    double yShift = finiteOr(yOffset(), 0);
    double maxWidth = W - 4 * m;
    double totalW = 0;
    double totalH = 0;

    graphics::Size indicatorSize = m_indicator ? m_indicator->bounds().size : graphics::Size();
    indicatorSize.width = std::min(indicatorSize.width, maxWidth);
    totalW = std::max(totalW, indicatorSize.width);
    totalH += indicatorSize.height;

    graphics::Size labelSize = measureLine(*m_label);
    labelSize.width = std::min(labelSize.width, maxWidth);
    totalW = std::max(totalW, labelSize.width);
    totalH += labelSize.height;
    if (indicatorSize.height > 0 && labelSize.height > 0)
        totalH += padding;

    graphics::Size detailsSize;
    if (!m_detailsLabel->text().empty()) {
        graphics::Size limit { maxWidth, H - totalH - padding - 4 * m };
        detailsSize = graphics::TextMeasurer::shared()->boundingSize(
            m_detailsLabel->text(), m_detailsLabel->font(), limit);
    }
    totalW = std::max(totalW, detailsSize.width);
    totalH += detailsSize.height;
    if ((indicatorSize.height > 0 || labelSize.height > 0) && detailsSize.height > 0)
        totalH += padding;

    totalW += 2 * m;
    totalH += 2 * m;

    double y = std::round((H - totalH) / 2) + m + yShift;
    if (m_indicator) {
        m_indicator->setFrame({ std::round((W - indicatorSize.width) / 2) + xShift, y, indicatorSize.width,
            indicatorSize.height });
    }
    y += indicatorSize.height;
    if (indicatorSize.height > 0 && labelSize.height > 0)
        y += padding;
    m_label->setFrame(
        { std::round((W - labelSize.width) / 2) + xShift, y, labelSize.width, labelSize.height });
    y += labelSize.height;
    if ((indicatorSize.height > 0 || labelSize.height > 0) && detailsSize.height > 0)
        y += padding;
    m_detailsLabel->setFrame(
        { std::round((W - detailsSize.width) / 2) + xShift, y, detailsSize.width, detailsSize.height });

    if (isSquare()) {
        double side = std::max(totalW, totalH);
        if (side <= W - 2 * m)
            totalW = side;
        if (side <= H - 2 * m)
            totalH = side;
    }
    graphics::Size smallest = minSize();
    write(m_size, graphics::Size(std::max(totalW, smallest.width), std::max(totalH, smallest.height)));
}

void ProgressHUD::drawRect(graphics::DrawingContext& context, const graphics::Rect&)
{
    graphics::Rect all = bounds();
    double W = all.width();
    double H = all.height();
    context.saveGState();
    // The gradient spreads past its end radius; it must stop at this view's edges.
    context.clipToRect(all);
    if (dimBackground()) {
        graphics::Point center { all.midX(), all.midY() };
        context.drawRadialGradient(
            { { 0.0, graphics::Color(0, 0, 0, 0) }, { 1.0, graphics::Color(0, 0, 0, 0.75) } }, center, 0,
            std::min(W, H));
    }
    context.setFillColor(color().value_or(graphics::Color::fromWhite(0, opacity())));

    graphics::Size box = size();
    double r = finiteOr(cornerRadius(), 0);
    graphics::Rect boxRect { std::round((W - box.width) / 2) + finiteOr(xOffset(), 0),
        std::round((H - box.height) / 2) + finiteOr(yOffset(), 0), box.width, box.height };
    constexpr double pi = std::numbers::pi;
    context.beginPath();
    context.moveTo({ boxRect.minX() + r, boxRect.minY() });
    context.addArc({ boxRect.maxX() - r, boxRect.minY() + r }, r, 3 * pi / 2, 0, false);
    context.addArc({ boxRect.maxX() - r, boxRect.maxY() - r }, r, 0, pi / 2, false);
    context.addArc({ boxRect.minX() + r, boxRect.maxY() - r }, r, pi / 2, pi, false);
    context.addArc({ boxRect.minX() + r, boxRect.minY() + r }, r, pi, 3 * pi / 2, false);
    context.closePath();
    context.fillPath();
    context.restoreGState();
}

// Properties.

ProgressHUDMode ProgressHUD::mode() const
{
    return read(m_mode);
}
void ProgressHUD::setMode(ProgressHUDMode mode)
{
    write(m_mode, mode);
    propertyDidChange(Key::Mode);
}

ProgressHUDAnimation ProgressHUD::animationType() const
{
    return read(m_animationType);
}
void ProgressHUD::setAnimationType(ProgressHUDAnimation type)
{
    write(m_animationType, type);
}

std::shared_ptr<ProgressHUDDelegate> ProgressHUD::delegate() const
{
    return read(m_delegate).lock();
}
void ProgressHUD::setDelegate(const std::weak_ptr<ProgressHUDDelegate>& delegate)
{
    write(m_delegate, delegate);
}

std::optional<std::string> ProgressHUD::labelText() const
{
    return read(m_labelText);
}
void ProgressHUD::setLabelText(const std::optional<std::string>& text)
{
    write(m_labelText, text);
    propertyDidChange(Key::LabelText);
}

std::optional<std::string> ProgressHUD::detailsLabelText() const
{
    return read(m_detailsLabelText);
}
void ProgressHUD::setDetailsLabelText(const std::optional<std::string>& text)
{
    write(m_detailsLabelText, text);
    propertyDidChange(Key::DetailsLabelText);
}

float ProgressHUD::opacity() const
{
    return read(m_opacity);
}
void ProgressHUD::setOpacity(float opacity)
{
    write(m_opacity, opacity);
}

std::optional<graphics::Color> ProgressHUD::color() const
{
    return read(m_color);
}
void ProgressHUD::setColor(const std::optional<graphics::Color>& color)
{
    write(m_color, color);
}

graphics::Font ProgressHUD::labelFont() const
{
    return read(m_labelFont);
}
void ProgressHUD::setLabelFont(const graphics::Font& font)
{
    write(m_labelFont, font);
    propertyDidChange(Key::LabelFont);
}

graphics::Color ProgressHUD::labelColor() const
{
    return read(m_labelColor);
}
void ProgressHUD::setLabelColor(const graphics::Color& color)
{
    write(m_labelColor, color);
    propertyDidChange(Key::LabelColor);
}

graphics::Font ProgressHUD::detailsLabelFont() const
{
    return read(m_detailsLabelFont);
}
void ProgressHUD::setDetailsLabelFont(const graphics::Font& font)
{
    write(m_detailsLabelFont, font);
    propertyDidChange(Key::DetailsLabelFont);
}

graphics::Color ProgressHUD::detailsLabelColor() const
{
    return read(m_detailsLabelColor);
}
void ProgressHUD::setDetailsLabelColor(const graphics::Color& color)
{
    write(m_detailsLabelColor, color);
    propertyDidChange(Key::DetailsLabelColor);
}

graphics::Color ProgressHUD::activityIndicatorColor() const
{
    return read(m_activityIndicatorColor);
}
void ProgressHUD::setActivityIndicatorColor(const graphics::Color& color)
{
    write(m_activityIndicatorColor, color);
    propertyDidChange(Key::ActivityIndicatorColor);
}

float ProgressHUD::xOffset() const
{
    return read(m_xOffset);
}
void ProgressHUD::setXOffset(float offset)
{
    write(m_xOffset, offset);
}
float ProgressHUD::yOffset() const
{
    return read(m_yOffset);
}
void ProgressHUD::setYOffset(float offset)
{
    write(m_yOffset, offset);
}
float ProgressHUD::margin() const
{
    return read(m_margin);
}
void ProgressHUD::setMargin(float margin)
{
    write(m_margin, margin);
}
float ProgressHUD::cornerRadius() const
{
    return read(m_cornerRadius);
}
void ProgressHUD::setCornerRadius(float radius)
{
    write(m_cornerRadius, radius);
}
bool ProgressHUD::dimBackground() const
{
    return read(m_dimBackground);
}
void ProgressHUD::setDimBackground(bool dim)
{
    write(m_dimBackground, dim);
}
float ProgressHUD::graceTime() const
{
    return read(m_graceTime);
}
void ProgressHUD::setGraceTime(float seconds)
{
    write(m_graceTime, seconds);
}
float ProgressHUD::minShowTime() const
{
    return read(m_minShowTime);
}
void ProgressHUD::setMinShowTime(float seconds)
{
    write(m_minShowTime, seconds);
}
bool ProgressHUD::removeFromSuperViewOnHide() const
{
    return read(m_removeFromSuperViewOnHide);
}
void ProgressHUD::setRemoveFromSuperViewOnHide(bool remove)
{
    write(m_removeFromSuperViewOnHide, remove);
}
graphics::Size ProgressHUD::minSize() const
{
    return read(m_minSize);
}
void ProgressHUD::setMinSize(const graphics::Size& size)
{
    write(m_minSize, size);
}
bool ProgressHUD::isSquare() const
{
    return read(m_square);
}
void ProgressHUD::setSquare(bool square)
{
    write(m_square, square);
}

float ProgressHUD::progress() const
{
    return read(m_progress);
}
void ProgressHUD::setProgress(float progress)
{
    write(m_progress, progress);
    propertyDidChange(Key::Progress);
}

std::shared_ptr<kit::View> ProgressHUD::customView() const
{
    return read(m_customView);
}
void ProgressHUD::setCustomView(const std::shared_ptr<kit::View>& view)
{
    write(m_customView, view);
    propertyDidChange(Key::CustomView);
}

ProgressHUD::CompletionBlock ProgressHUD::completionBlock() const
{
    return read(m_completionBlock);
}
void ProgressHUD::setCompletionBlock(CompletionBlock block)
{
    write(m_completionBlock, std::move(block));
}
bool ProgressHUD::taskInProgress() const
{
    return read(m_taskInProgress);
}
void ProgressHUD::setTaskInProgress(bool inProgress)
{
    write(m_taskInProgress, inProgress);
}
graphics::Size ProgressHUD::size() const
{
    return read(m_size);
}
