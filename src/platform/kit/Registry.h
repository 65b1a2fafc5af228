#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kit {

class View;
class ViewController;

// Named builders of screens and views: what the storyboard and the
// interface files were on the phone. A screen's module registers how to
// build it under its name; code that opens the screen asks for the name.
class Registry {
public:
    using ControllerFactory = std::function<std::shared_ptr<ViewController>()>;
    using ViewFactory = std::function<std::shared_ptr<View>()>;

    static Registry& shared();

    // A later registration under the same name replaces the earlier one.
    void registerController(const std::string& name, ControllerFactory factory);
    void registerView(const std::string& name, ViewFactory factory);
    bool hasController(const std::string& name) const { return m_controllers.contains(name); }
    bool hasView(const std::string& name) const { return m_views.contains(name); }

    // A new instance, or null when nothing is registered under the name.
    std::shared_ptr<ViewController> instantiate(const std::string& name) const;
    template<class T> std::shared_ptr<T> instantiate(const std::string& name) const
    {
        return std::dynamic_pointer_cast<T>(instantiate(name));
    }
    // A new view, told awakeFromNib; null when nothing is registered.
    std::shared_ptr<View> instantiateView(const std::string& name) const;

    void clear();

private:
    std::map<std::string, ControllerFactory> m_controllers;
    std::map<std::string, ViewFactory> m_views;
};

} // namespace kit
