#pragma once

#include "hud/ProgressHUDDelegate.h"
#include "platform/foundation/Timer.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/kit/View.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace foundation {
class DispatchQueue;
}

namespace kit {
class Label;
}

// The numbers are kept because callers may hold codes outside the list; an
// unknown code leaves the indicator as it is.
enum class ProgressHUDMode : std::int32_t {
    Indeterminate = 0,
    Determinate = 1,
    DeterminateHorizontalBar = 2,
    AnnularDeterminate = 3,
    CustomView = 4,
    Text = 5,
};

enum class ProgressHUDAnimation : std::int32_t {
    Fade = 0,
    // Appears from 1.5x and leaves towards 0.5x.
    ZoomOut = 1,
    // Appears from 0.5x and leaves towards 1.5x.
    ZoomIn = 2,
};

// A modal progress box: covers its host view and shows, centred, a dark
// rounded box with an indicator and up to two labels.
//
//     auto hud = ProgressHUD::initWithView(window);
//     window->addSubview(hud);
//     hud->show(true);
//     hud->setLabelText("请求支付中...");
//     ...
//     hud->hide(true);
//
// Properties may be set from any thread; the views follow on the main
// thread. Everything else is main-thread only.
class ProgressHUD : public kit::View {
public:
    using CompletionBlock = std::function<void()>;
    using ExecutionBlock = std::function<void()>;

    static constexpr double animationDuration = 0.30;
    static constexpr double padding = 4;

    // Sized to the view's bounds (zero when there is no view); not added.
    static std::shared_ptr<ProgressHUD> initWithView(const std::shared_ptr<kit::View>& view);
    static std::shared_ptr<ProgressHUD> initWithWindow(const std::shared_ptr<kit::View>& window);
    static std::shared_ptr<ProgressHUD> initWithFrame(const graphics::Rect& frame);

    static std::shared_ptr<ProgressHUD> showHUDAddedTo(const std::shared_ptr<kit::View>& view, bool animated);
    static bool hideHUDForView(const std::shared_ptr<kit::View>& view, bool animated);
    static std::size_t hideAllHUDsForView(const std::shared_ptr<kit::View>& view, bool animated);
    // The overlay nearest the front among the view's subviews.
    static std::shared_ptr<ProgressHUD> HUDForView(const std::shared_ptr<kit::View>& view);
    static std::vector<std::shared_ptr<ProgressHUD>> allHUDsForView(const std::shared_ptr<kit::View>& view);

    struct Private { };
    ProgressHUD(Private, const graphics::Rect& frame);
    ~ProgressHUD() override;

    void show(bool animated);
    void hide(bool animated);
    void hideAfterDelay(bool animated, double delay);

    // Runs the work off the main thread and hides the overlay when it ends.
    void showWhileExecuting(ExecutionBlock method, bool animated);
    void showAnimatedWhileExecutingBlock(bool animated, ExecutionBlock block);
    void showAnimatedWhileExecutingBlock(bool animated, ExecutionBlock block, CompletionBlock completion);
    void showAnimatedWhileExecutingBlock(
        bool animated, ExecutionBlock block, const std::shared_ptr<foundation::DispatchQueue>& queue);
    void showAnimatedWhileExecutingBlock(bool animated, ExecutionBlock block,
        const std::shared_ptr<foundation::DispatchQueue>& queue, CompletionBlock completion);

    ProgressHUDMode mode() const;
    void setMode(ProgressHUDMode mode);
    ProgressHUDAnimation animationType() const;
    void setAnimationType(ProgressHUDAnimation type);
    std::shared_ptr<ProgressHUDDelegate> delegate() const;
    void setDelegate(const std::weak_ptr<ProgressHUDDelegate>& delegate);
    std::optional<std::string> labelText() const;
    void setLabelText(const std::optional<std::string>& text);
    std::optional<std::string> detailsLabelText() const;
    void setDetailsLabelText(const std::optional<std::string>& text);
    float opacity() const;
    void setOpacity(float opacity);
    std::optional<graphics::Color> color() const;
    void setColor(const std::optional<graphics::Color>& color);
    graphics::Font labelFont() const;
    void setLabelFont(const graphics::Font& font);
    graphics::Color labelColor() const;
    void setLabelColor(const graphics::Color& color);
    graphics::Font detailsLabelFont() const;
    void setDetailsLabelFont(const graphics::Font& font);
    graphics::Color detailsLabelColor() const;
    void setDetailsLabelColor(const graphics::Color& color);
    graphics::Color activityIndicatorColor() const;
    void setActivityIndicatorColor(const graphics::Color& color);
    float xOffset() const;
    void setXOffset(float offset);
    float yOffset() const;
    void setYOffset(float offset);
    float margin() const;
    void setMargin(float margin);
    float cornerRadius() const;
    void setCornerRadius(float radius);
    bool dimBackground() const;
    void setDimBackground(bool dim);
    float graceTime() const;
    void setGraceTime(float seconds);
    float minShowTime() const;
    void setMinShowTime(float seconds);
    bool removeFromSuperViewOnHide() const;
    void setRemoveFromSuperViewOnHide(bool remove);
    graphics::Size minSize() const;
    void setMinSize(const graphics::Size& size);
    bool isSquare() const;
    void setSquare(bool square);
    float progress() const;
    void setProgress(float progress);
    std::shared_ptr<kit::View> customView() const;
    void setCustomView(const std::shared_ptr<kit::View>& view);
    CompletionBlock completionBlock() const;
    void setCompletionBlock(CompletionBlock block);
    bool taskInProgress() const;
    void setTaskInProgress(bool inProgress);
    graphics::Size size() const;

    std::shared_ptr<kit::View> indicator() const { return m_indicator; }
    const std::shared_ptr<foundation::Timer>& graceTimer() const { return m_graceTimer; }
    const std::shared_ptr<foundation::Timer>& minShowTimer() const { return m_minShowTimer; }
    // Steady run-loop time of the last show; absent while hidden.
    std::optional<double> showStarted() const { return m_showStarted; }
    const std::shared_ptr<kit::Label>& label() const { return m_label; }
    const std::shared_ptr<kit::Label>& detailsLabel() const { return m_detailsLabel; }

    void layoutSubviews() override;
    void drawRect(graphics::DrawingContext& context, const graphics::Rect& rect) override;
    void didMoveToSuperview() override;

private:
    enum class Key {
        Mode,
        CustomView,
        LabelText,
        LabelFont,
        LabelColor,
        DetailsLabelText,
        DetailsLabelFont,
        DetailsLabelColor,
        Progress,
        ActivityIndicatorColor,
    };

    void setUp();
    void setupLabels();
    void updateIndicators();
    void replaceIndicator(const std::shared_ptr<kit::View>& indicator);
    void propertyDidChange(Key key);
    void updateUIForKeypath(Key key);
    void updateForCurrentOrientationAnimated(bool animated);

    void handleGraceTimer();
    void handleMinShowTimer();
    void showUsingAnimation(bool animated);
    void hideUsingAnimation(bool animated);
    void done();
    void cleanUp();
    void beginTask(bool animated);
    void stopTimers();

    template<class T> T read(const T& field) const
    {
        std::lock_guard lock(m_mutex);
        return field;
    }
    template<class T> void write(T& field, T value)
    {
        std::lock_guard lock(m_mutex);
        field = std::move(value);
    }

    // Guards every property below, which other threads may set.
    mutable std::mutex m_mutex;
    ProgressHUDMode m_mode = ProgressHUDMode::Indeterminate;
    ProgressHUDAnimation m_animationType = ProgressHUDAnimation::Fade;
    std::weak_ptr<ProgressHUDDelegate> m_delegate;
    std::optional<std::string> m_labelText;
    std::optional<std::string> m_detailsLabelText;
    float m_opacity = 0.8f;
    std::optional<graphics::Color> m_color;
    graphics::Font m_labelFont = graphics::Font::boldSystemFont(16);
    graphics::Color m_labelColor = graphics::Color::white();
    graphics::Font m_detailsLabelFont = graphics::Font::boldSystemFont(12);
    graphics::Color m_detailsLabelColor = graphics::Color::white();
    graphics::Color m_activityIndicatorColor = graphics::Color::white();
    float m_xOffset = 0;
    float m_yOffset = 0;
    float m_margin = 20;
    float m_cornerRadius = 10;
    bool m_dimBackground = false;
    float m_graceTime = 0;
    float m_minShowTime = 0;
    bool m_removeFromSuperViewOnHide = false;
    graphics::Size m_minSize;
    bool m_square = false;
    float m_progress = 0;
    std::shared_ptr<kit::View> m_customView;
    CompletionBlock m_completionBlock;
    bool m_taskInProgress = false;
    graphics::Size m_size;

    // Main thread only.
    bool m_useAnimation = false;
    std::shared_ptr<kit::Label> m_label;
    std::shared_ptr<kit::Label> m_detailsLabel;
    std::shared_ptr<kit::View> m_indicator;
    graphics::AffineTransform m_rotationTransform;
    std::shared_ptr<foundation::Timer> m_graceTimer;
    std::shared_ptr<foundation::Timer> m_minShowTimer;
    std::optional<double> m_showStarted;
    // Bumped by every show, so that a fade-out a later show interrupted
    // does not finish the hide when its animation ends.
    std::uint64_t m_hideGeneration = 0;
};
