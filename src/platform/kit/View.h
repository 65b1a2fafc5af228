#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/kit/AttachedValues.h"
#include "platform/kit/Layer.h"
#include "platform/kit/Responder.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace graphics {
class DrawingContext;
}

namespace kit {

class ViewController;
class Window;

enum class ContentMode {
    ScaleToFill = 0,
    ScaleAspectFit = 1,
    ScaleAspectFill = 2,
    Redraw = 3,
    Center = 4,
    Top = 5,
    Bottom = 6,
    Left = 7,
    Right = 8,
};

// A rectangle in the view tree. Views are always held by std::shared_ptr
// (make them with std::make_shared); a superview owns its subviews and
// everyone else should hold weak pointers.
//
// Geometry follows the phone toolkit: `center` and `bounds` are stored and
// `frame` is derived from them through `transform` (about the centre).
// Changing the frame changes the bounds size but never the bounds origin,
// which scroll views use as their content offset.
//
// Layout (`layoutSubviews`) and display (`drawRect`) never run inside the
// call that asked for them: they run at the end of the current turn of the
// main run loop, and display only for views in a window. A view marked for
// layout during its own layoutSubviews is laid out again before the turn ends.
class View : public Responder, public std::enable_shared_from_this<View> {
public:
    View();
    explicit View(const graphics::Rect& frame);
    ~View() override;

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Geometry.
    graphics::Rect frame() const;
    virtual void setFrame(const graphics::Rect& frame);
    graphics::Rect bounds() const { return m_bounds; }
    virtual void setBounds(const graphics::Rect& bounds);
    graphics::Point center() const { return m_center; }
    virtual void setCenter(const graphics::Point& center);
    graphics::AffineTransform transform() const { return m_transform; }
    void setTransform(const graphics::AffineTransform& transform);

    // Appearance.
    double alpha() const { return m_alpha; }
    virtual void setAlpha(double alpha);
    bool isHidden() const { return m_hidden; }
    virtual void setHidden(bool hidden);
    bool isOpaque() const { return m_opaque; }
    void setOpaque(bool opaque) { m_opaque = opaque; }
    graphics::Color backgroundColor() const { return m_backgroundColor; }
    virtual void setBackgroundColor(const graphics::Color& color);
    std::optional<graphics::Color> tintColor() const { return m_tintColor; }
    void setTintColor(const std::optional<graphics::Color>& color)
    {
        m_tintColor = color;
        DisplayGeneration::bump();
    }
    ContentMode contentMode() const { return m_contentMode; }
    void setContentMode(ContentMode mode);
    // Stored only: views that must follow their superview's width lay
    // themselves out.
    unsigned autoresizingMask() const { return m_autoresizingMask; }
    void setAutoresizingMask(unsigned mask) { m_autoresizingMask = mask; }
    bool clipsToBounds() const { return m_layer->masksToBounds(); }
    void setClipsToBounds(bool clips) { m_layer->setMasksToBounds(clips); }
    Layer& layer() const { return *m_layer; }

    // Identity.
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    // The outlet name a screen gives the view, so tests can find it.
    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }

    // Interaction.
    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled) { m_userInteractionEnabled = enabled; }
    bool isExclusiveTouch() const { return m_exclusiveTouch; }
    void setExclusiveTouch(bool exclusive) { m_exclusiveTouch = exclusive; }
    // A view that turns a finger's drag along the axis into its own values
    // (a date wheel) keeps such drags from the scroll views around it.
    virtual bool handlesOwnDrag(bool vertical) const;
    // A turn of the mouse wheel or a touchpad swipe over the view, in points
    // (positive dy moves content up, positive dx moves it left); `point` is
    // in this view's coordinates. False passes it to the superview.
    virtual bool scrollWheel(const graphics::Point& point, double dx, double dy);
    // Painted above a visible alert, as toasts are, instead of under its
    // dimming; only for subviews of a window.
    bool floatsAboveAlerts() const { return m_floatsAboveAlerts; }
    void setFloatsAboveAlerts(bool floats);

    // The tree.
    std::shared_ptr<View> superview() const { return m_superview.lock(); }
    const std::vector<std::shared_ptr<View>>& subviews() const { return m_subviews; }
    // The window this view is in, through its superviews; null when none.
    std::shared_ptr<Window> window() const;
    void addSubview(const std::shared_ptr<View>& view);
    void insertSubview(const std::shared_ptr<View>& view, std::size_t index);
    void insertSubviewBelow(const std::shared_ptr<View>& view, const View* sibling);
    void insertSubviewAbove(const std::shared_ptr<View>& view, const View* sibling);
    void bringSubviewToFront(const View* view);
    void sendSubviewToBack(const View* view);
    void removeFromSuperview();
    bool isDescendantOfView(const View* view) const;
    // This view or the first descendant, depth first, with the tag.
    std::shared_ptr<View> viewWithTag(int tag);
    // This view or the first descendant, depth first, with the name.
    std::shared_ptr<View> viewWithName(const std::string& name);

    // Move hooks. `newSuperview` / `newWindow` is null on removal.
    virtual void willMoveToSuperview(View* newSuperview);
    virtual void didMoveToSuperview();
    virtual void willMoveToWindow(Window* newWindow);
    virtual void didMoveToWindow();
    virtual void didAddSubview(View* subview);
    virtual void willRemoveSubview(View* subview);
    // Called once by the registry after it has built the view and its
    // outlets.
    virtual void awakeFromNib() { }

    // Layout and display, run on the next pass.
    void setNeedsLayout();
    bool needsLayout() const { return m_needsLayout; }
    void layoutIfNeeded();
    virtual void layoutSubviews();
    void setNeedsDisplay();
    bool needsDisplay() const { return m_needsDisplay; }
    // `context` paints in this view's bounds coordinates.
    virtual void drawRect(graphics::DrawingContext& context, const graphics::Rect& rect);
    virtual graphics::Size sizeThatFits(const graphics::Size& size) const;
    void sizeToFit();

    // Hit testing and coordinates. Points are in this view's bounds
    // coordinates. Hidden views, views with alpha below 0.01 and views that
    // take no touches are skipped with their subviews.
    virtual std::shared_ptr<View> hitTest(const graphics::Point& point);
    virtual bool pointInside(const graphics::Point& point) const;
    // `view` null means the window's coordinates.
    graphics::Point convertPointToView(const graphics::Point& point, const View* view) const;
    graphics::Point convertPointFromView(const graphics::Point& point, const View* view) const;
    graphics::Rect convertRectToView(const graphics::Rect& rect, const View* view) const;
    graphics::Rect convertRectFromView(const graphics::Rect& rect, const View* view) const;
    // True when this view and all its superviews are shown and it is in a window.
    bool isVisibleInWindow() const;

    // Responder chain: the controller whose root view this is, else the superview.
    Responder* nextResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool isFirstResponder() const override;
    // Resigns the first responder if it is this view or inside it. Without
    // `force` a responder may refuse (false); with it, it loses focus anyway.
    bool endEditing(bool force);
    std::shared_ptr<ViewController> viewController() const { return m_viewController.lock(); }

    // Animations: the changes apply at once (the model value is what the
    // screens read); the completion runs on the main loop after the
    // duration with finished = true.
    static void animate(double duration, const std::function<void()>& changes,
        std::function<void(bool finished)> completion = {});
    static void animate(double duration, double delay, const std::function<void()>& changes,
        std::function<void(bool finished)> completion = {});
    // The older begin/commit form; the default duration is 0.2 s.
    static void beginAnimations();
    static void setAnimationDuration(double duration);
    static void setAnimationDidStop(std::function<void(bool finished)> didStop);
    static void commitAnimations();
    static constexpr double defaultAnimationDuration = 0.2;
    // Animations with a completion still to run: while any is, what the
    // window shows is on its way somewhere (an overlay fading out).
    static std::size_t animationsUnderWay();

    // Runs the layout pass and then the display pass for every window now.
    // Values other libraries keep on this view for its lifetime.
    AttachedValues& attachedValues() const { return m_attachedValues; }

    // The run loop does this at the end of each turn.
    static void runPendingPasses();
    // The context handed to drawRect during the display pass; none means
    // the pass only clears the flags (nothing is painted headless).
    static void setDisplayContextFactory(
        std::function<std::unique_ptr<graphics::DrawingContext>(View&)> factory);

protected:
    // Called by ViewController when it adopts or releases this view.
    friend class ViewController;
    void setViewController(const std::weak_ptr<ViewController>& controller) { m_viewController = controller; }
    // The first responder refused to resign but a forced endEditing took the
    // focus from it anyway; inputs end their editing here.
    virtual void firstResponderTakenAway();

private:
    friend class Window;
    void moveToWindow(Window* newWindow);
    // Called while this subtree is still in `oldWindow`, about to leave it.
    void giveUpFocusLeaving(Window& oldWindow);
    void detachFromSuperview();
    void attach(const std::shared_ptr<View>& view, std::size_t index);
    // Subviews added while this view was being constructed could not be
    // linked back to it (it had no owner yet); links them now.
    void linkConstructedSubviews();
    std::size_t indexOf(const View* view) const;
    graphics::AffineTransform transformToWindow() const;
    void displayPass();

    graphics::Rect m_bounds;
    graphics::Point m_center;
    graphics::AffineTransform m_transform;
    double m_alpha = 1;
    bool m_hidden = false;
    bool m_opaque = true;
    graphics::Color m_backgroundColor = graphics::Color::clear();
    std::optional<graphics::Color> m_tintColor;
    ContentMode m_contentMode = ContentMode::ScaleToFill;
    unsigned m_autoresizingMask = 0;
    std::shared_ptr<Layer> m_layer;
    int m_tag = 0;
    std::string m_name;
    bool m_userInteractionEnabled = true;
    bool m_exclusiveTouch = false;
    bool m_floatsAboveAlerts = false;
    bool m_needsLayout = false;
    bool m_needsDisplay = false;
    bool m_wantsFirstResponder = false;
    std::weak_ptr<View> m_superview;
    std::vector<std::shared_ptr<View>> m_subviews;
    std::weak_ptr<ViewController> m_viewController;
    mutable AttachedValues m_attachedValues;
};

} // namespace kit
