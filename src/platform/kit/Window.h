#pragma once

#include "platform/kit/View.h"

#include <memory>
#include <vector>

namespace kit {

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
    std::shared_ptr<View> touchDown(const graphics::Point& point);
    void touchMove(const graphics::Point& point);
    void touchUp(const graphics::Point& point);
    void touchCancel();
    std::shared_ptr<View> touchedView() const { return m_touchView.lock(); }

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
    std::weak_ptr<View> m_touchView;
};

} // namespace kit
