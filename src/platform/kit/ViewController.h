#pragma once

#include "platform/kit/Responder.h"

#include <memory>
#include <string>

namespace kit {

class NavigationController;
class NavigationItem;
class TabBarController;
class TabBarItem;
class View;

// A screen: it owns a view tree it builds lazily, and gets told when that
// tree appears and disappears. Controllers are held by std::shared_ptr
// (make them with std::make_shared); containers hold their children, the
// children see their container weakly.
//
// Appearance callbacks never run inside the push, pop or selection call
// that causes them, but on a later loop turn, so the code that asked can
// finish (and set flags the appearing screen reads) first.
class ViewController : public Responder, public std::enable_shared_from_this<ViewController> {
public:
    ViewController();
    ~ViewController() override;

    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // Loads the view on first use: loadView, then viewDidLoad.
    std::shared_ptr<View> view();
    bool isViewLoaded() const { return m_view != nullptr; }
    // For loadView overrides.
    void setView(const std::shared_ptr<View>& view);

    // Builds the root view; the default is an empty view of the screen's size.
    virtual void loadView();
    virtual void viewDidLoad() { }
    virtual void viewWillAppear(bool) { }
    virtual void viewDidAppear(bool) { }
    virtual void viewWillDisappear(bool) { }
    virtual void viewDidDisappear(bool) { }

    const std::string& title() const { return m_title; }
    virtual void setTitle(const std::string& title);
    // Created on first use; its title follows the controller's title.
    std::shared_ptr<NavigationItem> navigationItem();
    std::shared_ptr<TabBarItem> tabBarItem();
    void setTabBarItem(const std::shared_ptr<TabBarItem>& item);

    bool hidesBottomBarWhenPushed() const { return m_hidesBottomBarWhenPushed; }
    void setHidesBottomBarWhenPushed(bool hides) { m_hidesBottomBarWhenPushed = hides; }
    virtual bool shouldAutorotate() const { return true; }
    // Portrait: the phone toolkit's mask value 2.
    virtual unsigned supportedInterfaceOrientations() const { return 2; }

    // The nearest container of each kind above this controller.
    std::shared_ptr<NavigationController> navigationController() const;
    std::shared_ptr<TabBarController> tabBarController() const;
    std::shared_ptr<ViewController> parentViewController() const { return m_parent.lock(); }

    // True between viewWillAppear and viewWillDisappear.
    bool isAppearing() const
    {
        return m_appearance == Appearance::Appearing || m_appearance == Appearance::Shown;
    }

    // Containers drive their children's appearance with these.
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();
    // Hands the screen from one child to another. Both begin before either
    // ends, so each sees its will-callback before the other's did-callback,
    // as with the phone toolkit's containers. Either may be null.
    static void swapAppearance(const std::shared_ptr<ViewController>& from,
        const std::shared_ptr<ViewController>& to, bool animated);

    Responder* nextResponder() const override;

protected:
    // The child that appears or disappears with this controller, if any.
    virtual std::shared_ptr<ViewController> childForAppearance(bool) { return nullptr; }
    void setParent(const std::shared_ptr<ViewController>& parent) { m_parent = parent; }
    void clearParent() { m_parent.reset(); }
    friend class NavigationController;
    friend class TabBarController;
    friend class Window;

private:
    enum class Appearance { Hidden, Appearing, Shown, Disappearing };

    std::shared_ptr<View> m_view;
    std::string m_title;
    std::shared_ptr<NavigationItem> m_navigationItem;
    std::shared_ptr<TabBarItem> m_tabBarItem;
    bool m_hidesBottomBarWhenPushed = false;
    bool m_loading = false;
    bool m_animatedTransition = false;
    Appearance m_appearance = Appearance::Hidden;
    std::weak_ptr<ViewController> m_parent;
    std::weak_ptr<ViewController> m_appearanceChild;
};

} // namespace kit
