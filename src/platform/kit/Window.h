#pragma once

#include "platform/kit/View.h"

#include <limits>
#include <memory>
#include <vector>

namespace kit {

class ScrollView;
class ViewController;

// The root of a view tree that is on screen. It holds the first responder,
// turns touches at window points into responder calls, and shows its root
// controller's view over its whole bounds.
class Window : public View {
public:
    explicit Window(const graphics::Rect& frame);
    ~Window() override;

    std::shared_ptr<ViewController> rootViewController() const { return m_rootViewController; }
    // The old root's view leaves, the new one's fills the window; their
    // appearance callbacks follow on the next loop turn.
    void setRootViewController(const std::shared_ptr<ViewController>& controller);

    void makeKeyAndVisible();
    void makeKeyWindow();
    bool isKeyWindow() const;
    static std::shared_ptr<Window> keyWindow();
    // Every live window owned by a shared_ptr, oldest first.
    static std::vector<std::shared_ptr<Window>> allWindows();

    View* firstResponder() const { return m_firstResponder.lock().get(); }
    // While the old first responder resigns because another view takes
    // over, this is the view taking over (so a keyboard need not go away);
    // null otherwise.
    View* incomingFirstResponder() const { return m_incoming; }

    // One finger at a point in window coordinates. touchDown returns the
    // view the touch landed on (null when nothing takes touches there);
    // moves and the lift go to that same view. While an alert is up no
    // view takes touches: a touch starting then lands nowhere, and one in
    // progress is cancelled.
    //
    // Scroll views around that view watch the touch. Once it has moved
    // farther than ScrollView::touchSlop, the innermost of them that scrolls
    // along the movement's main axis takes it as a drag, and the view is
    // told the touch was cancelled; a view between them that handles such
    // drags itself keeps it. The axis is chosen once: a touch that found no
    // scroll view stays with its view. A finger landing on content that is
    // still moving stops it and does nothing else; lifting it without a
    // drag lets the content settle.
    //
    // Timestamps are seconds on the main loop's clock (the release speed is
    // measured with them); left out, the loop's present time is taken.
    static constexpr double currentTime = std::numeric_limits<double>::quiet_NaN();
    std::shared_ptr<View> touchDown(const graphics::Point& point, double timestamp = currentTime);
    void touchMove(const graphics::Point& point, double timestamp = currentTime);
    void touchUp(const graphics::Point& point, double timestamp = currentTime);
    void touchCancel();
    std::shared_ptr<View> touchedView() const { return m_touchView.lock(); }
    // The scroll view the present touch drags, if any.
    std::shared_ptr<ScrollView> draggedScrollView() const;
    // A wheel turn at a window point goes to the view under it, then up its
    // superviews until one takes it. False when none did (or an alert is up).
    bool scrollWheelAt(const graphics::Point& point, double dx, double dy);

    Responder* nextResponder() const override;

private:
    friend class View;
    bool makeFirstResponder(View* view);
    void clearFirstResponder(View* view);
    void runRootTransition();

    std::shared_ptr<ViewController> m_rootViewController;
    std::weak_ptr<ViewController> m_shownRoot;
    bool m_rootTransitionPending = false;
    std::weak_ptr<View> m_firstResponder;
    View* m_incoming = nullptr;
    // What the present touch does besides going to its view.
    struct TouchTrack {
        graphics::Point start;
        graphics::Point last;
        bool axisChosen = false;
        // Scroll views it stopped when it landed: they settle on the lift.
        std::vector<std::weak_ptr<ScrollView>> stopped;
        std::weak_ptr<ScrollView> dragging;
    };
    std::shared_ptr<ScrollView> scrollViewFor(const std::shared_ptr<View>& view, bool vertical) const;
    void endTouchTrack(const graphics::Point* lift, double timestamp);

    std::weak_ptr<View> m_touchView;
    TouchTrack m_track;
};

} // namespace kit
